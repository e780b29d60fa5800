// One whole scene-change scan of a D2V project through the decoder library, as its own process, for the
// scan benchmark: scan_probe LIBRARY PROJECT THREADS [WORKERS]: decoding threads per decoder, and one or
// two workers (two split the frames, each on a decoder of its own). Prints the chapters found.
#include "program/scan/scan_thread.h"
#include "sources/dgdecode_library.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: scan_probe LIBRARY PROJECT THREADS [WORKERS]\n");
        return 2;
    }
    mivo::DgdecodeLibrary library;
    mivo::StreamProperties properties;
    if (library.load(argv[1]) != mivo::DgdecodeResult::Ok ||
        library.openProject(argv[2], properties) != mivo::DgdecodeResult::Ok) {
        std::fprintf(stderr, "scan_probe: cannot open %s\n", argv[2]);
        return 1;
    }
    library.release();
    mivo::SourceState state;
    state.isD2vProject = true;
    state.decoderLibraryPath = argv[1];
    state.width = properties.width;
    state.height = properties.height;
    state.frameCount = properties.frameCount;
    state.colourFormat = properties.colourFormat;
    mivo::ScanJob job;
    const mivo::ScanSourceSpec spec{state, argv[2], 6, std::atoi(argv[3]), {}};
    job.source = std::make_unique<mivo::ScanSource>(spec);
    if (argc == 5 && std::atoi(argv[4]) == 2) job.secondSource = std::make_unique<mivo::ScanSource>(spec);
    job.frameCount = state.frameCount;
    job.width = state.width;
    job.height = state.height;
    job.cpuLevel = 6;
    job.chapterRoom = 640000;
    mivo::ScanHandOver handOver(nullptr);
    mivo::sceneScanThread(std::move(job), handOver);
    std::vector<mivo::ScanMessage> posts;
    handOver.take(posts);
    if (posts.empty() || posts.back().event != mivo::ScanEvent::Finished) return 1;
    for (const mivo::ScanMessage& m : posts)
        if (m.event == mivo::ScanEvent::Chapter) std::printf("%d\n", m.frame);
    return 0;
}
