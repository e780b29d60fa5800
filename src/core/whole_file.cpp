#include "core/whole_file.h"

#include <cstdio>
#include <filesystem>

namespace mivo {

std::string temporaryBeside(const std::string& path) {
    return path + ".writing";
}

bool replaceWithTemporary(const std::string& temporary, const std::string& path, std::string* why) {
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (!ec) return true;
    if (why) *why = ec.message();
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
}

bool writeWholeFile(const std::string& path, std::string_view bytes) {
    const std::string temp = temporaryBeside(path);
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (written && closed) return replaceWithTemporary(temp, path);
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    return false;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    // Room for the whole file at once, so a list file of megabytes is not copied as the text grows; the
    // loop still reads to the end should the file have grown meanwhile.
    if (std::fseek(f, 0, SEEK_END) == 0) {
        if (const long size = std::ftell(f); size > 0) bytes.reserve(static_cast<std::size_t>(size));
        std::rewind(f);
    }
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, got);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

} // namespace mivo
