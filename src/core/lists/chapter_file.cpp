#include "core/lists/chapter_file.h"

#include "base/fixed_format.h"
#include "base/whole_file.h"
#include "core/free_format.h"
#include "core/lists/chapter_list.h"
#include "core/lists/chapter_times.h"
#include "core/lists/list_messages.h"

#include <charconv>

namespace mivo::lists {

namespace msg = list_messages;

namespace {

constexpr std::size_t kHeadLength = 80; // of the first line, what tells the form
constexpr std::size_t kWordLength = 80; // of an XML line, the first word's longest
constexpr std::string_view kFrameTag = "<framenum>";
constexpr std::size_t kTagValueLength = 10; // the characters after the tag that hold the value
constexpr std::string_view kBlockKeyword = "*CHAPTER";
constexpr std::size_t kBlockCountGap = 10;

// Frames go straight into the record, the count always covering what was written, so a clear after a
// read error reaches every entry.
class ChapterSink {
  public:
    explicit ChapterSink(Settings& s) : s_(s) {}
    void add(int frame) {
        if (s_.chapterCount >= kChapterCapacity) {
            capped_ = true;
            return;
        }
        s_.chapterFrames[static_cast<std::size_t>(s_.chapterCount++)] = frame;
    }
    void cap() { capped_ = true; }
    bool capped() const { return capped_; }

  private:
    Settings& s_;
    bool capped_ = false;
};

bool isWordEnd(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '/';
}

std::string_view firstWord(std::string_view line) {
    std::size_t start = 0;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    std::size_t end = start;
    while (end < line.size() && end - start < kWordLength && !isWordEnd(line[end]))
        ++end;
    return line.substr(start, end - start);
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Each line's first value; the rest of a line and empty lines are passed over.
bool readPlain(std::string_view text, ChapterSink& sink) {
    ff::TextLines lines(text, std::string_view::npos);
    for (bool first = true;; first = false) {
        ff::ListRead read(lines);
        int frame = 0;
        switch (read.nextInt(frame)) {
        case ff::ReadStatus::Ok:
            sink.add(frame);
            break;
        case ff::ReadStatus::Missing:
            return !first; // a file without a single value does not read
        case ff::ReadStatus::Invalid:
            return false;
        }
    }
}

// The count after the keyword, then that many values over as many lines as they take.
bool readBlock(std::string_view head, ff::TextLines& lines, ChapterSink& sink) {
    int n = 0;
    if (ff::readInt(head.substr(kBlockKeyword.size()), n) != ff::ReadStatus::Ok) return false;
    if (n > kChapterCapacity) {
        sink.cap();
        n = kChapterCapacity;
    }
    ff::ListRead list(lines);
    for (int i = 0; i < n; ++i) {
        int frame = 0;
        if (list.nextInt(frame) != ff::ReadStatus::Ok) return false;
        sink.add(frame);
    }
    return true;
}

// Only lines whose first word opens with the frame tag count; the value is what stands before the last
// "<" within the ten characters after the tag.
bool readXml(ff::TextLines& lines, ChapterSink& sink) {
    while (const auto line = lines.next()) {
        const std::string_view word = firstWord(*line);
        if (!word.starts_with(kFrameTag)) continue;
        const std::string_view after = word.substr(kFrameTag.size(), kTagValueLength);
        const std::size_t close = after.rfind('<');
        int frame = 0;
        if (close == std::string_view::npos || close == 0 ||
            ff::readInt(after.substr(0, close), frame) != ff::ReadStatus::Ok)
            return false;
        if (frame < kChapterCapacity) sink.add(frame);
    }
    return true;
}

bool readNamedTimes(std::string_view text, double frameRate, ChapterSink& sink) {
    ff::TextLines lines(text, std::string_view::npos);
    while (const auto line = lines.next()) {
        std::string_view time;
        switch (classifyNamedTimeLine(*line, time)) {
        case NamedTimeLine::Name:
            break;
        case NamedTimeLine::Time: {
            const auto frame = frameAtTime(time, frameRate);
            if (!frame) return false;
            sink.add(*frame);
            break;
        }
        case NamedTimeLine::Other:
            if (!trimmed(*line).empty()) return false;
            break;
        }
    }
    return true;
}

// One time a line, or a comma-separated run of them, in the line's first blank-free word; the rest of
// the line (a title, say) is passed over.
bool readTimes(std::string_view text, double frameRate, ChapterSink& sink) {
    ff::TextLines lines(text, std::string_view::npos);
    while (const auto line = lines.next()) {
        std::string_view word = trimmed(*line);
        word = word.substr(0, word.find_first_of(" \t"));
        if (word.empty()) continue;
        for (std::size_t start = 0;;) {
            const std::size_t comma = word.find(',', start);
            const auto frame = frameAtTime(word.substr(start, comma - start), frameRate);
            if (!frame) return false;
            sink.add(*frame);
            if (comma == std::string_view::npos) break;
            start = comma + 1;
        }
    }
    return true;
}

bool readAnyForm(std::string_view text, double frameRate, ChapterSink& sink) {
    ff::TextLines lines(text, std::string_view::npos);
    const std::string_view firstLine = lines.next().value_or(std::string_view());
    std::string_view head = firstLine.substr(0, kHeadLength);
    head.remove_prefix(std::min(head.find_first_not_of(" \t"), head.size()));
    const std::string lower = lowerAscii(head);
    if (lower.starts_with("<?xml")) return readXml(lines, sink);
    if (lower.starts_with("*chapter")) return readBlock(head, lines, sink);
    std::string_view time;
    if (classifyNamedTimeLine(firstLine, time) != NamedTimeLine::Other)
        return readNamedTimes(text, frameRate, sink);
    ff::TokenScanner scanner(firstLine);
    if (const auto word = scanner.next(); word && looksLikeTime(*word))
        return readTimes(text, frameRate, sink);
    return readPlain(text, sink);
}

} // namespace

ListFileResult importChapterText(Settings& s, std::string_view text, const ChapterSource& source) {
    s.clearChapters();
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3); // an editor's UTF-8 mark
    ChapterSink sink(s);
    if (!readAnyForm(text, source.frameRate, sink)) {
        s.clearChapters();
        return {false, std::string(msg::kChapterFileUnreadable)};
    }
    std::string status = " " + std::to_string(s.chapterCount);
    status += msg::kChaptersRead;
    // The cap notice follows the count, where the user still sees it.
    if (sink.capped()) status += msg::kChaptersCapped;
    sortChapters(s);
    if (const int dropped = trimChapters(s, source.frameCount); dropped > 0) {
        status += msg::kChaptersOutOfRangeHead;
        status += std::to_string(dropped);
        status += msg::kChaptersOutOfRangeTail;
    }
    return {true, std::move(status)};
}

ListFileResult importChapterFile(Settings& s, const std::string& path, const ChapterSource& source) {
    std::string text;
    if (!readWholeFile(path, text)) return {false, std::string(msg::kChapterFileUnreadable)};
    return importChapterText(s, text, source);
}

std::string chapterFileText(const Settings& s) {
    const int n = std::clamp(s.chapterCount, 0, kChapterCapacity);
    std::string out;
    out.reserve(32 + 10 * static_cast<std::size_t>(n));
    out += kBlockKeyword;
    out.append(kBlockCountGap, ' ');
    out += std::to_string(n);
    out += "\r\n";
    char digits[16];
    for (int i = 0; i < n; ++i) {
        out.append(
            digits,
            std::to_chars(digits, digits + sizeof digits, s.chapterFrames[static_cast<std::size_t>(i)]).ptr);
        out += "\r\n";
    }
    return out;
}

std::string chapterTimesText(const Settings& s, double frameRate) {
    const int n = std::clamp(s.chapterCount, 0, kChapterCapacity);
    std::string out;
    for (int i = 0; i < n; ++i) {
        const std::string time = timeAtFrame(s.chapterFrames[static_cast<std::size_t>(i)], frameRate);
        if (time.empty()) return {};
        if (i > 0) out += ',';
        out += time;
    }
    if (!out.empty()) out += "\r\n";
    return out;
}

bool isChapterTimesFileName(std::string_view path) {
    constexpr std::string_view kExtension = ".dvdauthor";
    return path.size() >= kExtension.size() &&
           lowerAscii(path.substr(path.size() - kExtension.size())) == kExtension;
}

ListFileResult exportChapterFile(const Settings& s, const std::string& path, double frameRate) {
    if (s.chapterCount < 1) return {false, std::string(msg::kNoChapters)};
    std::string text;
    if (isChapterTimesFileName(path)) {
        text = chapterTimesText(s, frameRate);
        if (text.empty()) return {false, std::string(msg::kChapterTimesNeedSource)};
    } else {
        text = chapterFileText(s);
    }
    WriteFailure failure = WriteFailure::None;
    if (writeWholeFile(path, text, &failure)) return {true, std::string(msg::kChapterFileWritten)};
    return {false,
            std::string(writeFailure(failure, msg::kChapterFileNotOpened, msg::kChapterFileNotWritten))};
}

} // namespace mivo::lists
