// The list keywords of the ini file: chapters, zones, pan-scan positions and the custom matrices, read
// from the lines after their keyword line and written as item lines in fixed columns.

#include "core/settings/ini_lists.h"

#include "base/fixed_format.h"

#include <algorithm>
#include <array>

namespace mivo {

namespace {
constexpr std::size_t kLineLength = IniReader::kLineLength;
} // namespace

bool readChapterList(IniReader& r, const IniLine& line) {
    Settings& s = r.settings();
    int n = 0;
    if (!r.integer(line, n)) return false;
    n = std::min(n, kChapterCapacity);
    const int previous = s.chapterCount;
    if (n < 1) {
        r.lines().next(); // the list read takes its line even when it is empty
        n = 0;
    } else {
        ff::ListRead list(r.lines(), kLineLength);
        for (int i = 0; i < n; ++i) {
            if (list.nextInt(s.chapterFrames[static_cast<std::size_t>(i)]) != ff::ReadStatus::Ok) {
                // Entries up to i may hold values now: the clear must reach them.
                s.chapterCount = std::max(previous, i + 1);
                s.clearChapters();
                return false;
            }
        }
    }
    for (int i = n; i < previous; ++i)
        s.chapterFrames[static_cast<std::size_t>(i)] = 0;
    s.chapterCount = n;
    r.markSeen(line);
    return true;
}

bool readZoneList(IniReader& r, const IniLine& line) {
    Settings& s = r.settings();
    int n = 0;
    if (!r.integer(line, n)) return false;
    n = std::min(n, kZoneCapacity);
    // The zones of the file replace the current ones only once they were all read: a broken list
    // must not leave the zones set before the load half overwritten.
    std::array<int, kZoneCapacity> frames{};
    std::array<float, kZoneCapacity> factors{};
    if (n < 1) {
        r.lines().next();
        n = 0;
    } else {
        ff::ListRead list(r.lines(), kLineLength);
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            if (list.nextInt(frames[i]) != ff::ReadStatus::Ok ||
                list.nextReal(factors[i]) != ff::ReadStatus::Ok)
                return false;
        }
    }
    const int previous = s.zoneCount;
    std::copy_n(frames.begin(), n, s.zoneFrames.begin());
    std::copy_n(factors.begin(), n, s.zoneFactors.begin());
    for (int i = n; i < previous; ++i)
        s.zoneFrames[static_cast<std::size_t>(i)] = 0;
    s.zoneCount = n;
    r.markSeen(line);
    return true;
}

bool readPanScanList(IniReader& r, const IniLine& line) {
    Settings& s = r.settings();
    std::array<int, 3> head{};
    if (!r.ints(line, head)) return false;
    const int n = std::max(head[2], 0);
    const int previous = s.panScanCount;
    for (int i = 0; i < n; ++i) {
        // Each position is a read of its own, so each starts on a new line.
        ff::ListRead item(r.lines(), kLineLength);
        int frame = 0, offset = 0;
        float vertical = 0.0f;
        if (item.nextInt(frame) != ff::ReadStatus::Ok || item.nextInt(offset) != ff::ReadStatus::Ok ||
            item.nextReal(vertical) != ff::ReadStatus::Ok) {
            s.clearPanScan();
            return false;
        }
        // Positions beyond the list's capacity are read (so reading goes on at the right line) and dropped.
        if (i < kPanScanCapacity) {
            s.panScanFrames[static_cast<std::size_t>(i)] = frame;
            s.panScanOffsets[static_cast<std::size_t>(i)] = offset;
        }
    }
    const int kept = std::min(n, kPanScanCapacity);
    for (int i = kept; i < previous; ++i) {
        s.panScanFrames[static_cast<std::size_t>(i)] = 0;
        s.panScanOffsets[static_cast<std::size_t>(i)] = 0;
    }
    s.panScanWidth = head[0];
    s.panScanHeight = head[1];
    s.panScanCount = kept;
    s.panScanOn = true;
    s.aspectRatio = 5;
    r.markSeen(line);
    return true;
}

// Two reads: the second matrix starts on the line after the one where the first ended.
bool readCustomMatrix(IniReader& r, const IniLine& line) {
    MatrixValues intra{}, nonIntra{};
    for (MatrixValues* m : {&intra, &nonIntra}) {
        ff::ListRead list(r.lines(), kLineLength);
        for (int& v : *m)
            if (list.nextInt(v) != ff::ReadStatus::Ok) return false;
    }
    r.settings().customIntraMatrix = intra;
    r.settings().customNonIntraMatrix = nonIntra;
    r.markSeen(line);
    return true;
}

// A zone line: the frame from column 1, the factor with one decimal ending in column 14.
void appendZoneItem(std::string& out, int frame, float factor) {
    std::array<char, 24> buffer{};
    const std::size_t start = out.size();
    out.append(intText(buffer, frame));
    appendAtColumn(out, start, 14, trimmed(fixedReal(factor, 48, 1)));
}

// A position line: the frame from column 1, the offset ending in column 14, and 0 in column 19.
void appendPanScanItem(std::string& out, int frame, int offset) {
    std::array<char, 24> buffer{};
    const std::size_t start = out.size();
    out.append(intText(buffer, frame));
    appendAtColumn(out, start, 14, intText(buffer, offset));
    appendAtColumn(out, start, 19, "0");
}

bool writeChapterList(IniWriter& w, const KeywordRow& row) {
    const Settings& s = w.record;
    const int n = std::clamp(s.chapterCount, 0, kChapterCapacity);
    if (n == 0) return true;
    w.value(row, n);
    if (w.deferItems(ListItems::Chapters, n)) return true;
    w.out().reserve(w.out().size() + static_cast<std::size_t>(n) * 9);
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
        appendChapterItem(w.out(), s.chapterFrames[i]);
        w.end();
    }
    return true;
}

bool writeZoneList(IniWriter& w, const KeywordRow& row) {
    const Settings& s = w.record;
    const int n = std::clamp(s.zoneCount, 0, kZoneCapacity);
    if (n == 0) return true;
    w.value(row, n);
    if (w.deferItems(ListItems::Zones, n)) return true;
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
        appendZoneItem(w.out(), s.zoneFrames[i], s.zoneFactors[i]);
        w.end();
    }
    return true;
}

bool writePanScanList(IniWriter& w, const KeywordRow& row) {
    const Settings& s = w.record;
    const int n = std::clamp(s.panScanCount, 0, kPanScanCapacity);
    w.keyword(row);
    w.appendInt(s.panScanWidth);
    w.out() += ' ';
    w.appendInt(s.panScanHeight);
    w.out() += ' ';
    w.appendInt(n);
    w.end();
    if (w.deferItems(ListItems::PanScan, n)) return true;
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
        appendPanScanItem(w.out(), s.panScanFrames[i], s.panScanOffsets[i]);
        w.end();
    }
    return true;
}

// The flag line, then each matrix as 8 lines of 8 values right-aligned in 4 characters, with an empty
// line between the two.
bool writeCustomMatrix(IniWriter& w, const KeywordRow& row) {
    const Settings& s = w.record;
    w.flag(row);
    std::array<char, 24> buffer{};
    for (const MatrixValues* mat : {&s.customIntraMatrix, &s.customNonIntraMatrix}) {
        if (mat == &s.customNonIntraMatrix) w.end();
        for (std::size_t r = 0; r < 8; ++r) {
            const std::size_t start = w.out().size();
            for (std::size_t col = 0; col < 8; ++col)
                w.appendAligned(start, 4 * (col + 1), intText(buffer, (*mat)[r * 8 + col]));
            w.end();
        }
    }
    return true;
}

} // namespace mivo
