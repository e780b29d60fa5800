#include "core/whole_file.h"

#include <cstdio>
#include <filesystem>

namespace mivo {

bool writeWholeFile(const std::string& path, std::string_view bytes) {
    // Beside the target, so the rename stays on one file system and replaces the old file in one step.
    const std::string temp = path + ".writing";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    std::error_code ec;
    if (written && closed) {
        std::filesystem::rename(temp, path, ec);
        if (!ec) return true;
    }
    std::filesystem::remove(temp, ec);
    return false;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, got);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

} // namespace mivo
