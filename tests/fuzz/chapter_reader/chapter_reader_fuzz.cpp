// libFuzzer target for the chapter file reader: any bytes import without a crash into a sound list, and
// what was read exports and imports back to the same list.

#include "../list_readers_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = mivo::test::checkChapterImport({reinterpret_cast<const char*>(data), size});
    if (!problem.empty()) {
        std::fprintf(stderr, "chapter import: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
