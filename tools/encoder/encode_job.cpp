#include "encode_job.h"

#include "core/matrix/builtin_matrices.h"
#include "core/source/d2v_project.h"

#include <algorithm>
#include <cmath>

namespace mivo::encoder {

namespace {

std::string number(int v) {
    return std::to_string(v);
}

// The files: a D2V project in, an output named.
bool planFiles(const Settings& s, const SourceState& source, EncodeJob& job, std::string& error) {
    if (s.inputFile.empty()) {
        error = "no input file: Mivo.ini has no *INFILE line";
        return false;
    }
    if (!source.inputAccepted) {
        error = "input file not found: " + s.inputFile;
        return false;
    }
    if (hasExtension(s.inputFile, ".avs")) {
        error = "Avisynth scripts are not supported by this encoder, index the video as a D2V project: " +
                s.inputFile;
        return false;
    }
    if (!hasExtension(s.inputFile, ".d2v")) {
        error = "input is not a D2V project (*.d2v): " + s.inputFile;
        return false;
    }
    if (!source.outputChosen || s.outputFile.empty()) {
        error = "no output file: Mivo.ini has no *OUTFILE line";
        return false;
    }
    job.inputFile = s.inputFile;
    job.outputFile = s.outputFile;
    if (source.logChosen) job.logFile = s.logFile;
    job.frameRangeGiven = source.frameRangeGiven;
    if (job.frameRangeGiven) {
        job.startFrame = s.startFrame;
        job.endFrame = s.endFrame;
    }
    return true;
}

// Constant quantiser or one or two VBR passes, and the bitrates within the DVD ceiling.
bool planRateControl(const Settings& s, EncodeJob& job, std::string& error) {
    job.constantQuant = s.seen.test(Keyword::Cq) || s.seen.test(Keyword::CqMaxBitrate);
    if (job.constantQuant) {
        const float q = s.seen.test(Keyword::CqMaxBitrate) ? s.cqMaxBitrateValue : s.cqValue;
        job.quantiser = std::clamp(std::isfinite(q) ? q : 1.0f, 1.0f, 31.0f);
        if (job.quantiser != q) job.notes.push_back("quantiser limited to 1..31");
    }
    job.twoPass = !s.onePass && !job.constantQuant;

    if (!job.constantQuant && s.bitrate < 1) {
        error = "*BITRATE must be at least 1 kbit/s, Mivo.ini gives " + number(s.bitrate);
        return false;
    }
    if (s.maxBitrate < 1) {
        error = "*MAXBITRATE must be at least 1 kbit/s, Mivo.ini gives " + number(s.maxBitrate);
        return false;
    }
    job.maxBitrateKbps = s.maxBitrate;
    if (job.maxBitrateKbps > kDvdMaxBitrateKbps) {
        job.notes.push_back("maximum bitrate " + number(job.maxBitrateKbps) + " lowered to the DVD limit " +
                            number(kDvdMaxBitrateKbps) + " kbit/s");
        job.maxBitrateKbps = kDvdMaxBitrateKbps;
    }
    job.bitrateKbps = job.constantQuant ? job.maxBitrateKbps : s.bitrate;
    if (job.bitrateKbps > job.maxBitrateKbps) {
        job.notes.push_back("average bitrate " + number(job.bitrateKbps) + " lowered to the maximum " +
                            number(job.maxBitrateKbps) + " kbit/s");
        job.bitrateKbps = job.maxBitrateKbps;
    }
    return true;
}

void planGops(const Settings& s, EncodeJob& job) {
    if (s.autoGop) {
        job.gopLength = std::clamp(s.autoGopLength, 12, 18);
        job.bFrames = 2;
    } else {
        job.gopLength = std::clamp(s.gopLength, 1, 36);
        job.bFrames = std::clamp(s.bFrames, 0, s.allow3BFrames ? 3 : 2);
    }
    job.closedGops = s.closedGops;
    job.sceneChange = s.sceneChange;
    if (job.closedGops && job.sceneChange) {
        // libavcodec cannot start a new GOP at a scene change while every GOP is closed.
        job.sceneChange = false;
        job.notes.push_back("scene change detection is off with closed GOPs");
    }
}

void planPictures(const Settings& s, EncodeJob& job) {
    job.dcPrecision = std::clamp(s.dcPrecision, 8, 11);
    job.aspectRatio = s.aspectRatio == 5 ? 2 : std::clamp(s.aspectRatio, 1, 4);
    switch (s.interlaceMode) {
    case InterlaceMode::Progressive:
        job.scan = Scan::Progressive;
        break;
    case InterlaceMode::DvSource:
        // DV is bottom field first unless the file says otherwise.
        job.scan = Scan::Interlaced;
        job.topFieldFirst = s.seen.test(Keyword::Tff);
        break;
    case InterlaceMode::AutoDetect:
        job.scanFromSource = true;
        [[fallthrough]];
    case InterlaceMode::Interlaced:
        job.scan = Scan::Interlaced;
        job.topFieldFirst = s.fieldOrder == FieldOrder::TopFirst;
        break;
    }
    job.profile = s.profile;
    job.smp = s.smp;
    job.writeSeqEndcode = s.writeSeqEndcode;
    job.timecode = {s.timecodeHour, s.timecodeMinute, s.timecodeSecond, s.timecodeFrame};
}

bool planMatrices(const Settings& s, EncodeJob& job, std::string& error) {
    if (s.seen.test(Keyword::CustomMatrix)) {
        job.intraMatrix = s.customIntraMatrix;
        job.nonIntraMatrix = s.customNonIntraMatrix;
        const auto bad = [](const MatrixValues& m) {
            return std::any_of(m.begin(), m.end(),
                               [](int v) { return v < kMatrixValueMin || v > kMatrixValueMax; });
        };
        if (bad(job.intraMatrix) || bad(job.nonIntraMatrix)) {
            error = "*CUSTOMMATRIX values must lie in 1..255";
            return false;
        }
        if (job.intraMatrix[0] != kIntraDcValue) {
            // The intra DC coefficient is not scaled by the matrix; streams carry 8 in its place.
            job.notes.push_back("the intra DC entry of *CUSTOMMATRIX is always 8");
            job.intraMatrix[0] = kIntraDcValue;
        }
    } else {
        const BuiltInMatrix* builtIn = builtInMatrix(s.matrixChoice);
        const MatrixPair& pair = (builtIn ? builtIn : builtInMatrix(1))->pair;
        job.intraMatrix = pair.intra;
        job.nonIntraMatrix = pair.nonIntra;
    }
    return true;
}

// What the ini asks for that this encoder leaves out, for the log.
void noteWhatIsLeftOut(const Settings& s, EncodeJob& job) {
    if (s.pulldown) job.notes.push_back("*PULLDOWN is not supported and was ignored");
    if (s.chromaFormat == 2) job.notes.push_back("*CHROMAFORMAT 422 is not DVD video, 4:2:0 is written");
    if (s.chapterCount > 0 || s.zoneCount > 0 || s.panScanOn)
        job.notes.push_back("chapters, zones and pan-scan positions are not supported and were ignored");
    if (s.maskTop != 0 || s.maskBottom != 0 || s.maskShift != 0 || s.lumGain != 0)
        job.notes.push_back("*MASK_SHIFT and *LUMGAIN are not supported and were ignored");
}

} // namespace

bool planJob(const Settings& s, const SourceState& source, EncodeJob& job, std::string& error) {
    job = EncodeJob{};
    if (!planFiles(s, source, job, error) || !planRateControl(s, job, error)) return false;
    planGops(s, job);
    planPictures(s, job);
    if (!planMatrices(s, job, error)) return false;
    noteWhatIsLeftOut(s, job);
    return true;
}

bool fitToSource(EncodeJob& job, const StreamFacts& f, std::string& error) {
    if (!job.frameRangeGiven) {
        job.startFrame = 0;
        job.endFrame = f.frameCount - 1;
    }
    if (job.startFrame < 0) job.startFrame = 0;
    if (job.endFrame >= f.frameCount) {
        job.notes.push_back("end frame " + number(job.endFrame) + " lowered to the last frame " +
                            number(f.frameCount - 1));
        job.endFrame = f.frameCount - 1;
    }
    if (job.endFrame < job.startFrame) {
        error = "*FRAMES " + number(job.startFrame) + " " + number(job.endFrame) +
                " leaves no frame to encode (the source has " + number(f.frameCount) + ")";
        return false;
    }

    const bool dvdSize = f.width <= 720 && f.height <= 576;
    if (dvdSize) {
        // A DVD GOP holds at most 18 frames at 25 frames a second and 15 at the 30-frame rates.
        const bool pal = f.rateDenominator > 0 && f.rateNumerator == 25 * f.rateDenominator;
        const int dvdGop = pal ? 18 : 15;
        if (job.gopLength > dvdGop) {
            job.notes.push_back("GOP length " + number(job.gopLength) + " lowered to the DVD limit " +
                                number(dvdGop));
            job.gopLength = dvdGop;
        }
        if (job.dcPrecision > 10) {
            job.notes.push_back("DC precision 11 is not allowed on DVD, 10 is used");
            job.dcPrecision = 10;
        }
    }
    if (job.bFrames >= job.gopLength) job.bFrames = job.gopLength - 1;

    // A time code's frame field counts up to the rounded frame rate.
    const int fps = (f.rateNumerator + f.rateDenominator / 2) / f.rateDenominator;
    if (job.timecode[3] >= fps) {
        job.notes.push_back("time code frame " + number(job.timecode[3]) + " lowered to " + number(fps - 1));
        job.timecode[3] = fps - 1;
    }
    return true;
}

void chooseScan(EncodeJob& job, int progressiveFrames) {
    if (!job.scanFromSource) return;
    const int total = jobFrameCount(job);
    // Nine in ten: a progressive film with a few interlaced frames still gains more from progressive
    // coding than those frames lose.
    const bool progressive = progressiveFrames >= 0 && progressiveFrames * 10LL >= total * 9LL;
    job.scan = progressive ? Scan::Progressive : Scan::Interlaced;
    job.notes.push_back("auto detect: " +
                        (progressiveFrames < 0
                             ? std::string("the source does not flag its frames")
                             : number(progressiveFrames) + " of " + number(total) + " frames progressive") +
                        ", coded " + (progressive ? "progressive" : "interlaced"));
}

} // namespace mivo::encoder
