// libFuzzer target for the matrix file readers (text, binary and mpeg2enc's form): any bytes read without
// a crash, and what they read writes and reads back unchanged.

#include "matrix_round_trip.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string problem = mivo::test::checkMatrixReaders(input);
    if (!problem.empty()) {
        std::fprintf(stderr, "matrix round trip: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
