#include "encode_job.h"

#include "mpeg_level.h"

#include "base/paths.h"
#include "core/matrix/builtin_matrices.h"
#include "core/picture/frame_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace mivo::encoder {

namespace {

std::string number(int v) {
    return std::to_string(v);
}

// The files: a D2V project, an Avisynth script or a video file in, an output named.
bool planFiles(const Settings& s, const SourceState& source, EncodeJob& job, std::string& error) {
    if (s.inputFile.empty()) {
        error = "no input file: Mivo.ini has no *INFILE line";
        return false;
    }
    if (!source.inputAccepted) {
        error = "input file not found: " + s.inputFile;
        return false;
    }
    job.avisynthInput = hasExtension(s.inputFile, ".avs");
    // Any other file is an ordinary video file; whether FFmpeg's libraries can read it is found on opening.
    job.videoFileInput = !job.avisynthInput && !hasExtension(s.inputFile, ".d2v");
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
        job.cqVbvCheck = s.seen.test(Keyword::CqMaxBitrate);
        const auto factor = [](float f) { return std::clamp(std::isfinite(f) ? f : 1.0f, 0.5f, 4.0f); };
        job.cqPFactor = factor(s.cqPFactor);
        job.cqBFactor = factor(s.cqBFactor);
    }
    job.vbrBias = std::clamp(s.vbrBias, 0, 100);
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
    if (s.seen.test(Keyword::FrameSize)) {
        job.frameWidth = s.frameWidth;
        job.frameHeight = s.frameHeight;
    }
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

// The chapter and zone lists as the job keeps them: ascending, each frame once, zones as ranges.
void planLists(const Settings& s, EncodeJob& job) {
    const int chapters = std::clamp(s.chapterCount, 0, kChapterCapacity);
    job.chapterFrames.assign(s.chapterFrames.data(), s.chapterFrames.data() + chapters);
    std::sort(job.chapterFrames.begin(), job.chapterFrames.end());
    job.chapterFrames.erase(std::unique(job.chapterFrames.begin(), job.chapterFrames.end()),
                            job.chapterFrames.end());

    std::vector<std::pair<int, float>> starts;
    const auto zones = static_cast<std::size_t>(std::clamp(s.zoneCount, 0, kZoneCapacity));
    for (std::size_t i = 0; i < zones && i < s.zoneFrames.size() && i < s.zoneFactors.size(); ++i) {
        const float f = s.zoneFactors[i];
        // The Zones page keeps factors to 0.2..5.0; a hand-written file is held to the same.
        starts.emplace_back(s.zoneFrames[i], std::clamp(std::isfinite(f) ? f : 1.0f, 0.2f, 5.0f));
    }
    std::stable_sort(starts.begin(), starts.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < starts.size(); ++i) {
        // A later zone at the same frame wins; a zone runs up to the next one's first frame.
        if (i + 1 < starts.size() && starts[i + 1].first == starts[i].first) continue;
        const int last = i + 1 < starts.size() ? starts[i + 1].first - 1 : std::numeric_limits<int>::max();
        job.zones.push_back(Zone{starts[i].first, last, starts[i].second});
    }
}

// The switches that shape pictures and the stream's flags.
void planStreamOptions(const Settings& s, EncodeJob& job) {
    job.pulldown = s.pulldown;
    job.lastIFrame = s.lastIFrame;
    job.chroma422 = s.chromaFormat == 2;
    job.mpegLevel = std::clamp(s.mpegLevel, 0, 3);
    job.colour = s.seen.test(Keyword::Colour) ? s.colour : 0;
    job.intraVlc = std::clamp(s.intraVlc, 0, 2);
    job.maskTop = s.maskTop;
    job.maskBottom = s.maskBottom;
    job.maskShift = s.maskShift;
    job.aqStrength = std::clamp(s.aqStrength, 0, 4);
    job.lumGain = std::clamp(s.lumGain, 0, 4);
    job.adaptiveMatrix = s.adaptiveMatrix;
    job.run.silent = s.silent;
    job.run.preview = s.preview && !s.silent;
    job.run.waitSeconds = std::clamp(s.waitSeconds, 0, 99);
    job.run.cpuMode = std::clamp(s.cpuMode, 0, 4);
    job.run.priority = std::clamp(s.priority, 0, 3);
    if (s.seen.test(Keyword::DbPath)) job.run.dbPath = s.dbPath;
    if (s.panScanOn && s.panScanCount > 0)
        job.notes.push_back("pan-scan positions are not written into the stream");
}

} // namespace

bool planJob(const Settings& s, const SourceState& source, EncodeJob& job, std::string& error) {
    job = EncodeJob{};
    if (!planFiles(s, source, job, error) || !planRateControl(s, job, error)) return false;
    planGops(s, job);
    planPictures(s, job);
    if (job.frameWidth > 0) {
        const std::string why = outputSizeProblem(job.frameWidth, job.frameHeight);
        if (!why.empty()) {
            error = "*FRAMESIZE: " + why;
            return false;
        }
    }
    if (!planMatrices(s, job, error)) return false;
    planLists(s, job);
    planStreamOptions(s, job);
    job.disc = {s.dvdFolder, s.dvdIso, s.audioFile, s.audioTrack};
    if (job.disc.folder.empty() && !job.disc.image.empty())
        job.notes.push_back("*DVDISO without *DVDFOLDER: no disc");
    return true;
}

namespace {

bool isFilmRate(const StreamFacts& f) {
    return static_cast<long long>(f.rateNumerator) * 1001 ==
           static_cast<long long>(f.rateDenominator) * 24000;
}

// DVD-Video's limits for a picture of DVD size: a GOP spans at most 15 frames at 25 frames a second and
// 18 at the 30-frame rates; with pulldown 14 coded frames already fill 35 of those 36 fields.
void fitToDvd(EncodeJob& job, const StreamFacts& f) {
    if (f.width > 720 || f.height > 576) return;
    const bool pal = f.rateNumerator == 25 * f.rateDenominator;
    const int dvdGop = job.pulldown ? 14 : pal ? 15 : 18;
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

// Chapters and zones outside the range have nothing to act on; a zone reaching into it is cut to it.
void fitListsToRange(EncodeJob& job) {
    std::erase_if(job.chapterFrames, [&](int f) { return f < job.startFrame || f > job.endFrame; });
    std::vector<Zone> zones;
    for (Zone z : job.zones) {
        z.firstFrame = std::max(z.firstFrame, job.startFrame);
        z.lastFrame = std::min(z.lastFrame, job.endFrame);
        if (z.firstFrame <= z.lastFrame && z.factor != 1.0f) zones.push_back(z);
    }
    job.zones = std::move(zones);
}

// Masking and shifting must leave a picture; a chosen level must hold the picture, its rate and bitrate.
bool fitPicture(EncodeJob& job, const StreamFacts& f, std::string& error) {
    if (job.maskTop + job.maskBottom >= f.height || std::abs(job.maskShift) >= f.height) {
        error = "*MASK_SHIFT " + number(job.maskTop) + " " + number(job.maskBottom) + " " +
                number(job.maskShift) + " leaves nothing of a picture " + number(f.height) + " lines high";
        return false;
    }
    if (const LevelLimits* level = levelLimits(job.mpegLevel, job.chroma422)) {
        const std::string why = levelViolation(*level, f, job.maxBitrateKbps);
        if (!why.empty()) {
            error = "*MPEGLEVEL: " + why + "; choose a higher level or AUTO";
            return false;
        }
        if (job.chroma422 && job.mpegLevel == 2)
            job.notes.push_back("4:2:2 has no High-1440 level: the stream declares 4:2:2 at high level");
    }
    if (job.pulldown && !isFilmRate(f)) {
        job.notes.push_back("*PULLDOWN needs a 23.976 frames a second source and was ignored");
        job.pulldown = false;
    }
    // Repeated fields are flags on progressive frames.
    if (job.pulldown) job.scan = Scan::Progressive;
    return true;
}

} // namespace

namespace {

// The lengths of `count` GOPs sharing `frames` evenly, the longer ones first.
void shareEvenly(int frames, int count, std::vector<int>& lengths) {
    for (int g = 0; g < count; ++g)
        lengths.push_back(frames / count + (g < frames % count ? 1 : 0));
}

} // namespace

std::vector<int> planGopStarts(const EncodeJob& job, const std::vector<int>& segmentCuts,
                               const std::vector<int>& sceneCuts) {
    // A forced start, and whether the GOP before it ends on a P-picture (the frame before a chapter, the
    // last of a segment) rather than on B-pictures that are coded after it.
    std::map<int, bool> forced{{job.startFrame, true}};
    const auto add = [&](int f, bool closes) {
        if (f > job.startFrame && f <= job.endFrame) forced[f] = forced[f] || closes;
    };
    for (const int f : sceneCuts)
        add(f, false);
    for (const std::vector<int>* list : {&job.chapterFrames, &segmentCuts})
        for (const int f : *list)
            add(f, true);
    // The last frame as an I-frame of its own; the GOPs before it share out the frames up to it.
    if (job.lastIFrame) add(job.endFrame, false);
    forced[job.endFrame + 1] = !job.lastIFrame;

    // Even shares rather than full GOPs and a remainder: a remainder of one or two frames would cost an
    // I-frame's bits for nothing and give an authoring tool a VOBU of a frame or two. A GOP that ends on
    // a P-picture also holds, as coded, the B-pictures the GOP before it left over; it is kept that much
    // shorter, so that no GOP in the stream runs past the length.
    const int longest = std::max(1, job.gopLength), leftOver = std::min(job.bFrames, longest - 1);
    std::vector<int> starts;
    for (auto at = forced.begin(); std::next(at) != forced.end(); ++at) {
        const auto next = std::next(at);
        const int frames = next->first - at->first;
        const bool cleanStart = at->second; // no B-pictures left over from before
        int gops = (frames + longest - 1) / longest;
        std::vector<int> lengths;
        if (next->second && leftOver > 0 && (gops > 1 || !cleanStart)) {
            gops = std::max(gops, (frames + leftOver + longest - 1) / longest);
            const int last = std::min(frames / gops, longest - leftOver);
            shareEvenly(frames - last, gops - 1, lengths);
            lengths.push_back(last);
        } else {
            shareEvenly(frames, gops, lengths);
        }
        int f = at->first;
        for (const int length : lengths) {
            starts.push_back(f);
            f += length;
        }
    }
    return starts;
}

int timecodeRate(const EncodeJob& job, const StreamFacts& f) {
    if (job.pulldown) return 30;
    return std::max(1, (f.rateNumerator + f.rateDenominator / 2) / std::max(1, f.rateDenominator));
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
    if (!fitPicture(job, f, error)) return false;
    fitToDvd(job, f);
    if (job.bFrames >= job.gopLength) job.bFrames = job.gopLength - 1;
    fitListsToRange(job);
    job.gopStarts = planGopStarts(job, {}, {});

    // A time code's frame field counts up to the rounded frame rate.
    const int fps = timecodeRate(job, f);
    if (job.timecode[3] >= fps) {
        job.notes.push_back("time code frame " + number(job.timecode[3]) + " lowered to " + number(fps - 1));
        job.timecode[3] = fps - 1;
    }
    return true;
}

void chooseScan(EncodeJob& job, int progressiveFrames) {
    if (!job.scanFromSource || job.pulldown) return;
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
