#include "encoder_app.h"

#include "disc/disc_steps.h"
#include "encode_job.h"
#include "frame_source.h"
#include "mpeg2_encoder.h"
#include "pass_statistics.h"
#include "progress_monitor.h"
#include "progress_window.h"
#include "run_environment.h"
#include "scaled_frame_source.h"
#include "segment_encoder.h"
#include "segment_plan.h"

#include "base/text.h"
#include "base/whole_file.h"
#include "core/settings/ini_codec.h"
#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace mivo::encoder {

namespace {

// The run's report: every line goes to standard output and the progress view at once and, when the ini
// names a log file, into that file at the end.
class RunLog {
  public:
    void info(const std::string& line) {
        text_ += line + "\n";
        if (monitor_) monitor_->message(line);
    }
    void error(const std::string& line) {
        std::fprintf(stderr, "Dazuzer_024: ERROR: %s\n", line.c_str());
        text_ += "ERROR: " + line + "\n";
    }
    void save(const std::string& path) {
        if (path.empty()) return;
        if (!writeWholeFile(path, text_))
            std::fprintf(stderr, "Dazuzer_024: cannot write the log file %s\n", path.c_str());
    }
    void follow(ProgressMonitor* monitor) { monitor_ = monitor; }
    static void print(const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }

  private:
    std::string text_;
    ProgressMonitor* monitor_ = nullptr;
};

// The ini through the front-end's own reader, so both read every line alike.
struct IniState {
    SourceState source;
    Settings settings{source};

    // False with the reader's message when the file could not be read.
    bool load(const std::string& text, const std::string& name, std::string& error) {
        settings.setStartUpValues();
        // The options the front-end's reset would give them before a read.
        settings.smp = platform::systemProcessorCount() > 1;
        IniInputCheck check;
        // The encoder judges the input itself; here only its name matters.
        check.classify = [](const std::string&) { return IniInputOutcome::Accepted; };
        const IniReadReport report = parseIni(text, IniMode::Default, settings, check);
        if (report.outcome != IniReadOutcome::Processed) {
            error = name + ": " + std::string(trimmed(report.message, kBlanks));
            return false;
        }
        return true;
    }
};

// The stream is too large to hold: it streams into the temporary file of a whole-file write, which takes
// the output's place once complete. Opened before the first pass, so an output that cannot be written is
// known at once.
class OutputFile {
  public:
    explicit OutputFile(std::string path) : path_(std::move(path)), temp_(temporaryBeside(path_)) {}
    ~OutputFile() {
        if (file_) std::fclose(file_);
        if (!committed_) {
            std::error_code ec;
            std::filesystem::remove(temp_, ec);
        }
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open(std::string& error) {
        file_ = std::fopen(temp_.c_str(), "wb");
        if (!file_) error = "cannot write the output file " + path_ + ": " + std::strerror(errno);
        return file_ != nullptr;
    }
    std::FILE* stream() const { return file_; }
    bool commit(std::string& error) {
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!closed) {
            error = "cannot write the output file " + path_;
            return false;
        }
        std::string why;
        committed_ = true; // the temporary file is gone either way
        if (!replaceWithTemporary(temp_, path_, &why)) {
            error = "cannot put the output file in place: " + path_ + ": " + why;
            return false;
        }
        return true;
    }

  private:
    std::string path_, temp_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

// The job the ini asks for. The log file is known as soon as the ini is read, so even a refusal is logged.
bool readJob(const std::string& iniPath, EncodeJob& job, std::string& logPath, std::string& error) {
    std::string text;
    if (!platform::fileExists(iniPath) || !readWholeFile(iniPath, text)) {
        error = iniPath + " not found";
        return false;
    }
    auto ini = std::make_unique<IniState>();
    if (!ini->load(text, iniPath, error)) return false;
    const bool planned = planJob(ini->settings, ini->source, job, error);
    if (ini->source.logChosen) logPath = ini->settings.logFile;
    return planned;
}

void logJob(RunLog& log, const EncodeJob& job, const StreamFacts& f, const std::string& library) {
    log.info("input:  " + job.inputFile + " (" + std::to_string(f.width) + " x " + std::to_string(f.height) +
             ", " + std::to_string(f.rateNumerator) + "/" + std::to_string(f.rateDenominator) + " fps, " +
             std::to_string(f.frameCount) + " frames, read through " + library + ")");
    log.info("output: " + job.outputFile);
    std::string mode = job.constantQuant ? "constant quantiser " + std::to_string(job.quantiser)
                       : job.twoPass     ? "two-pass VBR"
                                         : "one-pass VBR";
    log.info("frames " + std::to_string(job.startFrame) + " to " + std::to_string(job.endFrame) + ", " +
             mode + ", average " + std::to_string(job.bitrateKbps) + " kbit/s, maximum " +
             std::to_string(job.maxBitrateKbps) + " kbit/s, GOP " + std::to_string(job.gopLength) + " with " +
             std::to_string(job.bFrames) + " B-frames" + (job.closedGops ? " (closed)" : "") +
             ", DC precision " + std::to_string(job.dcPrecision) +
             (job.scan == Scan::Progressive ? ", progressive"
              : job.topFieldFirst           ? ", interlaced TFF"
                                            : ", interlaced BFF") +
             (job.pulldown ? ", 3:2 pulldown" : "") + (job.chroma422 ? ", 4:2:2" : "") + ", " +
             std::to_string(job.chapterFrames.size()) + " chapters, " + std::to_string(job.zones.size()) +
             " zones");
    for (const std::string& note : job.notes)
        log.info("note: " + note);
}

// One frame source per encoding thread: with SMP a second reader of the input for every further
// processor the segments can use. A reader that cannot be had only costs speed.
std::vector<std::unique_ptr<FrameSource>> twinSources(RunLog& log, const EncodeJob& job,
                                                      const FrameSource& main) {
    std::vector<std::unique_ptr<FrameSource>> twins;
    const int processors = job.smp ? platform::systemProcessorCount() : 1;
    const int useful = std::min<int>(processors, static_cast<int>(planSegments(job).size()));
    for (int k = 1; k < useful; ++k) {
        std::string why;
        std::unique_ptr<FrameSource> twin = main.twin(why);
        if (!twin) {
            log.info("note: encoding on " + std::to_string(k) + " thread(s): " + why);
            break;
        }
        twins.push_back(std::move(twin));
    }
    return twins;
}

// Both passes over the segments, the stream written whole or not at all.
bool runPasses(RunLog& log, const EncodeJob& job, const FrameSource& source, ProgressMonitor& monitor,
               std::string& error) {
    const auto started = std::chrono::steady_clock::now();
    OutputFile output(job.outputFile);
    FirstPassStatistics stats(job);
    if (!output.open(error) || !stats.prepare(error)) return false;
    const std::vector<std::unique_ptr<FrameSource>> twins = twinSources(log, job, source);
    std::vector<const FrameSource*> sources{&source};
    for (const auto& twin : twins)
        sources.push_back(twin.get());
    log.info("segments: " + std::to_string(planSegments(job).size()) +
             ", threads: " + std::to_string(sources.size()));
    SegmentProgress progress;
    progress.passStarted = [&](int pass, int passes) {
        if (passes == 2) log.info("pass " + std::to_string(pass) + " of 2");
        monitor.startPass(pass, passes);
    };
    progress.frameDone = [&](const PassProgress& p) { return monitor.frameDone(p); };
    std::vector<std::string> notes;
    const bool encoded = encodeSegments(job, sources, output.stream(), stats, progress, notes, error);
    for (const std::string& note : notes)
        log.info("note: " + note);
    if (!encoded) return false;
    static const unsigned char kSequenceEnd[] = {0x00, 0x00, 0x01, 0xB7};
    if (job.writeSeqEndcode &&
        std::fwrite(kSequenceEnd, 1, sizeof kSequenceEnd, output.stream()) != sizeof kSequenceEnd) {
        error = "cannot write the output file " + job.outputFile;
        return false;
    }
    if (!output.commit(error)) return false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(job.outputFile, ec);
    char line[160];
    std::snprintf(line, sizeof line, "done: %d frames, %llu bytes, %.1f s", jobFrameCount(job),
                  static_cast<unsigned long long>(ec ? 0 : bytes), seconds);
    log.info(line);
    return true;
}

// The encoded stream and the source's own files that carry its audio.
disc::DiscSources discSources(const EncodeJob& job) {
    disc::DiscSources sources{job.outputFile, {}, !job.avisynthInput};
    if (job.videoFileInput)
        sources.sourceFiles = {job.inputFile};
    else if (!job.avisynthInput)
        sources.sourceFiles = disc::d2vSourceFiles(job.inputFile);
    return sources;
}

// The steps after the encode, on the encoded range.
bool makeDisc(const EncodeJob& job, const StreamFacts& facts, RunLog& log, std::string& error) {
    const disc::TitleFacts title{job.startFrame,        jobFrameCount(job), facts.rateNumerator,
                                 facts.rateDenominator, job.pulldown,       job.aspectRatio,
                                 job.chapterFrames};
    return disc::makeDisc(
        job.disc, title, discSources(job), [&](const std::string& line) { log.info(line); }, error);
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// *FRAMESIZE: the encoder reads the source through a scaler, so everything after it sees the new size.
bool scaleSource(EncodeJob& job, std::unique_ptr<FrameSource>& source, ScaledFrameSource*& scaled,
                 std::string& error) {
    const StreamFacts original = source->facts();
    std::unique_ptr<ScaledFrameSource> s =
        ScaledFrameSource::create(std::move(source), job.frameWidth, job.frameHeight, job.aspectRatio, error);
    if (!s) return false;
    const PictureArea& a = s->area();
    std::string borders = "no borders";
    if (a.height < job.frameHeight)
        borders =
            "letterbox, picture lines " + std::to_string(a.y) + " to " + std::to_string(a.y + a.height - 1);
    else if (a.width < job.frameWidth)
        borders =
            "pillarbox, picture columns " + std::to_string(a.x) + " to " + std::to_string(a.x + a.width - 1);
    job.notes.push_back(
        "pictures scaled from " + sizeText(original.width, original.height) + " to " +
        sizeText(job.frameWidth, job.frameHeight) + " (" + borders +
        (original.displayAspect > 0 ? "" : "; the source's shape is not known, it fills the frame") + ")");
    scaled = s.get();
    source = std::move(s);
    return true;
}

// Interlaced coding of a source known to be interlaced scales each field on its own. Where the source
// does not say, its frames are scaled whole: a progressive picture scaled field by field would shake.
void chooseFieldScaling(EncodeJob& job, ScaledFrameSource& scaled, int progressiveFrames) {
    const bool interlacedSource =
        job.scan == Scan::Interlaced && !job.pulldown && (!job.scanFromSource || progressiveFrames >= 0);
    if (!scaled.scaleFields(interlacedSource))
        job.notes.push_back("the source's height does not split into fields: interlaced frames scaled whole");
    else if (interlacedSource)
        job.notes.push_back("interlaced pictures scaled field by field");
}

// Everything after the ini: the source, the fitted job, the passes. False with the reason.
bool encode(const std::string& programFolder, EncodeJob& job, RunLog& log, ProgressMonitor& monitor,
            std::string& error) {
    std::string library;
    std::unique_ptr<FrameSource> source = openFrameSource(job, programFolder, library, error);
    if (!source) return false;
    ScaledFrameSource* scaled = nullptr;
    if (job.frameWidth > 0 && !scaleSource(job, source, scaled, error)) return false;
    if (!fitToSource(job, source->facts(), error)) return false;
    const int progressiveFrames = source->progressiveFrames(job.startFrame, job.endFrame);
    chooseScan(job, progressiveFrames);
    if (scaled) chooseFieldScaling(job, *scaled, progressiveFrames);
    monitor.begin(job, source->facts());
    logJob(log, job, source->facts(), library);
    for (const std::string& note : applyRunEnvironment(job.run))
        log.info("note: " + note);
    // A disc that cannot be made is known now, not after the encode, and the stream already there stays.
    if (!job.disc.folder.empty() && !disc::checkDisc(job.disc, discSources(job), error)) return false;
    if (!runPasses(log, job, *source, monitor, error)) return false;
    return job.disc.folder.empty() || makeDisc(job, source->facts(), log, error);
}

} // namespace

int runEncoder(const std::string& programFolder, const std::string& iniPath, bool decoderCopy) {
    RunLog log;
    EncodeJob job;
    std::string logPath, error;
    bool ok = readJob(iniPath, job, logPath, error);
    job.run.decoderCopy = decoderCopy;
    // Progress lines go to standard output when nobody sees a window, also when the window's library
    // (or the Qt it brings) cannot be loaded. It lives in the program folder, which need not be the
    // folder of Mivo.ini.
    ProgressWindowLibrary windowLibrary;
    const bool window =
        !job.run.silent && displayAvailable() && windowLibrary.load(platform::programFolder());
    ProgressMonitor monitor(window && job.run.preview, window ? nullptr : RunLog::print);
    log.follow(&monitor);
    const auto work = [&] {
        try {
            ok = ok && encode(programFolder, job, log, monitor, error);
        } catch (const std::exception& e) {
            error = std::string("unexpected failure: ") + e.what();
            ok = false;
        }
        if (!ok) log.error(error);
        monitor.finish(ok, ok ? "encoding finished" : "ERROR: " + error);
    };
    if (window)
        windowLibrary.run(monitor, work, WindowOptions{job.run.preview, job.run.waitSeconds});
    else
        work();
    log.save(logPath);
    return ok ? 0 : 1;
}

} // namespace mivo::encoder
