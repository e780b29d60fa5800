// libFuzzer target: stream bytes through the demuxer and the access unit splitter.
#include "../fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    mivo::fuzz::streamParser(data, size);
    return 0;
}
