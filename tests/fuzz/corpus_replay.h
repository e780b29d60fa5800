#pragma once
// Replays a fuzz target's committed corpus in the ordinary suite, so every build checks it without clang:
// each file of tests/fuzz/TARGET/corpus goes through `check`, which returns what broke (empty when the
// target's promises hold) or returns nothing and aborts on a broken promise, as the decoder's checks do.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>

namespace mivo::test {

// The number of files replayed.
template <typename Check> int replayCorpus(std::string_view target, Check&& check) {
    const std::filesystem::path corpus = std::filesystem::path(MIVO_FUZZ_DIR) / target / "corpus";
    EXPECT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
    std::error_code ec;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus, ec)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        SCOPED_TRACE(std::string(target) + "/" + entry.path().filename().string());
        if constexpr (std::is_void_v<std::invoke_result_t<Check, std::string_view>>)
            check(std::string_view(bytes));
        else
            EXPECT_EQ(check(std::string_view(bytes)), "");
        ++files;
    }
    return files;
}

} // namespace mivo::test
