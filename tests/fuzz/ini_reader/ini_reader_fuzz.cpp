// libFuzzer target for the ini reader: any bytes load without a crash, and what the program then saves
// loads again without an error and saves to the same bytes.

#include "ini_round_trip.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string problem = mivo::test::checkIniRoundTrip(input);
    if (!problem.empty()) {
        std::fprintf(stderr, "ini round trip: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
