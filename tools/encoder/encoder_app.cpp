#include "encoder_app.h"

#include "encode_job.h"
#include "frame_source.h"
#include "segment_encoder.h"
#include "segment_plan.h"

#include "core/settings/ini_codec.h"
#include "core/text.h"
#include "core/whole_file.h"
#include "platform/platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace mivo::encoder {

namespace {

// The run's report: every line goes to the console at once and, when the ini names a log file, into
// that file at the end.
class RunLog {
  public:
    void info(const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        text_ += line + "\n";
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

  private:
    std::string text_;
};

// The ini through the front-end's own reader, so both read every line alike.
struct IniState {
    SourceState source;
    Settings settings{source};

    // False with the reader's message when the file could not be read.
    bool load(const std::string& text, std::string& error) {
        settings.setStartUpValues();
        // The options the front-end's reset would give them before a read.
        settings.smp = platform::systemProcessorCount() > 1;
        IniInputCheck check;
        // The encoder judges the input itself; here only its name matters.
        check.classify = [](const std::string&) { return IniInputOutcome::Accepted; };
        const IniReadReport report = parseIni(text, IniMode::Default, settings, check);
        if (report.outcome != IniReadOutcome::Processed) {
            error = "Mivo.ini: " + std::string(trimmed(report.message, kBlanks));
            return false;
        }
        return true;
    }
};

// The stream is too large to hold: it streams into the temporary file of a whole-file write, which takes
// the output's place once complete.
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

    std::FILE* open() { return file_ = std::fopen(temp_.c_str(), "wb"); }
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
    const std::string& temp() const { return temp_; }

  private:
    std::string path_, temp_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

// The job Mivo.ini asks for. The log file is known as soon as the ini is read, so even a refusal is logged.
bool readJob(const std::string& programFolder, EncodeJob& job, std::string& logPath, std::string& error) {
    const std::string iniPath = programFolder + "Mivo.ini";
    std::string text;
    if (!platform::fileExists(iniPath) || !readWholeFile(iniPath, text)) {
        error = "Mivo.ini not found in " + programFolder;
        return false;
    }
    auto ini = std::make_unique<IniState>();
    if (!ini->load(text, error)) return false;
    const bool planned = planJob(ini->settings, ini->source, job, error);
    if (ini->source.logChosen) logPath = ini->settings.logFile;
    return planned;
}

void logJob(RunLog& log, const EncodeJob& job, const StreamFacts& f, const std::string& library) {
    log.info("input:  " + job.inputFile + " (" + std::to_string(f.width) + " x " + std::to_string(f.height) +
             ", " + std::to_string(f.rateNumerator) + "/" + std::to_string(f.rateDenominator) + " fps, " +
             std::to_string(f.frameCount) + " frames, decoder " + library + ")");
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
                                            : ", interlaced BFF"));
    for (const std::string& note : job.notes)
        log.info("note: " + note);
}

// One frame source per encoding thread: with SMP a private reader of the project for every further
// processor the segments can use. A reader that cannot be had only costs speed.
std::vector<std::unique_ptr<FrameSource>> twinSources(RunLog& log, const EncodeJob& job,
                                                      const FrameSource& main) {
    std::vector<std::unique_ptr<FrameSource>> twins;
    const int processors = job.smp ? platform::systemProcessorCount() : 1;
    const int useful = std::min<int>(processors, static_cast<int>(planSegments(job).size()));
    for (int k = 1; k < useful; ++k) {
        auto twin = std::make_unique<FrameSource>();
        std::string why;
        if (!twin->openTwin(main, why)) {
            log.info("note: encoding on " + std::to_string(k) + " thread(s): " + why);
            break;
        }
        twins.push_back(std::move(twin));
    }
    return twins;
}

// The stream, whole or not at all.
bool writeStream(RunLog& log, const EncodeJob& job, const std::vector<const FrameSource*>& sources,
                 std::string& error) {
    OutputFile output(job.outputFile);
    std::FILE* out = output.open();
    if (!out) {
        error = "cannot create " + output.temp();
        return false;
    }
    const int total = jobFrameCount(job);
    int shownPass = -1;
    const auto progress = [&](int pass, int done) {
        if (pass != shownPass && pass == 2) log.info("pass 2 of 2");
        shownPass = pass;
        std::printf("%s: %d of %d frames\r",
                    pass == 0   ? "encoding"
                    : pass == 1 ? "pass 1"
                                : "pass 2",
                    done, total);
    };
    if (job.twoPass) log.info("pass 1 of 2");
    std::vector<std::string> notes;
    const bool encoded = encodeSegments(job, sources, out, progress, notes, error);
    std::printf("\n");
    for (const std::string& note : notes)
        log.info("note: " + note);
    if (!encoded) return false;
    static const unsigned char kSequenceEnd[] = {0x00, 0x00, 0x01, 0xB7};
    if (job.writeSeqEndcode &&
        std::fwrite(kSequenceEnd, 1, sizeof kSequenceEnd, out) != sizeof kSequenceEnd) {
        error = "cannot write the output file " + job.outputFile;
        return false;
    }
    return output.commit(error);
}

bool runPasses(RunLog& log, const EncodeJob& job, FrameSource& source, std::string& error) {
    const auto started = std::chrono::steady_clock::now();
    const int total = jobFrameCount(job);
    const std::vector<std::unique_ptr<FrameSource>> twins = twinSources(log, job, source);
    std::vector<const FrameSource*> sources{&source};
    for (const auto& twin : twins)
        sources.push_back(twin.get());
    log.info("segments: " + std::to_string(planSegments(job).size()) +
             ", threads: " + std::to_string(sources.size()));
    if (!writeStream(log, job, sources, error)) return false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(job.outputFile, ec);
    char line[160];
    std::snprintf(line, sizeof line, "done: %d frames, %llu bytes, %.1f s", total,
                  static_cast<unsigned long long>(ec ? 0 : bytes), seconds);
    log.info(line);
    return true;
}

int encode(const std::string& programFolder, RunLog& log, std::string& logPath) {
    EncodeJob job;
    FrameSource source;
    std::string library, error;
    const bool ok = readJob(programFolder, job, logPath, error) &&
                    source.open(programFolder, job.inputFile, library, error) &&
                    fitToSource(job, source.facts(), error);
    if (ok) chooseScan(job, source.progressiveFrames(job.startFrame, job.endFrame));
    if (ok) logJob(log, job, source.facts(), library);
    if (!ok || !runPasses(log, job, source, error)) {
        log.error(error);
        return 1;
    }
    return 0;
}

} // namespace

int runEncoder(const std::string& programFolder) {
    RunLog log;
    std::string logPath;
    int code = 1;
    try {
        code = encode(programFolder, log, logPath);
    } catch (const std::exception& e) {
        log.error(std::string("unexpected failure: ") + e.what());
        code = 1;
    }
    log.save(logPath);
    return code;
}

} // namespace mivo::encoder
