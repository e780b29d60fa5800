#include "core/source/d2v_project.h"

#include "base/text.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>

namespace mivo {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr std::array<int, 7> kVersions = {6, 10, 11, 12, 13, 15, 16};

bool knownVersion(int version) {
    for (int v : kVersions)
        if (v == version) return true;
    return false;
}

// The whole line as one integer, blanks around it allowed.
bool parseCount(std::string_view line, long long& value) {
    line = trimmed(line);
    if (line.empty()) return false;
    if (line.front() == '+') line.remove_prefix(1);
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
    return ec == std::errc() && end == line.data() + line.size();
}

} // namespace

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
        const std::string_view path = trimmedRight(line, kBlanksAndTabs);
        const std::size_t blank = path.find(' ');
        long long length = 0;
        if (blank != std::string_view::npos && blank > 0) {
            const auto [end, ec] = std::from_chars(path.data(), path.data() + blank, length);
            if (ec == std::errc() && end == path.data() + blank &&
                length == static_cast<long long>(path.size() - blank - 1))
                line.remove_prefix(blank);
        }
    }
    return std::string(trimmed(line));
}

D2vCheck checkD2vProject(std::istream& project, std::string_view projectPath, const FileExistsFn& exists) {
    D2vCheck result;
    result.filesFound = true;

    std::string line;
    if (!readProjectLine(project, line)) return result;
    const std::string_view first = trimmedRight(line, kBlanksAndTabs);
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

    const std::string_view name = unpadded(inputFileName);
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
