// The ini reader: keyword lines in, record fields and seen flags out.

#include "core/control_ids.h"
#include "core/fixed_format.h"
#include "core/free_format.h"
#include "core/settings/labels.h"
#include "core/settings/operations.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace mivo {

namespace {

constexpr std::size_t kLineLength = 512;
constexpr std::size_t kNumberEnd = 80; // numeric values are read up to this column
constexpr std::size_t kWordEnd = 79;   // word values are looked for up to this column (most keywords)
constexpr std::size_t kNameStartLimit = 99;
// Lines are looked at over their first 512 characters, except that a file name may run on to its full
// capacity: the writer puts names in column 19, so a name of more than 494 characters would otherwise
// come back cut short.
constexpr std::size_t kLongestLine = kLineLength + kNameCapacity;
constexpr std::size_t kKeywordPartLength = 20;

struct KeywordSpec {
    Keyword keyword;
    int from; // value column, counted from 1 (0 for keywords without a value)
};

constexpr KeywordSpec kSpecs[] = {
    {Keyword::InFile, 9},
    {Keyword::OutFile, 10},
    {Keyword::Frames, 9},
    {Keyword::OnePass, 0},
    {Keyword::Cq, 5},
    {Keyword::Bitrate, 10},
    {Keyword::MaxBitrate, 13},
    {Keyword::Preview, 0},
    {Keyword::Profile, 10},
    {Keyword::Aspect, 9},
    {Keyword::CqMaxBitrate, 16},
    {Keyword::LogFile, 10},
    {Keyword::LastIFrame, 0},
    {Keyword::CqPFactor, 13},
    {Keyword::CqBFactor, 13},
    {Keyword::AdaptiveMatrix, 0},
    {Keyword::Pulldown, 0},
    {Keyword::Cpu, 5},
    {Keyword::Gop, 6},
    {Keyword::DcPrec, 10},
    {Keyword::ScanMethod, 12},
    {Keyword::Timecode, 11},
    {Keyword::Matrix, 8},
    {Keyword::CustomMatrix, 0},
    {Keyword::Bias, 7},
    {Keyword::ClosedGops, 0},
    {Keyword::NoVbv, 0},
    {Keyword::NoScd, 0},
    {Keyword::Chapter, 9},
    {Keyword::ChromaFormat, 14},
    {Keyword::MaskShift, 12},
    {Keyword::Tff, 0},
    {Keyword::Bff, 0},
    {Keyword::Wait, 7},
    {Keyword::NoSeqEndcode, 0},
    {Keyword::Shutdown, 0},
    {Keyword::AutoGop, 9},
    {Keyword::Zone, 7},
    {Keyword::LumGain, 9},
    {Keyword::Silent, 0},
    {Keyword::ScdFile, 0},
    {Keyword::AvsMemory, 12},
    {Keyword::AvsReload, 0},
    {Keyword::B3, 0},
    {Keyword::Progressive, 0},
    {Keyword::Interlaced, 0},
    {Keyword::DvSource, 0},
    {Keyword::Priority, 10},
    {Keyword::MpegLevel, 11},
    {Keyword::DbPath, 9},
    {Keyword::FrameLog, 0},
    {Keyword::NoSmp, 0},
    {Keyword::Colour, 9},
    {Keyword::Lossless, 0},
    {Keyword::Aq, 5},
    {Keyword::LlPath, 9},
    {Keyword::PanScan, 10},
    {Keyword::IntraVlc, 11},
    {Keyword::ChromaDownsample, 19},
};

struct Word {
    std::string_view text;
    int value;
};

// Word lists in the order tried at each position: a longer word that begins like a shorter one first.
constexpr Word kProfileWords[] = {{"FAST", 1}, {"NORM", 2}, {"GOOD", 2}, {"BEST", 4}};
constexpr Word kAspectWords[] = {{"1:1", 1},  {"3:4", 2},    {"4:3", 2},    {"9:16", 3},
                                 {"16:9", 3}, {"1:2.21", 4}, {"2.21:1", 4}, {"2:21", 4}};
constexpr Word kCpuWords[] = {{"AUTO", 0}, {"MMX", 1}, {"SSE2", 2}, {"SSE3", 3}, {"SSSE3", 4}};
constexpr Word kScanWords[] = {{"ZIGZAG", 0}, {"ALT", 1}};
constexpr Word kMatrixWords[] = {{"MPEGSTD", 16}, {"MPEG", 1},      {"QLB", 2},     {"NOTCH", 3},
                                 {"MIVOLOW", 12}, {"MIVO", 4},      {"DELM1", 5},   {"KORVA1CD", 6},
                                 {"HVSGOOD", 7},  {"HVSBETTER", 8}, {"HVSBEST", 9}, {"AVAMAT6", 10},
                                 {"AVAMAT7", 11}, {"RUX1", 13},     {"RUX2", 14},   {"RUX3", 15}};
constexpr Word kChromaWords[] = {{"420", 1}, {"422", 2}, {"4:2:0", 1}, {"4:2:2", 2}};
constexpr Word kPriorityWords[] = {{"IDLE", 0}, {"LOW", 1}, {"NORMAL", 2}, {"HIGH", 3}};
constexpr Word kLevelWords[] = {{"MP@ML", 1}, {"MP@H-14", 2}, {"MP@HL", 3}};

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Columns from..to (counted from 1, inclusive) of a line; what lies beyond the line's end is blank.
std::string_view columns(std::string_view line, std::size_t from, std::size_t to) {
    if (from == 0 || from > line.size() || to < from) return {};
    return line.substr(from - 1, to - from + 1);
}

std::optional<int> findWord(std::string_view upperLine, std::size_t from, std::size_t to,
                            std::span<const Word> words) {
    const std::string_view region = columns(upperLine, from, to);
    for (std::size_t pos = 0; pos < region.size(); ++pos)
        for (const Word& w : words)
            if (region.substr(pos).starts_with(w.text)) return w.value;
    return std::nullopt;
}

enum class InputStatus { None, Accepted, FilesMissing, VersionMismatch };

bool endsWithInputExtension(const std::string& name, SourceState& source) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& ch : tail)
        ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    source.isAvisynthScript = tail == ".avs";
    source.isD2vProject = tail == ".d2v";
    return source.isAvisynthScript || source.isD2vProject;
}

bool regularFileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

class IniReader {
  public:
    IniReader(SettingsContext& ctx, IniMode mode) : ctx_(ctx), s_(ctx.settings), mode_(mode) {}

    void run(std::string_view text);

  private:
    bool handle(Keyword keyword, int from, std::string_view line, std::string_view upperLine,
                ff::TextLines& lines);
    bool readName(std::string_view line, int from, std::string& into);
    void checkInput(const std::string& name);
    bool ints(std::string_view line, int from, std::span<int> out) {
        return ff::readInts(columns(line, static_cast<std::size_t>(from), kNumberEnd), out) ==
               ff::ReadStatus::Ok;
    }
    bool real(std::string_view line, int from, float& out) {
        return ff::readReal(columns(line, static_cast<std::size_t>(from), kNumberEnd), out) ==
               ff::ReadStatus::Ok;
    }
    bool readChapters(std::string_view line, int from, ff::TextLines& lines);
    bool readZones(std::string_view line, int from, ff::TextLines& lines);
    bool readPanScan(std::string_view line, int from, ff::TextLines& lines);
    bool readCustomMatrix(ff::TextLines& lines);
    void fail();
    bool exists(const std::string& path) const {
        return ctx_.hooks.fileExists ? ctx_.hooks.fileExists(path) : regularFileExists(path);
    }

    SettingsContext& ctx_;
    Settings& s_;
    IniMode mode_;
    bool inputExists_ = false;
    InputStatus inputStatus_ = InputStatus::None;
    std::string_view errorKeyword_;

    // The record as the load found it, to go back to when the file turns out broken.
    struct Saved {
        EncoderOptions options;
        int startFrame, endFrame;
        bool avsReload;
        std::string dbPath, llPath;
        int zoneCount;
        std::vector<int> zoneFrames;
        std::vector<float> zoneFactors;
        MatrixValues customIntra, customNonIntra;
    };
    std::optional<Saved> saved_;
};

void IniReader::fail() {
    s_.seen.clearAll();
    // What the file set before the error goes too: the writer and the listing read some record fields
    // directly (colour, lists, pan-scan switch), so a save after a failed load would write them.
    if (saved_) {
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
    }
    s_.inputFile.clear();
    s_.outputFile.clear();
    s_.logFile.clear();
    s_.clearChapters();
    s_.clearPanScan();
    // Nothing of a file that did not load is used: its input must not be opened either.
    ctx_.source.isAvisynthScript = false;
    ctx_.source.isD2vProject = false;
    std::string part = errorKeyword_.empty() ? std::string() : ": " + std::string(errorKeyword_);
    part.resize(kKeywordPartLength, ' ');
    ctx_.status.show(" error processing ini file:" + part);
}

bool IniReader::readName(std::string_view line, int from, std::string& into) {
    const std::string_view field = columns(line, static_cast<std::size_t>(from), kLongestLine);
    const std::size_t first = field.find_first_not_of(' ');
    if (first == std::string_view::npos || first >= kNameStartLimit) return false;
    into = std::string(trimmedRight(field.substr(first, kNameCapacity)));
    return true;
}

void IniReader::checkInput(const std::string& name) {
    SourceState& src = ctx_.source;
    if (!exists(name)) {
        inputExists_ = false;
        // An input already accepted stays the input, under its own name.
        if (!s_.seen.test(Keyword::InFile)) s_.inputFile = name;
        return;
    }
    inputExists_ = true;
    s_.inputFile = name;
    IniInputOutcome outcome;
    if (ctx_.hooks.classifyIniInput) {
        outcome = ctx_.hooks.classifyIniInput(s_.inputFile);
    } else {
        outcome = endsWithInputExtension(s_.inputFile, src) ? IniInputOutcome::Accepted
                                                            : IniInputOutcome::NotAnInput;
    }
    if (outcome == IniInputOutcome::Accepted) {
        s_.seen.set(Keyword::InFile, true);
        inputStatus_ = InputStatus::Accepted;
        return;
    }
    s_.inputFile.clear();
    s_.seen.set(Keyword::InFile, false);
    src.sourceReady = false;
    ctx_.controls.setText(PageId::Main, ids::main::inputFileButton, labels::inputNotSet);
    inputStatus_ = outcome == IniInputOutcome::FilesMissing      ? InputStatus::FilesMissing
                   : outcome == IniInputOutcome::VersionMismatch ? InputStatus::VersionMismatch
                                                                 : InputStatus::None;
}

bool IniReader::readChapters(std::string_view line, int from, ff::TextLines& lines) {
    int n = 0;
    if (!ints(line, from, std::span<int>(&n, 1))) return false;
    n = std::min(n, kChapterCapacity);
    const int previous = s_.chapterCount;
    if (n < 1) {
        lines.next(); // the list read takes its line even when it is empty
        n = 0;
    } else {
        ff::ListRead list(lines, kLineLength);
        for (int i = 0; i < n; ++i) {
            if (list.nextInt(s_.chapterFrames[static_cast<std::size_t>(i)]) != ff::ReadStatus::Ok) {
                // Entries up to i may hold values now: the clear must reach them.
                s_.chapterCount = std::max(previous, i + 1);
                s_.clearChapters();
                return false;
            }
        }
    }
    for (int i = n; i < previous; ++i)
        s_.chapterFrames[static_cast<std::size_t>(i)] = 0;
    s_.chapterCount = n;
    return true;
}

bool IniReader::readZones(std::string_view line, int from, ff::TextLines& lines) {
    int n = 0;
    if (!ints(line, from, std::span<int>(&n, 1))) return false;
    n = std::min(n, kZoneCapacity);
    // The zones of the file replace the current ones only once they were all read: a broken list
    // must not leave the zones set before the load half overwritten.
    std::array<int, kZoneCapacity> frames{};
    std::array<float, kZoneCapacity> factors{};
    if (n < 1) {
        lines.next();
        n = 0;
    } else {
        ff::ListRead list(lines, kLineLength);
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            if (list.nextInt(frames[i]) != ff::ReadStatus::Ok ||
                list.nextReal(factors[i]) != ff::ReadStatus::Ok)
                return false;
        }
    }
    const int previous = s_.zoneCount;
    std::copy_n(frames.begin(), n, s_.zoneFrames.begin());
    std::copy_n(factors.begin(), n, s_.zoneFactors.begin());
    for (int i = n; i < previous; ++i)
        s_.zoneFrames[static_cast<std::size_t>(i)] = 0;
    s_.zoneCount = n;
    return true;
}

bool IniReader::readPanScan(std::string_view line, int from, ff::TextLines& lines) {
    std::array<int, 3> head{};
    if (!ints(line, from, head)) return false;
    const int n = std::max(head[2], 0);
    const int previous = s_.panScanCount;
    for (int i = 0; i < n; ++i) {
        // Each position is a read of its own, so each starts on a new line.
        ff::ListRead item(lines, kLineLength);
        int frame = 0, offset = 0;
        float vertical = 0.0f;
        if (item.nextInt(frame) != ff::ReadStatus::Ok || item.nextInt(offset) != ff::ReadStatus::Ok ||
            item.nextReal(vertical) != ff::ReadStatus::Ok) {
            s_.clearPanScan();
            return false;
        }
        // Positions beyond the list's capacity are read (so reading goes on at the right line) and dropped.
        if (i < kPanScanCapacity) {
            s_.panScanFrames[static_cast<std::size_t>(i)] = frame;
            s_.panScanOffsets[static_cast<std::size_t>(i)] = offset;
        }
    }
    const int kept = std::min(n, kPanScanCapacity);
    for (int i = kept; i < previous; ++i) {
        s_.panScanFrames[static_cast<std::size_t>(i)] = 0;
        s_.panScanOffsets[static_cast<std::size_t>(i)] = 0;
    }
    s_.panScanWidth = head[0];
    s_.panScanHeight = head[1];
    s_.panScanCount = kept;
    s_.panScanOn = true;
    s_.aspectRatio = 5;
    return true;
}

bool IniReader::readCustomMatrix(ff::TextLines& lines) {
    MatrixValues intra{}, nonIntra{};
    for (MatrixValues* m : {&intra, &nonIntra}) {
        ff::ListRead list(lines,
                          kLineLength); // the second matrix starts on the line after the first one ended
        for (int& v : *m)
            if (list.nextInt(v) != ff::ReadStatus::Ok) return false;
    }
    s_.customIntraMatrix = intra;
    s_.customNonIntraMatrix = nonIntra;
    return true;
}

bool IniReader::handle(Keyword k, int from, std::string_view line, std::string_view up,
                       ff::TextLines& lines) {
    Settings& s = s_;
    auto mark = [&s, k] { s.seen.set(k, true); };
    auto oneInt = [this, &line, from](int& v) { return ints(line, from, std::span<int>(&v, 1)); };
    auto word = [&up, from](std::span<const Word> words, std::size_t to = kWordEnd) {
        return findWord(up, static_cast<std::size_t>(from), to, words);
    };
    // A keyword with a numeric value names itself in the error message before it reads.
    errorKeyword_ = keywordName(k);

    switch (k) {
    // --- names ---
    case Keyword::InFile: {
        std::string name;
        if (readName(line, from, name)) checkInput(name);
        return true;
    }
    case Keyword::OutFile:
        if (readName(line, from, s.outputFile)) mark();
        return true;
    case Keyword::LogFile:
        if (readName(line, from, s.logFile)) mark();
        return true;
    case Keyword::DbPath:
        if (readName(line, from, s.dbPath)) mark();
        return true;
    case Keyword::LlPath:
        if (readName(line, from, s.llPath)) mark();
        return true;

    // --- flags ---
    case Keyword::OnePass:
        s.onePass = true;
        break;
    case Keyword::Preview:
        s.preview = true;
        break;
    case Keyword::LastIFrame:
        s.lastIFrame = true;
        break;
    case Keyword::AdaptiveMatrix:
        s.adaptiveMatrix = true;
        break;
    case Keyword::Pulldown:
        s.pulldown = true;
        break;
    case Keyword::ClosedGops:
        s.closedGops = true;
        break;
    case Keyword::NoVbv:
        s.vbvCheck = false;
        break;
    case Keyword::NoScd:
        s.sceneChange = false;
        break;
    case Keyword::Tff:
        s.fieldOrder = FieldOrder::TopFirst;
        break;
    case Keyword::Bff:
        s.fieldOrder = FieldOrder::BottomFirst;
        break;
    case Keyword::NoSeqEndcode:
        s.writeSeqEndcode = false;
        break;
    case Keyword::Shutdown:
        s.shutdown = true;
        break;
    case Keyword::Silent:
        s.silent = true;
        break;
    case Keyword::ScdFile:
        s.scdFile = true;
        break;
    case Keyword::AvsReload:
        s.avsReload = true;
        break;
    case Keyword::B3:
        s.allow3BFrames = true;
        s.maxConsecutiveB = 3;
        break;
    case Keyword::Progressive:
        s.interlaceMode = InterlaceMode::Progressive;
        break;
    case Keyword::Interlaced:
        s.interlaceMode = InterlaceMode::Interlaced;
        break;
    case Keyword::DvSource:
        s.interlaceMode = InterlaceMode::DvSource;
        break;
    case Keyword::FrameLog:
        s.frameLog = true;
        break;
    case Keyword::NoSmp:
        s.smp = false;
        break;
    case Keyword::Lossless:
        s.useLossless = true;
        break;

    // --- words: a line without any of its words has no effect ---
    case Keyword::Profile:
        if (auto v = word(kProfileWords)) s.profile = *v, mark();
        return true;
    case Keyword::Aspect:
        if (auto v = word(kAspectWords)) s.aspectRatio = *v, mark();
        return true;
    case Keyword::Cpu:
        if (auto v = word(kCpuWords)) s.cpuMode = *v, mark();
        return true;
    case Keyword::ScanMethod:
        if (word(kScanWords)) mark();
        return true;
    case Keyword::Matrix:
        s.matrixChoice = 1;
        if (auto v = word(kMatrixWords)) s.matrixChoice = *v, mark();
        return true;
    case Keyword::ChromaFormat:
        if (auto v = word(kChromaWords, 85)) s.chromaFormat = *v, mark();
        return true;
    case Keyword::Priority:
        s.priority = 0;
        if (auto v = word(kPriorityWords)) s.priority = *v, mark();
        return true;
    case Keyword::MpegLevel:
        s.mpegLevel = 0;
        if (auto v = word(kLevelWords, 80)) s.mpegLevel = *v, mark();
        return true;

    // --- numbers ---
    case Keyword::Frames: {
        std::array<int, 2> v{};
        if (!ints(line, from, v)) return false;
        s.startFrame = v[0];
        s.endFrame = v[1];
        break;
    }
    case Keyword::Cq:
        if (!real(line, from, s.cqValue)) return false;
        break;
    case Keyword::CqMaxBitrate:
        if (!real(line, from, s.cqMaxBitrateValue)) return false;
        break;
    case Keyword::CqPFactor:
        if (!real(line, from, s.cqPFactor)) return false;
        break;
    case Keyword::CqBFactor:
        if (!real(line, from, s.cqBFactor)) return false;
        break;
    case Keyword::Bitrate:
        if (!oneInt(s.bitrate)) return false;
        break;
    case Keyword::MaxBitrate:
        if (!oneInt(s.maxBitrate)) return false;
        break;
    case Keyword::Gop: {
        std::array<int, 2> v{};
        if (!ints(line, from, v)) return false;
        s.gopLength = v[0];
        s.bFrames = v[1];
        s.autoGop = false;
        break;
    }
    case Keyword::DcPrec:
        if (!oneInt(s.dcPrecision)) return false;
        break;
    case Keyword::Timecode: {
        std::array<int, 4> v{};
        if (!ints(line, from, v)) return false;
        s.timecodeHour = std::clamp(v[0], 0, 23);
        s.timecodeMinute = std::clamp(v[1], 0, 59);
        s.timecodeSecond = std::clamp(v[2], 0, 59);
        s.timecodeFrame = std::clamp(v[3], 0, 59);
        break;
    }
    case Keyword::Bias: {
        int v = 0;
        if (!oneInt(v)) return false;
        s.vbrBias = std::clamp(v, 0, 100);
        break;
    }
    case Keyword::MaskShift: {
        std::array<int, 3> v{};
        if (!ints(line, from, v)) return false;
        auto lowerOdd = [](int x) { return x % 2 != 0 ? x - 1 : x; };
        s.maskTop = lowerOdd(std::max(v[0], 0));
        s.maskBottom = lowerOdd(std::max(v[1], 0));
        s.maskShift = lowerOdd(v[2]);
        break;
    }
    case Keyword::Wait: {
        int v = 0;
        if (!oneInt(v)) return false;
        s.waitSeconds = std::clamp(v, 0, 99);
        break;
    }
    case Keyword::AutoGop: {
        int v = 0;
        if (!oneInt(v)) return false;
        s.autoGopLength = std::clamp(v, 12, 18);
        break;
    }
    case Keyword::LumGain: {
        int v = 0;
        if (!oneInt(v)) return false;
        s.lumGain = std::clamp(v, 0, 4);
        break;
    }
    case Keyword::AvsMemory: {
        int v = 0;
        if (!oneInt(v)) return false;
        s.avsMemory = std::clamp(v, 0, 1024);
        break;
    }
    case Keyword::Colour: {
        int v = 0;
        if (!oneInt(v)) return false;
        v = std::clamp(v, 1, 7);
        if (v == 2 || v == 3) { // codes 2 and 3 are never stored
            s.colour = 0;
            return true;
        }
        s.colour = v;
        break;
    }
    case Keyword::Aq: {
        int v = 0;
        if (!oneInt(v)) return false;
        s.aqStrength = std::clamp(v, 0, 4);
        break;
    }
    case Keyword::IntraVlc:
        if (!oneInt(s.intraVlc)) return false;
        break;
    case Keyword::ChromaDownsample: {
        int v = 0;
        if (!oneInt(v)) return false;
        s.chromaDownsampling = std::clamp(v, 0, 1);
        break;
    }

    // --- lists ---
    case Keyword::Chapter:
        if (!readChapters(line, from, lines)) return false;
        break;
    case Keyword::Zone:
        if (!readZones(line, from, lines)) return false;
        break;
    case Keyword::PanScan:
        if (!readPanScan(line, from, lines)) return false;
        break;
    case Keyword::CustomMatrix:
        if (!readCustomMatrix(lines)) return false;
        break;
    }
    mark();
    return true;
}

void IniReader::run(std::string_view text) {
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
    // 5.
    s_.colour = 0;
    inputStatus_ = InputStatus::None;

    ff::TextLines lines(text, kLongestLine);
    std::array<char, kLineLength> upperBuffer{};
    while (const auto read = lines.next()) {
        // 7. Find the keyword in an upper-cased copy of the line.
        const std::string_view fullLine = *read;
        const std::string_view line = fullLine.substr(0, kLineLength);
        errorKeyword_ = {};
        if (line.empty() || line.front() != '*') continue;
        std::transform(line.begin(), line.end(), upperBuffer.begin(), upper);
        const std::string_view up(upperBuffer.data(), line.size());
        const KeywordSpec* found = nullptr;
        for (const KeywordSpec& spec : kSpecs) {
            const std::string_view name = keywordName(spec.keyword);
            if (!up.starts_with(name)) continue;
            // "*CQ" is a keyword of its own only when a blank follows it (else it begins *CQ_...).
            if (spec.keyword == Keyword::Cq && up.size() > 3 && up[3] != ' ') continue;
            found = &spec;
            break;
        }
        if (!found) continue;
        // 8.
        if (!handle(found->keyword, found->from, fullLine, up, lines)) {
            fail();
            return;
        }
    }

    // The writer leaves *AQ out for strength 0, so a file without it asks for no adaptive quantisation,
    // not for the reset's 2: otherwise a saved strength of 0 would come back as 2.
    if (!s_.seen.test(Keyword::Aq)) {
        s_.aqStrength = 0;
        s_.seen.set(Keyword::Aq);
    }

    // 9. to 11.
    ctx_.status.show(mode_ == IniMode::Default ? " Mivo.ini successfully processed"
                                               : " USER ini file successfully processed");
    if (inputStatus_ == InputStatus::FilesMissing || inputStatus_ == InputStatus::VersionMismatch) {
        ctx_.status.append(inputStatus_ == InputStatus::FilesMissing
                               ? ", ERROR, invalid D2V project, can't find the VOB/MPEG files"
                               : ", ERROR, invalid D2V project, DGIndex/DGDecode mismatch");
        if (ctx_.hooks.showMovieInfo) ctx_.hooks.showMovieInfo();
        if (ctx_.hooks.showFileLength) ctx_.hooks.showFileLength();
    }
    if (!inputExists_) ctx_.status.append(", WARNING, input file not found");
}

// Steps 1 to 3: a clean record before anything is read.
void prepare(SettingsContext& ctx) {
    Settings& s = ctx.settings;
    s.inputFile.clear();
    s.outputFile.clear();
    s.logFile.clear();
    s.seen.clearAll();
    ctx.source.dgdecodeLoaded = false;
    s.panScanOn = false;
    s.onePass = false;
    resetToDefaults(ctx);
    s.clearChapters();
    if (ctx.hooks.chaptersCleared) ctx.hooks.chaptersCleared();
    s.clearPanScan();
    if (ctx.hooks.panScanCleared) ctx.hooks.panScanCleared();
}

} // namespace

void readIniText(SettingsContext& ctx, IniMode mode, std::string_view text) {
    prepare(ctx);
    IniReader(ctx, mode).run(text);
}

void readIniFile(SettingsContext& ctx, IniMode mode, const std::string& path) {
    prepare(ctx);
    const bool exists = ctx.hooks.fileExists ? ctx.hooks.fileExists(path) : regularFileExists(path);
    if (mode == IniMode::Default && !exists) {
        ctx.status.show(" Mivo.ini not found, using default GUI settings");
        return;
    }
    std::ifstream in;
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) in.open(path, std::ios::binary);
    if (!in.is_open()) {
        ctx.settings.seen.clearAll();
        ctx.status.show(" error openening ini file");
        return;
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
        ctx.settings.seen.clearAll();
        ctx.source.isAvisynthScript = false;
        ctx.source.isD2vProject = false;
        ctx.status.show(" error processing ini file:");
        return;
    }
    IniReader(ctx, mode).run(text);
}

} // namespace mivo
