// The ini writer: the record as the encoder reads it, each line as its row in the keyword table says,
// in the file's order or the listing's.

#include "core/settings/ini_writer.h"

#include <algorithm>

namespace mivo {

namespace {

constexpr std::size_t kKeywordField = 18;
constexpr std::size_t kListingNameLength = 127;

bool omitted(const KeywordRow& row, int value) {
    static const EncoderOptions kDefaults{};
    switch (row.omit) {
    case Omit::NotPositive:
        return value <= 0;
    case Omit::AtDefault:
        return value == kDefaults.*row.number;
    case Omit::Never:
        break;
    }
    return false;
}

// False when the row stopped the whole render.
bool writeRow(IniWriter& w, const KeywordRow& row) {
    if (row.when && !row.when(w, row)) return true;
    if (row.write) return row.write(w, row);
    switch (row.kind) {
    case ValueKind::Switch:
        if (row.flag.on && row.flag.on(w.values)) w.flag(row);
        break;
    case ValueKind::Number:
        if (!omitted(row, w.values.*row.number)) w.value(row, w.values.*row.number);
        break;
    case ValueKind::Words: {
        const int v = w.values.*row.number;
        const auto word = std::find_if(row.written.begin(), row.written.end(),
                                       [v](const IniWord& x) { return x.value == v; });
        if (word != row.written.end()) w.value(row, word->text);
        break;
    }
    case ValueKind::Name:
        w.name(row, w.record.*row.text);
        break;
    case ValueKind::List: // every list keyword writes through its own hook
        break;
    }
    return true;
}

} // namespace

// A value too wide for its columns moves right instead of running into its neighbour (and instead of
// turning into asterisks the reader could not take back).
void appendAtColumn(std::string& out, std::size_t lineStart, std::size_t endColumn, std::string_view text) {
    const std::size_t used = out.size() - lineStart;
    std::size_t pad = endColumn > used + text.size() ? endColumn - used - text.size() : 0;
    if (used > 0 && pad == 0) pad = 1;
    out.append(pad, ' ');
    out.append(text);
}

void IniWriter::appendAligned(std::size_t lineStart, std::size_t endColumn, std::string_view text) {
    appendAtColumn(out_, lineStart, endColumn, text);
}

bool IniWriter::deferItems(ListItems list, int count) {
    if (!deferred_) return false;
    deferred_->push_back({list, out_.size(), count});
    return true;
}

void IniWriter::keyword(const KeywordRow& row) {
    out_.append(row.name);
    out_.append(kKeywordField - std::min(row.name.size(), kKeywordField), ' ');
}

void IniWriter::flag(const KeywordRow& row) {
    out_.append(row.name);
    end();
}

void IniWriter::value(const KeywordRow& row, std::string_view text) {
    keyword(row);
    out_.append(text);
    end();
}

void IniWriter::value(const KeywordRow& row, long long number) {
    keyword(row);
    appendInt(number);
    end();
}

void IniWriter::name(const KeywordRow& row, const std::string& text) {
    if (text.empty()) return;
    const std::size_t start = out_.size();
    keyword(row);
    out_.append(target == IniTarget::Listing ? std::string_view(text).substr(0, kListingNameLength) : text);
    longestName_ = std::max(longestName_, out_.size() - start);
    end();
}

IniRender formatIni(const Settings& settings, IniTarget target, std::string& out) {
    return formatIniLines(settings, target, out, nullptr);
}

IniRender formatIniLines(const Settings& settings, IniTarget target, std::string& out,
                         std::vector<DeferredItems>* deferred) {
    IniWriter writing(settings, target, out, deferred);
    IniRender result;
    for (const KeywordRow* row : target == IniTarget::File ? fileOrder() : listingOrder()) {
        if (!writeRow(writing, *row)) {
            result.complete = false;
            break;
        }
    }
    result.longestNameLine = writing.longestNameLine();
    return result;
}

} // namespace mivo
