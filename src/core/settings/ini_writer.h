#pragma once
// One rendering of the ini lines, as the keyword rows' writing hooks see it: the record, the page
// values, and the line forms of the file.

#include "core/settings/ini_codec.h"
#include "core/settings/keyword_table.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mivo {

// The lists whose item lines a listing may leave out of its text, to format each one when it is shown.
enum class ListItems { Chapters, Zones, PanScan };

// Item lines left out: `count` lines of `list` belong where the text reached `offset`.
struct DeferredItems {
    ListItems list;
    std::size_t offset;
    int count;
};

class IniWriter {
  public:
    // With `deferred`, the item lines of the three lists are not written but noted there.
    IniWriter(const Settings& settings, IniTarget target, std::string& out,
              std::vector<DeferredItems>* deferred = nullptr)
        : record(settings), values(settings.pageValues), target(target), out_(out), deferred_(deferred) {}

    const Settings& record;
    const PageValues& values;
    const IniTarget target;

    // The keyword left-justified in its 18-character field.
    void keyword(const KeywordRow& row);
    void end() { out_.append("\r\n"); }
    void flag(const KeywordRow& row);
    void value(const KeywordRow& row, std::string_view text);
    void value(const KeywordRow& row, long long number);
    // A file or folder name: cut short in the listing, and the longest one's length kept.
    void name(const KeywordRow& row, const std::string& text);
    void appendInt(long long number); // inline below: a list of 640000 chapters runs through it
    // `text` right-aligned to end `endColumn` characters after `lineStart`, at least one blank after what
    // the line already holds.
    void appendAligned(std::size_t lineStart, std::size_t endColumn, std::string_view text);
    std::string& out() { return out_; }
    std::size_t longestNameLine() const { return longestName_; }
    // True when the item lines are to be left out (and are now noted).
    bool deferItems(ListItems list, int count);

  private:
    std::string& out_;
    std::vector<DeferredItems>* deferred_;
    std::size_t longestName_ = 0;
};

inline std::string_view intText(std::array<char, 24>& buffer, long long number) {
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number);
    return std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
}

inline void IniWriter::appendInt(long long number) {
    std::array<char, 24> digits{};
    out_.append(intText(digits, number));
}

// `text` right-aligned to end `endColumn` characters after `lineStart` in `out`, at least one blank after
// what the line already holds.
void appendAtColumn(std::string& out, std::size_t lineStart, std::size_t endColumn, std::string_view text);

// formatIni, with the lists' item lines noted in `deferred` instead of written when it is given.
IniRender formatIniLines(const Settings& settings, IniTarget target, std::string& out,
                         std::vector<DeferredItems>* deferred);

} // namespace mivo
