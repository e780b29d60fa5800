#include "core/source/d2v_project.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>

namespace mivo {

namespace {

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    s = trimRight(s);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A drive path ("C:...") or one starting at a root or share.
bool isAbsolute(std::string_view p) {
    if (!p.empty() && isSeparator(p.front())) return true;
    return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
}

constexpr std::array<int, 7> kVersions = {6, 10, 11, 12, 13, 15, 16};

bool knownVersion(int version) {
    for (int v : kVersions)
        if (v == version) return true;
    return false;
}

// The whole line as one integer, blanks around it allowed.
bool parseCount(std::string_view line, long long& value) {
    line = trim(line);
    if (line.empty()) return false;
    if (line.front() == '+') line.remove_prefix(1);
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
    return ec == std::errc() && end == line.data() + line.size();
}

} // namespace

bool hasExtension(std::string_view name, std::string_view ext) {
    name = trimRight(name);
    if (!name.empty() && name.back() == '\0') name = trimRight(name.substr(0, name.size() - 1));
    if (name.size() < ext.size()) return false;
    const std::string_view tail = name.substr(name.size() - ext.size());
    for (std::size_t i = 0; i < ext.size(); ++i)
        if (lower(tail[i]) != lower(ext[i])) return false;
    return true;
}

std::string pathFolder(std::string_view path) {
    const std::size_t at = path.find_last_of("/\\");
    return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string displayForm(std::string_view path, TrailingBlanks blanks) {
    if (blanks == TrailingBlanks::Drop) path = trimRight(path);
    if (path.size() <= 40) return std::string(path);
    std::string out(path.substr(0, 5));
    out += "...";
    out += path.substr(path.size() - 32);
    return out;
}

std::string decoderLibraryName(int version) {
    if (!knownVersion(version)) return {};
    char name[32];
    std::snprintf(name, sizeof name, "DGDecode%02d.dll", version);
    return name;
}

std::string decoderLoadMessage(int version) {
    if (!knownVersion(version)) return {};
    return ", DGDecode.dll (project version " + std::to_string(version) + ") loaded";
}

bool readProjectLine(std::istream& in, std::string& line) {
    line.clear();
    bool any = false;
    std::istream::int_type c;
    while ((c = in.get()) != std::istream::traits_type::eof()) {
        any = true;
        if (c == '\n') break;
        if (line.size() < kMaxProjectLine) line.push_back(static_cast<char>(c));
    }
    // A CR before the LF belongs to the line end, not to the line.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

std::string listedPathOfLine(std::string_view line, int version) {
    if ((version == 6 || version == 10) && !line.empty() && line.front() != ' ') {
        // "<length of path> <path>": the path starts at the first blank after the length field.
        const std::size_t blank = line.find(' ', 1);
        if (blank != std::string_view::npos) line.remove_prefix(blank);
    } else if (version == 12 || version == 15) {
        // No indexer release is known to write these versions; take a length field when the line
        // plainly carries one (a number, a blank, then exactly that many characters).
        const std::string_view path = trimRight(line);
        const std::size_t blank = path.find(' ');
        long long length = 0;
        if (blank != std::string_view::npos && blank > 0) {
            const auto [end, ec] = std::from_chars(path.data(), path.data() + blank, length);
            if (ec == std::errc() && end == path.data() + blank &&
                length == static_cast<long long>(path.size() - blank - 1))
                line.remove_prefix(blank);
        }
    }
    return std::string(trim(line));
}

std::string resolveListedPath(std::string_view listed, std::string_view projectPath,
                              const FileExistsFn& exists) {
    listed = trim(listed);
    if (listed.empty()) return {};
    const std::string folder = pathFolder(projectPath);

    const std::string written = isAbsolute(listed) ? std::string(listed) : folder + std::string(listed);
    if (exists(written)) return written;

    std::string slashed = written;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    if (slashed != written && exists(slashed)) return slashed;

    const std::size_t at = listed.find_last_of("/\\");
    const std::string_view base = at == std::string_view::npos ? listed : listed.substr(at + 1);
    if (!base.empty()) {
        const std::string beside = folder + std::string(base);
        if (beside != written && beside != slashed && exists(beside)) return beside;
    }
    return {};
}

D2vCheck checkD2vProject(std::istream& project, std::string_view projectPath, const FileExistsFn& exists) {
    D2vCheck result;
    result.filesFound = true;

    std::string line;
    if (!readProjectLine(project, line)) return result;
    const std::string_view first = trimRight(line);
    if (first.size() < 2 || !isDigit(first[first.size() - 2]) || !isDigit(first.back())) return result;
    result.version = (first[first.size() - 2] - '0') * 10 + (first.back() - '0');

    long long count = 0;
    const bool countRead = readProjectLine(project, line) && parseCount(line, count) && count >= 0;
    if (!knownVersion(result.version) || !countRead) return result;
    result.versionValid = true;

    for (long long i = 0; i < count; ++i) {
        const bool gotLine = readProjectLine(project, line);
        if (!gotLine ||
            resolveListedPath(listedPathOfLine(line, result.version), projectPath, exists).empty()) {
            result.filesFound = false;
            result.versionValid = false;
            return result;
        }
    }
    return result;
}

void classifyInput(SourceState& state, std::string_view inputFileName, std::string_view dgdecodeFolder,
                   const FileExistsFn& exists) {
    state.projectVersionValid = true;
    state.projectFilesFound = true;
    state.isAvisynthScript = hasExtension(inputFileName, ".avs");
    state.isD2vProject = hasExtension(inputFileName, ".d2v");
    if (!state.isD2vProject) {
        state.projectVersion = 0;
        return;
    }

    std::string_view name = trimRight(inputFileName);
    if (!name.empty() && name.back() == '\0') name = trimRight(name.substr(0, name.size() - 1));
    std::ifstream project{std::string(name), std::ios::binary};
    const D2vCheck check = project ? checkD2vProject(project, name, exists) : D2vCheck{0, false, true};
    state.projectVersion = check.version;
    state.projectVersionValid = check.versionValid;
    state.projectFilesFound = check.filesFound;
    if (knownVersion(check.version))
        state.decoderLibraryPath = std::string(dgdecodeFolder) + decoderLibraryName(check.version);
    if (!check.versionValid) state.isD2vProject = false;
}

} // namespace mivo
