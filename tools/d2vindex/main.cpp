// d2vindex: writes a D2V project (format 16) for MPEG-1/2 files, for the decoder library and the
// front-end. Several inputs are read as one stream, in the order given.

#include "indexer.h"

#include "base/whole_file.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const kUsage =
    "usage: d2vindex [options] INPUT...\n"
    "Writes a D2V project (format 16) for MPEG-1/2 video in elementary streams (.m2v), program\n"
    "streams (.vob, .mpg) or transport streams (.ts, .m2ts). Several inputs are read as one stream,\n"
    "in the order given (VTS_01_1.VOB VTS_01_2.VOB ...).\n"
    "\n"
    "  -o, --output FILE            the project to write (default: the first input with .d2v)\n"
    "  -f, --field-operation N      0 honour pulldown flags (default), 1 force film, 2 ignore pulldown\n"
    "  -r, --relative               list the inputs relative to the project's folder\n"
    "  -q, --quiet                  no progress display\n"
    "  -h, --help                   this text\n";

std::string defaultOutput(const std::string& input) {
    const std::size_t slash = input.find_last_of('/');
    const std::size_t dot = input.find_last_of('.');
    const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                 ? input.substr(0, dot)
                                 : input;
    return stem + ".d2v";
}

int usageError(const std::string& why) {
    std::fprintf(stderr, "d2vindex: %s\n%s", why.c_str(), kUsage);
    return 2;
}

struct CommandLine {
    std::vector<std::string> inputs;
    mivo::d2vindex::IndexOptions options;
    std::string output;
    bool quiet = false;
};

// Reads the arguments into `cl`; an exit code when the program ends here (help, or a usage error).
std::optional<int> readArguments(int argc, char** argv, CommandLine& cl) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "-o" || arg == "--output") {
            if (!value) return usageError("-o needs a file name");
            cl.output = value;
            ++i;
        } else if (arg == "-f" || arg == "--field-operation") {
            if (!value || std::strlen(value) != 1 || value[0] < '0' || value[0] > '2')
                return usageError("the field operation must be 0, 1 or 2");
            cl.options.fieldOperation = value[0] - '0';
            ++i;
        } else if (arg == "-r" || arg == "--relative") {
            cl.options.relativePaths = true;
        } else if (arg == "-q" || arg == "--quiet") {
            cl.quiet = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else {
            cl.inputs.push_back(arg);
        }
    }
    if (cl.inputs.empty()) return usageError("no input file");
    if (cl.output.empty()) cl.output = defaultOutput(cl.inputs.front());
    for (const std::string& input : cl.inputs)
        if (input == cl.output) return usageError("the project would overwrite its input " + input);
    cl.options.projectPath = cl.output;
    return std::nullopt;
}

void printSummary(const std::string& output, const mivo::d2vindex::IndexResult& result) {
    const auto& p = result.project;
    std::printf("%s: %zu coded frames in %zu lines, %dx%d, %s, %d/%d fps, %s, %.2f%% film\n", output.c_str(),
                p.flags.size(), p.lines.size(), p.width, p.height, p.mpegType == 1 ? "MPEG-1" : "MPEG-2",
                p.rateNum, p.rateDen,
                p.streamType == mivo::mpeg2::StreamType::transport ? "transport stream"
                : p.streamType == mivo::mpeg2::StreamType::program ? "program stream"
                                                                   : "elementary stream",
                result.filmPercent);
}

} // namespace

int main(int argc, char** argv) {
    CommandLine cl;
    if (const std::optional<int> code = readArguments(argc, argv, cl)) return *code;

    // Progress on a terminal, once the work takes long enough to wait for.
    const bool terminal = !cl.quiet && isatty(STDERR_FILENO);
    const auto started = std::chrono::steady_clock::now();
    int shown = -1;
    if (terminal) {
        cl.options.progress = [&](double share) {
            const int percent = static_cast<int>(share * 100.0);
            if (percent == shown) return;
            if (std::chrono::steady_clock::now() - started < std::chrono::milliseconds(500)) return;
            shown = percent;
            std::fprintf(stderr, "\rindexing: %3d%%", percent);
            std::fflush(stderr);
        };
    }
    const mivo::d2vindex::IndexResult result = mivo::d2vindex::indexStreams(cl.inputs, cl.options);
    if (shown >= 0) std::fputc('\n', stderr);
    for (const std::string& w : result.warnings)
        std::fprintf(stderr, "d2vindex: warning: %s\n", w.c_str());
    if (!result.ok) {
        std::fprintf(stderr, "d2vindex: error: %s\n", result.error.c_str());
        return 1;
    }
    if (!mivo::writeWholeFile(cl.output, result.text)) {
        std::fprintf(stderr, "d2vindex: error: cannot write %s\n", cl.output.c_str());
        return 1;
    }
    if (!cl.quiet) printSummary(cl.output, result);
    return 0;
}
