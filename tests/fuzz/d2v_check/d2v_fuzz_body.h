#pragma once
// One fuzz input run through the D2V project check, shared by the libFuzzer target and the unit test
// that replays the corpus. The input is the project text; whether a listed file "exists" is decided
// from the path itself, so every branch of the check can be reached without touching the disk.

#include "core/source/d2v_check.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace mivo::fuzz {

inline void require(bool ok) {
    if (!ok) std::abort();
}

inline void runD2vCheck(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // Paths whose length is odd are present; the project folder changes with the input's first byte.
    const std::string project = (size > 0 && (data[0] & 1)) ? "C:\\d\\p.d2v" : "/d/p.d2v";
    int asked = 0;
    const FileExistsFn exists = [&asked](const std::string& p) {
        ++asked;
        return p.size() % 2 == 1;
    };
    std::istringstream in(text);
    const D2vCheck c = checkD2vProject(in, project, exists);

    require(!c.filesFound ? !c.versionValid : true);
    require(!c.versionValid || !decoderLibraryName(c.version).empty());
    require(c.version >= 0 && c.version <= 99);
    // Three candidate paths per listed file at most, and no more files than lines.
    require(asked <= 3 * static_cast<int>(size + 1));

    const std::string shown = displayForm(text);
    require(shown.size() <= 40 || shown.size() == text.size());
    (void)hasExtension(text, ".d2v");
    (void)folderPart(text);
    for (int version : {6, 12, 16})
        (void)resolveListedPath(std::string(listedPathOfLine(text, version)), project, exists);
}

} // namespace mivo::fuzz
