#pragma once
// The version resource reader's promise, as one check over any bytes: it never reads outside them, and
// either finds no version or a version of four 16-bit parts. Shared by the fuzz target and the test that
// replays its corpus.

#include "core/source/file_version.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace mivo::test {

inline std::string checkFileVersion(std::string_view input) {
    // A copy of exactly the input's size, so that a read past its end is caught by the address sanitizer.
    const std::basic_string<std::uint8_t> bytes(input.begin(), input.end());
    const FileVersion v = fileVersionOfImage({bytes.data(), bytes.size()});
    if (v.result == -1)
        return std::all_of(v.parts.begin(), v.parts.end(), [](int p) { return p == 0; })
                   ? ""
                   : "no version, but parts";
    if (v.result != 0) return "a result other than read or not read";
    for (const int part : v.parts)
        if (part < 0 || part > 0xFFFF) return "a part beyond 16 bits";
    return {};
}

} // namespace mivo::test
