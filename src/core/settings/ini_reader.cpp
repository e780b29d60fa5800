// The ini reader: keyword lines in, record fields and seen flags out, each keyword read as its row in
// the keyword table says.

#include "core/settings/ini_reader.h"
#include "base/fixed_format.h"
#include "core/source/d2v_check.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

namespace mivo {

namespace {

constexpr std::size_t kNumberEnd = 80; // numeric values are read up to this column
constexpr std::size_t kNameStartLimit = 99;
// Lines are looked at over their first 512 characters, except that a file name may run on to its full
// capacity: the writer puts names in column 19, so a name of more than 494 characters would otherwise
// come back cut short.
constexpr std::size_t kLongestLine = IniReader::kLineLength + kNameCapacity;
constexpr std::size_t kKeywordPartLength = 20;
constexpr std::string_view kBrokenFile = " error processing ini file:";

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Columns from..to (counted from 1, inclusive) of a line; what lies beyond the line's end is blank.
std::string_view columns(std::string_view line, std::size_t from, std::size_t to) {
    if (from == 0 || from > line.size() || to < from) return {};
    return line.substr(from - 1, to - from + 1);
}

// The scan goes left to right; at each position the words are tried in their order.
std::optional<int> findWord(std::string_view upperLine, std::size_t from, std::size_t to,
                            std::span<const IniWord> words) {
    const std::string_view region = columns(upperLine, from, to);
    for (std::size_t pos = 0; pos < region.size(); ++pos)
        for (const IniWord& w : words)
            if (region.substr(pos).starts_with(w.text)) return w.value;
    return std::nullopt;
}

bool regularFileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

IniInputOutcome byExtension(const std::string& name) {
    return hasExtension(name, ".d2v") || hasExtension(name, ".avs") ? IniInputOutcome::Accepted
                                                                    : IniInputOutcome::NotAnInput;
}

IniReadReport failure(IniReadOutcome outcome, std::string message) {
    IniReadReport r;
    r.outcome = outcome;
    r.message = std::move(message);
    return r;
}

} // namespace

bool IniReader::ints(const IniLine& line, std::span<int> out) const {
    const auto column = static_cast<std::size_t>(line.row.column);
    return ff::readInts(columns(line.text, column, kNumberEnd), out) == ff::ReadStatus::Ok;
}

bool IniReader::real(const IniLine& line, float& out) const {
    const auto column = static_cast<std::size_t>(line.row.column);
    return ff::readReal(columns(line.text, column, kNumberEnd), out) == ff::ReadStatus::Ok;
}

bool IniReader::name(const IniLine& line, std::string& out) const {
    const std::string_view field =
        columns(line.text, static_cast<std::size_t>(line.row.column), kLongestLine);
    const std::size_t first = field.find_first_not_of(' ');
    if (first == std::string_view::npos || first >= kNameStartLimit) return false;
    out = std::string(trimmedRight(field.substr(first, kNameCapacity)));
    return true;
}

bool IniReader::exists(const std::string& path) const {
    return check_.fileExists ? check_.fileExists(path) : regularFileExists(path);
}

void IniReader::checkInput(const std::string& name) {
    if (!exists(name)) {
        inputFound_ = false;
        // An input already accepted stays the input, under its own name.
        if (!s_.seen.test(Keyword::InFile)) s_.inputFile = name;
        return;
    }
    inputFound_ = true;
    s_.inputFile = name;
    const IniInputOutcome outcome =
        check_.classify ? check_.classify(s_.inputFile) : byExtension(s_.inputFile);
    if (outcome == IniInputOutcome::Accepted) {
        s_.seen.set(Keyword::InFile, true);
        inputStatus_ = InputStatus::Accepted;
        return;
    }
    s_.inputFile.clear();
    s_.seen.set(Keyword::InFile, false);
    inputStatus_ = outcome == IniInputOutcome::FilesMissing      ? InputStatus::FilesMissing
                   : outcome == IniInputOutcome::VersionMismatch ? InputStatus::VersionMismatch
                                                                 : InputStatus::None;
}

bool IniReader::readKind(const IniLine& line) {
    const KeywordRow& row = line.row;
    switch (row.kind) {
    case ValueKind::Switch:
        row.flag.set(s_);
        break;
    case ValueKind::Number:
        if (row.real) {
            if (!real(line, s_.*row.real)) return false;
        } else {
            int v = 0;
            if (!integer(line, v)) return false;
            s_.*row.number = row.clamp ? std::clamp(v, row.clamp->low, row.clamp->high) : v;
        }
        break;
    case ValueKind::Words: {
        // A line without any of its words has no effect beyond the preset.
        if (row.preset) s_.*row.number = *row.preset;
        const auto v = findWord(line.upper, static_cast<std::size_t>(row.column), row.wordEnd, row.words);
        if (!v) return true;
        if (row.number) s_.*row.number = *v;
        break;
    }
    case ValueKind::Name:
        if (!name(line, s_.*row.text)) return true;
        break;
    case ValueKind::List: // every list keyword reads through its own hook
        return false;
    }
    markSeen(line);
    return true;
}

bool IniReader::handle(const IniLine& line) {
    return line.row.read ? line.row.read(*this, line) : readKind(line);
}

// *FRAMES begins *FRAMESIZE: of the names a line begins with, the longest is its keyword.
const KeywordRow* IniReader::find(std::string_view up) const {
    const KeywordRow* found = nullptr;
    for (const KeywordRow& row : keywordTable()) {
        if (!up.starts_with(row.name)) continue;
        // "*CQ" is a keyword of its own only when a blank follows it (else it begins *CQ_...).
        if (row.keyword == Keyword::Cq && up.size() > 3 && up[3] != ' ') continue;
        if (!found || row.name.size() > found->name.size()) found = &row;
    }
    return found;
}

void IniReader::saveRecord() {
    saved_ = Saved{s_,
                   s_.startFrame,
                   s_.endFrame,
                   s_.avsReload,
                   s_.dbPath,
                   s_.llPath,
                   s_.zoneCount,
                   s_.zoneFrames,
                   s_.zoneFactors,
                   s_.customIntraMatrix,
                   s_.customNonIntraMatrix};
}

// What the file set before the error goes too: the writer and the listing read some record fields
// directly (colour, lists, pan-scan switch), so a save after a failed load would write them.
void IniReader::restoreRecord() {
    s_.seen.clearAll();
    static_cast<EncoderOptions&>(s_) = saved_->options;
    s_.startFrame = saved_->startFrame;
    s_.endFrame = saved_->endFrame;
    s_.avsReload = saved_->avsReload;
    s_.dbPath = saved_->dbPath;
    s_.llPath = saved_->llPath;
    s_.zoneCount = saved_->zoneCount;
    s_.zoneFrames = saved_->zoneFrames;
    s_.zoneFactors = saved_->zoneFactors;
    s_.customIntraMatrix = saved_->customIntra;
    s_.customNonIntraMatrix = saved_->customNonIntra;
    s_.inputFile.clear();
    s_.outputFile.clear();
    s_.logFile.clear();
    s_.dvdFolder.clear();
    s_.dvdIso.clear();
    s_.audioFile.clear();
    s_.clearChapters();
    s_.clearPanScan();
}

IniReadReport IniReader::report(IniMode mode) const {
    IniReadReport r;
    r.message = mode == IniMode::Default ? " Mivo.ini successfully processed"
                                         : " USER ini file successfully processed";
    if (inputStatus_ == InputStatus::FilesMissing)
        r.inputProblem = ", ERROR, invalid D2V project, can't find the VOB/MPEG files";
    if (inputStatus_ == InputStatus::VersionMismatch)
        r.inputProblem = ", ERROR, invalid D2V project, DGIndex/DGDecode mismatch";
    r.inputFound = inputFound_;
    return r;
}

IniReadReport IniReader::run(std::string_view text, IniMode mode) {
    saveRecord();
    // The stream is unflagged unless the file flags it.
    s_.colour = 0;
    inputStatus_ = InputStatus::None;

    ff::TextLines lines(text, kLongestLine);
    lines_ = &lines;
    std::array<char, kLineLength> upperBuffer{};
    while (const auto read = lines.next()) {
        // Keywords are found in an upper-cased copy of the line's first 512 characters.
        const std::string_view line = read->substr(0, kLineLength);
        if (line.empty() || line.front() != '*') continue;
        std::transform(line.begin(), line.end(), upperBuffer.begin(), upper);
        const std::string_view up(upperBuffer.data(), line.size());
        const KeywordRow* row = find(up);
        if (!row) continue;
        if (!handle(IniLine{*row, *read, up})) {
            restoreRecord();
            std::string part = ": " + std::string(row->name);
            part.resize(kKeywordPartLength, ' ');
            return failure(IniReadOutcome::Broken, std::string(kBrokenFile) + part);
        }
    }

    // The writer leaves *AQ out for strength 0, so a file without it asks for no adaptive quantisation,
    // not for the reset's 2: otherwise a saved strength of 0 would come back as 2.
    if (!s_.seen.test(Keyword::Aq)) {
        s_.aqStrength = 0;
        s_.seen.set(Keyword::Aq);
    }
    return report(mode);
}

IniReadReport parseIni(std::string_view text, IniMode mode, Settings& settings, const IniInputCheck& check) {
    return IniReader(settings, check).run(text, mode);
}

IniReadReport parseIniFile(const std::string& path, IniMode mode, Settings& settings,
                           const IniInputCheck& check) {
    const bool exists = check.fileExists ? check.fileExists(path) : regularFileExists(path);
    if (mode == IniMode::Default && !exists)
        return failure(IniReadOutcome::NotFound, " Mivo.ini not found, using default GUI settings");
    std::ifstream in;
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) in.open(path, std::ios::binary);
    if (!in.is_open()) {
        settings.seen.clearAll();
        return failure(IniReadOutcome::CannotOpen, " error openening ini file");
    }
    std::string text;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        in.read(text.data(), size);
    }
    if (size < 0 || in.gcount() != std::max<std::streamoff>(size, 0)) {
        // The file opened but could not be read: the error path, with no keyword to name.
        settings.seen.clearAll();
        return failure(IniReadOutcome::CannotRead, std::string(kBrokenFile));
    }
    return parseIni(text, mode, settings, check);
}

} // namespace mivo
