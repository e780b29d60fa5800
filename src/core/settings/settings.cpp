#include "core/settings/settings.h"

#include "core/settings/keyword_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mivo {

namespace {} // namespace

const std::array<float, 32> kQuantFactors = {
    0.50f, 0.60f, 0.70f, 0.75f, 0.80f, 0.85f, 0.90f, 0.95f, //
    1.00f, 1.05f, 1.10f, 1.15f, 1.20f, 1.25f, 1.30f, 1.40f, //
    1.50f, 1.60f, 1.70f, 1.80f, 1.90f, 2.00f, 2.20f, 2.40f, //
    2.60f, 2.80f, 3.00f, 3.20f, 3.40f, 3.60f, 3.80f, 4.00f, //
};

bool* KeywordSeen::shared(std::size_t slot) const {
    const KeywordRow* row = keywordRowAt(slot);
    return row && row->sharedSeen ? &(source_->*row->sharedSeen) : nullptr;
}

bool KeywordSeen::test(std::size_t slot) const {
    if (slot >= kKeywordSlots) return false;
    if (const bool* flag = shared(slot)) return *flag;
    return own_.test(slot);
}

bool KeywordSeen::test(Keyword keyword) const {
    return test(static_cast<std::size_t>(keyword));
}

void KeywordSeen::set(Keyword keyword, bool on) {
    const auto slot = static_cast<std::size_t>(keyword);
    if (slot >= kKeywordSlots) return;
    if (bool* flag = shared(slot))
        *flag = on;
    else
        own_.set(slot, on);
}

void KeywordSeen::clearAll() {
    own_.reset();
    for (const KeywordRow& row : keywordTable())
        if (row.sharedSeen) source_->*row.sharedSeen = false;
}

std::size_t KeywordSeen::count() const {
    std::size_t n = 0;
    for (std::size_t slot = 0; slot < kKeywordSlots; ++slot)
        n += test(slot) ? 1 : 0;
    return n;
}

Settings::Settings(SourceState& source)
    : seen(source), chapterFrames(kChapterCapacity), zoneFrames(kZoneCapacity, 0),
      zoneFactors(kZoneCapacity, 0.0f), panScanFrames(kPanScanCapacity, 0),
      panScanOffsets(kPanScanCapacity, 0) {}

namespace {
template <class T> void zeroAll(std::vector<T>& v) {
    std::memset(v.data(), 0, v.size() * sizeof(T));
}
} // namespace

void Settings::setStartUpValues() {
    static_cast<EncoderOptions&>(*this) = EncoderOptions{};
    seen.clearAll();
    inputFile.clear();
    outputFile.clear();
    logFile.clear();
    dbPath.clear();
    llPath.clear();
    dvdFolder.clear();
    dvdIso.clear();
    audioFile.clear();
    startFrame = -1;
    endFrame = -1;
    encodeFrameCount = 0;
    fileLengthKb = 0;
    avsReload = false;
    customIntraMatrix = kDefaultIntraMatrix;
    customNonIntraMatrix = kDefaultNonIntraMatrix;
    clearChapters();
    clearZones();
    zeroAll(zoneFactors);
    panScanWidth = 0;
    panScanHeight = 0;
    clearPanScan();
    writeOk = true;
}

void Settings::clearChapters() {
    // Every writer keeps the entries past the count at zero, so only the used part needs clearing: the
    // list is cleared at start-up and before every ini load, and 640000 entries are 2.5 MB to touch.
    std::fill_n(chapterFrames.begin(), std::clamp(chapterCount, 0, kChapterCapacity), 0);
    chapterCount = 0;
}

void Settings::clearZones() {
    zeroAll(zoneFrames); // the factors keep their values; they are not part of an empty list
    zoneCount = 0;
}

void Settings::clearPanScan() {
    zeroAll(panScanFrames);
    zeroAll(panScanOffsets);
    panScanCount = 0;
}

int nearestFactorPosition(float factor) {
    // Work in hundredths: the table holds two-decimal values, so a value halfway between two entries
    // (1.125) is a tie that must go to the lower entry even though neither is exact in binary.
    const double hundredths = std::clamp(static_cast<double>(factor), 0.5, 4.0) * 100.0;
    int best = 0;
    double bestDistance = 1e9;
    for (std::size_t i = 0; i < kQuantFactors.size(); ++i) {
        const double entry = std::round(static_cast<double>(kQuantFactors[i]) * 100.0);
        const double distance = std::fabs(hundredths - entry);
        if (distance < bestDistance - 1e-3) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return best + 1;
}

} // namespace mivo
