#pragma once
// Random settings in the states the pages leave them: each option set the way its page's handler would
// (radios of a group, dependent controls enabled or disabled, numbers in their display format), the
// record fields the pages keep, and the lists.

#include "../../fuzz/ini_reader/ini_round_trip.h"

#include "base/fixed_format.h"

#include <algorithm>
#include <random>
#include <string>

namespace mivo::test {

class SettingsGenerator {
  public:
    explicit SettingsGenerator(unsigned seed) : rng_(seed) {}

    void fill(RoundTripWorld& w);

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool coin(int percent = 50) { return pick(1, 100) <= percent; }

    // A file name: printable characters, blanks inside but not at either end.
    std::string name(std::size_t minLength, std::size_t maxLength) {
        static const std::string chars = "abcXYZ019_-./ ~\\:()";
        std::string n(
            static_cast<std::size_t>(pick(static_cast<int>(minLength), static_cast<int>(maxLength))), 'a');
        for (char& c : n)
            c = chars[static_cast<std::size_t>(pick(0, static_cast<int>(chars.size()) - 1))];
        n.front() = '/';
        if (n.back() == ' ') n.back() = 'z';
        return n;
    }

  private:
    std::mt19937 rng_;
};

inline void SettingsGenerator::fill(RoundTripWorld& w) {
    using P = PageId;
    namespace m = ids::main;
    namespace s1 = ids::settings1;
    namespace s2 = ids::settings2;
    namespace s3 = ids::settings3;
    namespace mx = ids::matrix;
    w.restart();
    ControlModel& c = w.controls;
    Settings& s = *w.settings;
    SourceState& src = w.source;
    auto radio = [&c](P page, std::initializer_list<int> group, int index) {
        c.setChecked(page, *(group.begin() + index), true);
    };
    auto upDown = [&c](P page, int edit, int upDown, int value) {
        c.setText(page, edit, leftInt(value, 8));
        c.setPos(page, upDown, value);
    };

    // Files: an input of even length exists in the round-trip world; the long ones test the name rules.
    if (coin(70)) {
        std::string in = name(3, coin(10) ? 500 : 60);
        in += coin() ? ".d2v" : ".AVS";
        if (in.size() % 2) in.insert(1, "v");
        s.inputFile = in;
        src.inputAccepted = true;
        src.isD2vProject = in.ends_with(".d2v");
        src.isAvisynthScript = !src.isD2vProject;
    }
    if (coin(60)) {
        s.outputFile = name(1, coin(10) ? 512 : 80);
        src.outputChosen = true;
    }
    if (coin(40)) {
        s.logFile = name(1, 200);
        src.logChosen = true;
    }
    if (coin(40)) {
        s.dbPath = name(1, 150);
        if (coin(80)) c.setText(P::Settings3, s3::dbPathButton, "DB path set");
    }
    if (coin(40)) {
        s.llPath = name(1, 150);
        if (coin(80)) c.setText(P::Settings3, s3::losslessPathButton, "LL path set");
    }
    src.sourceReady = src.inputAccepted;
    src.width = src.sourceReady ? 720 : 0;
    src.height = src.sourceReady ? 576 : 0;
    if (src.sourceReady && coin(70)) {
        src.frameRangeGiven = true;
        s.startFrame = pick(0, 500);
        s.endFrame = pick(s.startFrame, 200000);
    }

    // Main page.
    s.bitrate = pick(1, 15000);
    s.maxBitrate = pick(s.bitrate, 20000);
    c.setText(P::Main, m::averageBitrateEdit, leftInt(s.bitrate));
    c.setText(P::Main, m::maxBitrateEdit, leftInt(s.maxBitrate));
    c.setChecked(P::Main, m::smpCheck, coin());
    radio(P::Main, {m::profileFastRadio, m::profileNormalRadio, m::profileBestRadio}, pick(0, 2));
    const int aspect = pick(0, src.sourceReady ? 4 : 3);
    radio(P::Main,
          {m::aspect1to1Radio, m::aspect4to3Radio, m::aspect16to9Radio, m::aspect221to1Radio,
           m::aspectPanScanRadio},
          aspect);
    s.panScanOn = aspect == 4;
    radio(P::Main, {m::dcPrecision8Radio, m::dcPrecision9Radio, m::dcPrecision10Radio, m::dcPrecision11Radio},
          pick(0, 3));
    c.setChecked(P::Main, m::sceneChangeCheck, coin(80));
    c.setChecked(P::Main, m::closedGopsCheck, coin(30));
    c.setChecked(P::Main, m::onePassVbrCheck, coin(30));
    const bool autoGop = coin(60);
    c.setChecked(P::Main, m::autoGopCheck, autoGop);
    for (int id : {m::autoGopLengthEdit, m::autoGopLengthUpDown})
        c.setEnabled(P::Main, id, autoGop);
    for (int id : {s1::gopLengthEdit, s1::gopLengthUpDown, s1::bFramesEdit, s1::bFramesUpDown})
        c.setEnabled(P::Settings1, id, !autoGop);
    upDown(P::Main, m::autoGopLengthEdit, m::autoGopLengthUpDown, pick(12, 18));

    // Settings 1: interlacing (pulldown locks it), GOP, constant quantisation, AQ.
    const bool pulldown = coin(20);
    c.setChecked(P::Main, m::pulldownCheck, pulldown);
    if (pulldown) {
        c.setChecked(P::Settings1, s1::progressiveRadio, true);
        c.setChecked(P::Settings1, s1::bffRadio, true);
        for (int id : {s1::autoDetectRadio, s1::progressiveRadio, s1::interlacedRadio, s1::dvSourceRadio,
                       s1::tffRadio, s1::bffRadio})
            c.setEnabled(P::Settings1, id, false);
    } else {
        const int mode = pick(0, 3);
        radio(P::Settings1,
              {s1::autoDetectRadio, s1::progressiveRadio, s1::interlacedRadio, s1::dvSourceRadio}, mode);
        const bool progressive = mode == 1;
        c.setChecked(P::Settings1, progressive || coin() ? s1::bffRadio : s1::tffRadio, true);
        c.setEnabled(P::Settings1, s1::tffRadio, !progressive);
        c.setEnabled(P::Settings1, s1::bffRadio, !progressive);
    }
    radio(P::Settings1, {s1::chromaProgressiveRadio, s1::chromaInterlacedRadio}, pick(0, 1));
    const bool threeB = coin(30);
    s.maxConsecutiveB = threeB ? 3 : 2;
    c.setChecked(P::Settings2, s2::allow3BFramesCheck, threeB);
    c.setRange(P::Settings1, s1::bFramesUpDown, 0, s.maxConsecutiveB);
    upDown(P::Settings1, s1::gopLengthEdit, s1::gopLengthUpDown, pick(1, 36));
    upDown(P::Settings1, s1::bFramesEdit, s1::bFramesUpDown, pick(0, s.maxConsecutiveB));
    const bool cq = coin(35);
    c.setChecked(P::Settings1, s1::constantQuantCheck, cq);
    for (int id : {s1::quantValueEdit, s1::checkVbvCheck, s1::pFactorEdit, s1::pFactorUpDown, s1::bFactorEdit,
                   s1::bFactorUpDown})
        c.setEnabled(P::Settings1, id, cq);
    c.setEnabled(P::Settings2, s2::vbrBiasEdit, !cq);
    if (cq) {
        c.setText(P::Settings1, s1::quantValueEdit, leftReal(pick(1000, 31000) / 1000.0, 8, 3));
        c.setChecked(P::Settings1, s1::checkVbvCheck, coin(70));
        for (auto [edit, ud] :
             {std::pair{s1::pFactorEdit, s1::pFactorUpDown}, {s1::bFactorEdit, s1::bFactorUpDown}}) {
            const int position = coin(40) ? 9 : pick(1, 32);
            c.setPos(P::Settings1, ud, position);
            c.setText(P::Settings1, edit,
                      leftReal(kQuantFactors[static_cast<std::size_t>(position - 1)], 5, 2));
        }
    }
    const int aq = pick(0, 4);
    c.setPos(P::Settings1, s1::aqStrengthTrackbar, aq);
    c.setText(P::Settings1, s1::aqStrengthEdit, leftInt(aq));

    // Settings 2.
    c.setText(P::Settings2, s2::vbrBiasEdit, leftInt(coin() ? 0 : pick(1, 100)));
    c.setText(P::Settings2, s2::waitForExitEdit, leftInt(coin() ? 5 : pick(0, 99)));
    for (int id : {s2::vbvCheck, s2::seqEndcodeCheck})
        c.setChecked(P::Settings2, id, coin(80));
    for (int id :
         {s2::lastIFrameCheck, s2::scdFileCheck, s2::frameLogCheck, s2::previewCheck, s2::shutdownCheck})
        c.setChecked(P::Settings2, id, coin(30));
    if (coin(20)) {
        c.setChecked(P::Settings2, s2::silentCheck, true);
        c.setChecked(P::Settings2, s2::previewCheck, false);
        c.setEnabled(P::Settings2, s2::previewCheck, false);
    }
    c.setSelected(P::Settings2, s2::mpegLevelCombo, pick(0, 3));
    static constexpr int kColours[] = {0, 1, 4, 5, 6, 7};
    const int colourIndex = pick(0, 5);
    c.setSelected(P::Settings2, s2::colorimetryCombo, colourIndex);
    s.colour = kColours[colourIndex];
    c.setSelected(P::Settings2, s2::intraVlcCombo, pick(0, 2));
    const int lumGain = coin() ? 0 : pick(1, 4);
    c.setPos(P::Settings2, s2::lumGainTrackbar, lumGain);
    c.setText(P::Settings2, s2::lumGainEdit, leftInt(lumGain));
    c.setChecked(P::Matrix, mx::adaptiveMatrixCheck, lumGain == 0 && coin(30));
    c.setEnabled(P::Matrix, mx::adaptiveMatrixCheck, lumGain == 0);
    if (coin(40)) {
        c.setText(P::Settings2, s2::maskTopEdit, leftInt(2 * pick(0, 60)));
        c.setText(P::Settings2, s2::maskBottomEdit, leftInt(2 * pick(0, 60)));
        c.setText(P::Settings2, s2::maskShiftEdit, leftInt(2 * pick(-576, 576)));
    }

    // Settings 3.
    if (coin(40)) {
        c.setText(P::Settings3, s3::timecodeHourEdit, leftInt(pick(0, 23)));
        for (int id : {s3::timecodeMinuteEdit, s3::timecodeSecondEdit, s3::timecodeFrameEdit})
            c.setText(P::Settings3, id, leftInt(pick(0, 59)));
    }
    radio(P::Settings3,
          {s3::cpuAutoRadio, s3::cpuMmxRadio, s3::cpuSse2Radio, s3::cpuSse3Radio, s3::cpuSsse3Radio},
          pick(0, 4));
    radio(P::Settings3,
          {s3::priorityIdleRadio, s3::priorityLowRadio, s3::priorityNormalRadio, s3::priorityHighRadio},
          pick(0, 3));
    radio(P::Settings3, {s3::chroma420Radio, s3::chroma422Radio}, pick(0, 1));
    if (coin(30)) c.setText(P::Settings3, s3::avsMemoryEdit, leftInt(pick(1, 1024)));
    if (coin(30)) {
        c.setText(P::Settings3, s3::frameWidthEdit, leftInt(2 * pick(8, 960)));
        c.setText(P::Settings3, s3::frameHeightEdit, leftInt(2 * pick(8, 576)));
    }
    c.setChecked(P::Settings3, s3::useLosslessCheck, src.isAvisynthScript && coin());

    // Matrix page.
    if (coin(70)) {
        s.matrixChoice = pick(1, 16);
        c.setChecked(P::Matrix, mx::builtInRadio, true);
        c.selectText(P::Matrix, mx::builtInCombo, matrixDisplayName(s.matrixChoice));
    } else {
        s.matrixChoice = 99;
        c.setChecked(P::Matrix, mx::customRadio, true);
        for (int& v : s.customIntraMatrix)
            v = pick(1, 255);
        for (int& v : s.customNonIntraMatrix)
            v = pick(1, 255);
        s.customIntraMatrix[0] = 8;
    }

    // Lists.
    auto ascending = [this](auto& frames, int count, int step) {
        int frame = pick(0, step);
        for (int i = 0; i < count; ++i) {
            frames[static_cast<std::size_t>(i)] = frame;
            frame += pick(1, step);
        }
    };
    s.chapterCount = coin(10) ? pick(1000, 20000) : pick(0, 40);
    ascending(s.chapterFrames, s.chapterCount, 500);
    s.zoneCount = pick(0, 20);
    ascending(s.zoneFrames, s.zoneCount, 3000);
    for (int i = 0; i < s.zoneCount; ++i)
        s.zoneFactors[static_cast<std::size_t>(i)] = static_cast<float>(pick(2, 50)) / 10.0f;
    if (s.panScanOn) {
        s.panScanWidth = 540;
        s.panScanHeight = 576;
        s.panScanCount = pick(0, 20);
        ascending(s.panScanFrames, s.panScanCount, 3000);
        for (int i = 0; i < s.panScanCount; ++i)
            s.panScanOffsets[static_cast<std::size_t>(i)] = 16 * pick(-90, 90);
    }

    // What the source refresh makes of it: enabled states and the frame range that need a source.
    w.sourceRefresh();
}

} // namespace mivo::test
