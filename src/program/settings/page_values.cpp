// Taking what the pages show into the record, the one step between the controls and the ini writer.
// Texts that do not read as numbers leave the value the record held before, as the pages' own checks
// would.

#include "program/settings/page_values.h"

#include "base/fixed_format.h"
#include "core/control_ids.h"
#include "core/free_format.h"
#include "program/settings/labels.h"

#include <algorithm>
#include <array>
#include <optional>

namespace mivo {

namespace {

using P = PageId;
namespace m = ids::main;
namespace s1 = ids::settings1;
namespace s2 = ids::settings2;
namespace s3 = ids::settings3;
namespace mx = ids::matrix;

class PageReader {
  public:
    explicit PageReader(const ControlModel& controls) : c_(controls) {}
    std::string_view text(P page, int id) const { return trimmed(c_.text(page, id)); }
    bool checked(P page, int id) const { return c_.checked(page, id); }
    bool enabled(P page, int id) const { return c_.enabled(page, id); }
    std::optional<int> integer(P page, int id) const {
        int v = 0;
        return ff::readInt(text(page, id), v) == ff::ReadStatus::Ok ? std::optional<int>(v) : std::nullopt;
    }
    int number(P page, int id, int held) const { return integer(page, id).value_or(held); }
    // The value of the first radio checked among `choices`, else `otherwise`.
    int radio(P page, std::initializer_list<std::pair<int, int>> choices, int otherwise) const {
        for (const auto& [id, value] : choices)
            if (checked(page, id)) return value;
        return otherwise;
    }

  private:
    const ControlModel& c_;
};

void takeMainPage(const PageReader& p, Settings& s, PageValues& v) {
    v.bitrate = p.number(P::Main, m::averageBitrateEdit, s.bitrate);
    v.maxBitrate = p.number(P::Main, m::maxBitrateEdit, s.maxBitrate);
    v.maxBitrateEditable = p.enabled(P::Main, m::maxBitrateEdit);
    const auto start = p.integer(P::Main, m::startFrameEdit);
    const auto end = p.integer(P::Main, m::endFrameEdit);
    v.frameRangeTyped = start && end;
    if (v.frameRangeTyped) {
        s.startFrame = *start;
        s.endFrame = *end;
    }
    v.profile = p.radio(P::Main, {{m::profileFastRadio, 1}, {m::profileBestRadio, 4}}, 2);
    v.aspectRatio =
        p.radio(P::Main, {{m::aspect1to1Radio, 1}, {m::aspect4to3Radio, 2}, {m::aspect221to1Radio, 4}}, 3);
    v.dcPrecision = p.radio(
        P::Main, {{m::dcPrecision8Radio, 8}, {m::dcPrecision10Radio, 10}, {m::dcPrecision11Radio, 11}}, 9);
    v.smp = p.checked(P::Main, m::smpCheck);
    v.sceneChange = p.checked(P::Main, m::sceneChangeCheck);
    v.autoGop = p.checked(P::Main, m::autoGopCheck);
    v.autoGopLength = p.number(P::Main, m::autoGopLengthEdit, s.autoGopLength);
    v.closedGops = p.checked(P::Main, m::closedGopsCheck);
    v.pulldown = p.checked(P::Main, m::pulldownCheck);
    v.onePass = p.checked(P::Main, m::onePassVbrCheck);
}

void takeSettings1(const PageReader& p, Settings& s, PageValues& v) {
    if (!v.autoGop) {
        s.gopLength = p.number(P::Settings1, s1::gopLengthEdit, s.gopLength);
        s.bFrames = p.number(P::Settings1, s1::bFramesEdit, s.bFrames);
    }
    v.gopLength = s.gopLength;
    v.bFrames = s.bFrames;
    v.constantQuant = p.checked(P::Settings1, s1::constantQuantCheck);
    v.cqCheckMaxBitrate = p.checked(P::Settings1, s1::checkVbvCheck);
    const auto token = ff::TokenScanner(p.text(P::Settings1, s1::quantValueEdit)).next();
    v.cqText = token ? std::string(*token) : std::string();
    v.pFactorText = p.text(P::Settings1, s1::pFactorEdit);
    v.bFactorText = p.text(P::Settings1, s1::bFactorEdit);
    v.aqStrength = p.number(P::Settings1, s1::aqStrengthEdit, s.aqStrength);
    v.interlaceMode = static_cast<InterlaceMode>(p.radio(
        P::Settings1, {{s1::progressiveRadio, 1}, {s1::interlacedRadio, 2}, {s1::dvSourceRadio, 3}}, 0));
    v.fieldOrder = p.checked(P::Settings1, s1::bffRadio) ? FieldOrder::BottomFirst : FieldOrder::TopFirst;
    v.chromaDownsampling = p.checked(P::Settings1, s1::chromaInterlacedRadio) ? 1 : 0;
}

void takeSettings2(const PageReader& p, Settings& s, PageValues& v) {
    v.vbrBiasEditable = p.enabled(P::Settings2, s2::vbrBiasEdit);
    if (v.vbrBiasEditable) s.vbrBias = std::clamp(p.number(P::Settings2, s2::vbrBiasEdit, s.vbrBias), 0, 100);
    v.vbrBias = s.vbrBias;
    s.maskTop = p.number(P::Settings2, s2::maskTopEdit, s.maskTop);
    s.maskBottom = p.number(P::Settings2, s2::maskBottomEdit, s.maskBottom);
    s.maskShift = p.number(P::Settings2, s2::maskShiftEdit, s.maskShift);
    v.maskTop = s.maskTop;
    v.maskBottom = s.maskBottom;
    v.maskShift = s.maskShift;
    s.waitSeconds = std::clamp(p.number(P::Settings2, s2::waitForExitEdit, s.waitSeconds), 0, 99);
    v.waitSeconds = s.waitSeconds;
    v.allow3BFrames = p.checked(P::Settings2, s2::allow3BFramesCheck);
    v.vbvCheck = p.checked(P::Settings2, s2::vbvCheck);
    v.writeSeqEndcode = p.checked(P::Settings2, s2::seqEndcodeCheck);
    v.scdFile = p.checked(P::Settings2, s2::scdFileCheck);
    v.frameLog = p.checked(P::Settings2, s2::frameLogCheck);
    v.lastIFrame = p.checked(P::Settings2, s2::lastIFrameCheck);
    v.preview = p.checked(P::Settings2, s2::previewCheck);
    v.silent = p.checked(P::Settings2, s2::silentCheck);
    v.shutdown = p.checked(P::Settings2, s2::shutdownCheck);
    const std::string_view level = p.text(P::Settings2, s2::mpegLevelCombo);
    v.mpegLevel = level == "MP@ML" ? 1 : level == "MP@H-14" ? 2 : level == "MP@HL" ? 3 : 0;
    const std::string_view vlc = p.text(P::Settings2, s2::intraVlcCombo);
    v.intraVlc = vlc == "TABLE 14" ? 0 : vlc == "TABLE 15" ? 1 : 2;
    v.lumGain = p.number(P::Settings2, s2::lumGainEdit, s.lumGain);
}

void takeSettings3(const PageReader& p, Settings& s, PageValues& v) {
    v.avsMemoryGiven = !p.text(P::Settings3, s3::avsMemoryEdit).empty();
    v.avsMemory = p.number(P::Settings3, s3::avsMemoryEdit, s.avsMemory);
    // The record follows the fields also where "make DVD compliant" filled them.
    for (auto [id, held] :
         {std::pair{s3::frameWidthEdit, &s.frameWidth}, {s3::frameHeightEdit, &s.frameHeight}}) {
        const auto typed = p.integer(P::Settings3, id);
        if (p.text(P::Settings3, id).empty())
            *held = 0;
        else if (typed && *typed > 0)
            *held = *typed;
    }
    v.frameSizeGiven = p.integer(P::Settings3, s3::frameWidthEdit).value_or(0) > 0 &&
                       p.integer(P::Settings3, s3::frameHeightEdit).value_or(0) > 0;
    v.frameWidth = v.frameSizeGiven ? s.frameWidth : 0;
    v.frameHeight = v.frameSizeGiven ? s.frameHeight : 0;
    v.useLossless = p.checked(P::Settings3, s3::useLosslessCheck);
    const std::array<int, 4> ids = {s3::timecodeHourEdit, s3::timecodeMinuteEdit, s3::timecodeSecondEdit,
                                    s3::timecodeFrameEdit};
    const std::array<int EncoderOptions::*, 4> fields = {
        &EncoderOptions::timecodeHour, &EncoderOptions::timecodeMinute, &EncoderOptions::timecodeSecond,
        &EncoderOptions::timecodeFrame};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        s.*fields[i] = std::clamp(p.number(P::Settings3, ids[i], s.*fields[i]), 0, i == 0 ? 23 : 59);
        v.*fields[i] = s.*fields[i];
    }
    v.cpuMode = p.radio(
        P::Settings3,
        {{s3::cpuMmxRadio, 1}, {s3::cpuSse2Radio, 2}, {s3::cpuSse3Radio, 3}, {s3::cpuSsse3Radio, 4}}, 0);
    v.priority =
        p.radio(P::Settings3,
                {{s3::priorityLowRadio, 1}, {s3::priorityNormalRadio, 2}, {s3::priorityHighRadio, 3}}, 0);
    v.chromaFormat = p.checked(P::Settings3, s3::chroma422Radio) ? 2 : 1;
    v.dbPathSet = p.text(P::Settings3, s3::dbPathButton) == labels::dbPathSet;
    v.llPathSet = p.text(P::Settings3, s3::losslessPathButton) == labels::llPathSet;
}

void takeMatrixPage(const PageReader& p, PageValues& v) {
    v.adaptiveMatrix = p.checked(P::Matrix, mx::adaptiveMatrixCheck);
    v.matrixSource = p.checked(P::Matrix, mx::builtInRadio)  ? MatrixSource::BuiltIn
                     : p.checked(P::Matrix, mx::customRadio) ? MatrixSource::Custom
                                                             : MatrixSource::None;
}

} // namespace

void takePageValues(Settings& settings, const ControlModel& controls) {
    PageValues& v = settings.pageValues;
    // Options no page shows (colour, matrix choice, pan-scan switch) go to the writer as the record holds
    // them.
    static_cast<EncoderOptions&>(v) = static_cast<const EncoderOptions&>(settings);
    const PageReader p(controls);
    takeMainPage(p, settings, v);
    takeSettings1(p, settings, v);
    takeSettings2(p, settings, v);
    takeSettings3(p, settings, v);
    takeMatrixPage(p, v);
}

bool renderIniText(Settings& settings, const ControlModel& controls, std::string& out) {
    takePageValues(settings, controls);
    return formatIni(settings, IniTarget::File, out).complete;
}

bool writeIniFile(IniMode, const std::string& path, Settings& settings, const ControlModel& controls,
                  StatusLine& status) {
    takePageValues(settings, controls);
    return writeIni(path, settings, status);
}

} // namespace mivo
