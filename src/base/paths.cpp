#include "base/paths.h"

#include "base/text.h"

#include <algorithm>

namespace mivo {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// A drive path ("C:...") or one starting at a root or share.
bool isAbsolute(std::string_view p) {
    if (!p.empty() && isSeparator(p.front())) return true;
    return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

std::string slashed(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// The last component of a listed path, without a drive ("C:name" names a file on drive C).
std::string_view fileNameOf(std::string_view listed) {
    const std::size_t at = listed.find_last_of("/\\");
    std::string_view base = at == std::string_view::npos ? listed : listed.substr(at + 1);
    if (base.size() > 2 && base[1] == ':') base.remove_prefix(2);
    return base;
}

} // namespace

std::string folderPart(std::string_view path) {
    const std::size_t at = path.find_last_of("/\\");
    return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string_view unpadded(std::string_view name) {
    name = trimmedRight(name, kBlanksAndTabs);
    if (!name.empty() && name.back() == '\0')
        name = trimmedRight(name.substr(0, name.size() - 1), kBlanksAndTabs);
    return name;
}

bool hasExtension(std::string_view name, std::string_view ext) {
    return endsWithIgnoringCase(unpadded(name), ext);
}

namespace {

// UTF-8 continuation bytes belong to the character before them.
bool startsCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

std::size_t characterCount(std::string_view s) {
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), startsCharacter));
}

// Byte offset where character n starts (the size when there are fewer).
std::size_t characterOffset(std::string_view s, std::size_t n) {
    for (std::size_t i = 0; i < s.size(); ++i)
        if (startsCharacter(s[i]) && n-- == 0) return i;
    return s.size();
}

} // namespace

std::string displayForm(std::string_view path, TrailingBlanks blanks) {
    if (blanks == TrailingBlanks::Drop) path = trimmedRight(path, kBlanksAndTabs);
    // Counted in characters, so that a name in UTF-8 is never cut inside one.
    const std::size_t count = characterCount(path);
    if (count <= 40) return std::string(path);
    std::string out(path.substr(0, characterOffset(path, 5)));
    out += "...";
    out += path.substr(characterOffset(path, count - 32));
    return out;
}

std::string resolveListedPath(std::string_view listed, std::string_view projectPath,
                              const FileExistsFn& exists) {
    listed = trimmed(listed);
    if (listed.empty()) return {};
    const std::string folder = folderPart(projectPath);

    const std::string written = isAbsolute(listed) ? std::string(listed) : folder + std::string(listed);
    if (exists(written)) return written;
    const std::string writtenSlashed = slashed(written);
    if (writtenSlashed != written && exists(writtenSlashed)) return writtenSlashed;

    const std::string_view base = fileNameOf(listed);
    if (base.empty()) return {};
    for (const std::string& beside : {folder + std::string(base), slashed(folder) + std::string(base)})
        if (beside != written && beside != writtenSlashed && exists(beside)) return beside;
    return {};
}

} // namespace mivo
