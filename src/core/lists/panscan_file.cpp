#include "core/lists/panscan_file.h"

#include "base/whole_file.h"
#include "core/free_format.h"
#include "core/lists/list_columns.h"
#include "core/lists/list_messages.h"
#include "core/lists/panscan_list.h"

namespace mivo::lists {

namespace msg = list_messages;

namespace {

constexpr int kFrameColumn = 8;
constexpr int kOffsetColumn = 8;
constexpr std::string_view kVerticalColumn = "  0";

enum class Entry { Read, End, Broken };

// Each position starts on a line of its own and takes its three values from as many lines as needed.
Entry readEntry(ff::TextLines& lines, int& frame, int& offset) {
    ff::ListRead read(lines);
    int vertical = 0;
    const ff::ReadStatus first = read.nextInt(frame);
    if (first == ff::ReadStatus::Missing) return Entry::End;
    if (first != ff::ReadStatus::Ok) return Entry::Broken;
    // A file that ends inside a position is cut short: it does not read.
    if (read.nextInt(offset) != ff::ReadStatus::Ok || read.nextInt(vertical) != ff::ReadStatus::Ok)
        return Entry::Broken;
    return Entry::Read;
}

} // namespace

ListFileResult importPanScanText(Settings& s, std::string_view text, int sourceWidth) {
    s.clearPanScan();
    ff::TextLines lines(text, std::string_view::npos);
    bool capped = false;
    for (;;) {
        int frame = 0, offset = 0;
        const Entry entry = readEntry(lines, frame, offset);
        if (entry == Entry::End) break;
        if (entry == Entry::Broken) {
            s.clearPanScan();
            return {false, std::string(msg::kPanScanFileUnreadable)};
        }
        if (s.panScanCount >= kPanScanCapacity) {
            capped = true;
            continue;
        }
        const auto i = static_cast<std::size_t>(s.panScanCount++);
        s.panScanFrames[i] = frame;
        s.panScanOffsets[i] = limitOffset(offset, sourceWidth);
    }
    std::string status(msg::kPanScanFileRead);
    if (capped) status += msg::kPanScanCapped;
    return {true, std::move(status)};
}

ListFileResult importPanScanFile(Settings& s, const std::string& path, int sourceWidth) {
    std::string text;
    if (!readWholeFile(path, text)) return {false, std::string(msg::kPanScanFileUnreadable)};
    return importPanScanText(s, text, sourceWidth);
}

std::string panScanFileText(const Settings& s) {
    const auto n = static_cast<std::size_t>(std::clamp(s.panScanCount, 0, kPanScanCapacity));
    std::string out;
    out.reserve(21 * n);
    for (std::size_t i = 0; i < n; ++i) {
        appendAligned(out, s.panScanFrames[i], kFrameColumn);
        // An offset that fills its whole column would run into the frame: a blank keeps them apart.
        const std::size_t before = out.size();
        appendAligned(out, s.panScanOffsets[i], kOffsetColumn);
        if (out[before] != ' ') out.insert(before, 1, ' ');
        out += kVerticalColumn;
        out += "\r\n";
    }
    return out;
}

ListFileResult exportPanScanFile(const Settings& s, const std::string& path) {
    if (s.panScanCount < 1) return {false, std::string(msg::kNoPanScan)};
    WriteFailure failure = WriteFailure::None;
    if (writeWholeFile(path, panScanFileText(s), &failure))
        return {true, std::string(msg::kPanScanFileWritten)};
    return {false,
            std::string(writeFailure(failure, msg::kPanScanFileNotOpened, msg::kPanScanFileNotWritten))};
}

} // namespace mivo::lists
