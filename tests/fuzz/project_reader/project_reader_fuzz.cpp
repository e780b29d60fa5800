// libFuzzer target: D2V project text.
#include "../fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    mivo::fuzz::projectReader(data, size);
    return 0;
}
