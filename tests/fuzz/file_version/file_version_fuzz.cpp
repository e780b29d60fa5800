// libFuzzer target for the reader of a Windows program file's version resource.

#include "file_version_check.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = mivo::test::checkFileVersion({reinterpret_cast<const char*>(data), size});
    if (!problem.empty()) {
        std::fprintf(stderr, "file version: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
