// libFuzzer target: the video index reader never crashes, hangs or accepts an index it cannot serve.
#include "video_index_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    mivo::fuzz::runVideoIndex(data, size);
    return 0;
}
