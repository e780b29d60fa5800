// libFuzzer target: the D2V project check must never crash, hang or break its own invariants on
// arbitrary project text.
#include "d2v_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    mivo::fuzz::runD2vCheck(data, size);
    return 0;
}
