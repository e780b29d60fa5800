// libFuzzer target for the synthetic source description both source doubles read.

#include "synthetic_description_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem =
        mivo::test::checkSyntheticDescription({reinterpret_cast<const char*>(data), size});
    if (!problem.empty()) {
        std::fprintf(stderr, "synthetic description: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
