// The ini writer: the settings as the encoder reads them, whole or not at all.

#include "core/control_ids.h"
#include "core/fixed_format.h"
#include "core/free_format.h"
#include "core/settings/ini_render.h"
#include "core/settings/labels.h"
#include "core/settings/operations.h"
#include "core/whole_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <optional>

namespace mivo {

namespace {

constexpr std::size_t kKeywordField = 18;
constexpr std::size_t kListingNameLength = 127;

using P = PageId;
namespace m = ids::main;
namespace s1 = ids::settings1;
namespace s2 = ids::settings2;
namespace s3 = ids::settings3;
namespace mx = ids::matrix;

// The writer's steps; the file and the listing run them in different orders.
enum class Step {
    InFile,
    OutFile,
    LogFile,
    DbPath,
    LlPath,
    Bitrate,
    MaxBitrate,
    Frames,
    NoSmp,
    Profile,
    Aspect,
    Gop,
    B3,
    Cq,
    Aq,
    DcPrec,
    Interlace,
    ChromaDownsample,
    NoScd,
    NoVbv,
    ClosedGops,
    OnePass,
    NoSeqEndcode,
    ScdFile,
    FrameLog,
    Bias,
    MaskShift,
    AvsMemory,
    Lossless,
    AdaptiveMatrix,
    Pulldown,
    LastIFrame,
    Preview,
    Silent,
    Timecode,
    MpegLevel,
    IntraVlc,
    Matrix,
    LumGain,
    Colour,
    Cpu,
    Priority,
    ChromaFormat,
    Wait,
    Shutdown,
    Chapters,
    Zones,
    PanScan,
};

using S = Step;
constexpr Step kFileOrder[] = {
    S::InFile,       S::OutFile,    S::LogFile,    S::DbPath,    S::LlPath,       S::Bitrate,
    S::MaxBitrate,   S::Frames,     S::NoSmp,      S::Profile,   S::Aspect,       S::Gop,
    S::B3,           S::Cq,         S::Aq,         S::DcPrec,    S::Interlace,    S::ChromaDownsample,
    S::NoScd,        S::NoVbv,      S::ClosedGops, S::OnePass,   S::NoSeqEndcode, S::ScdFile,
    S::FrameLog,     S::Bias,       S::MaskShift,  S::AvsMemory, S::Lossless,     S::AdaptiveMatrix,
    S::Pulldown,     S::LastIFrame, S::Preview,    S::Silent,    S::Timecode,     S::MpegLevel,
    S::IntraVlc,     S::Matrix,     S::LumGain,    S::Colour,    S::Cpu,          S::Priority,
    S::ChromaFormat, S::Wait,       S::Shutdown,   S::Chapters,  S::Zones,        S::PanScan,
};
// The listing moves *NOSMP behind *NOSCD, *B3 behind *FRAMELOG, and *MASK_SHIFT, *AVSMEMORY and
// *LOSSLESS behind *TIMECODE.
constexpr Step kListingOrder[] = {
    S::InFile,       S::OutFile,    S::LogFile,        S::DbPath,           S::LlPath,     S::Bitrate,
    S::MaxBitrate,   S::Frames,     S::Profile,        S::Aspect,           S::Gop,        S::Cq,
    S::Aq,           S::DcPrec,     S::Interlace,      S::ChromaDownsample, S::NoScd,      S::NoSmp,
    S::NoVbv,        S::ClosedGops, S::OnePass,        S::NoSeqEndcode,     S::ScdFile,    S::FrameLog,
    S::B3,           S::Bias,       S::AdaptiveMatrix, S::Pulldown,         S::LastIFrame, S::Preview,
    S::Silent,       S::Timecode,   S::MaskShift,      S::AvsMemory,        S::Lossless,   S::MpegLevel,
    S::IntraVlc,     S::Matrix,     S::LumGain,        S::Colour,           S::Cpu,        S::Priority,
    S::ChromaFormat, S::Wait,       S::Shutdown,       S::Chapters,         S::Zones,      S::PanScan,
};
static_assert(std::size(kFileOrder) == std::size(kListingOrder));

void appendInt(std::string& out, long long value) {
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    out.append(digits.data(), result.ptr);
}

// `text` right-aligned so that it ends `width` characters after `start`, but always at least one blank
// after what the line already holds: a value too wide for its columns moves right instead of running
// into its neighbour (and instead of turning into asterisks the reader could not take back).
void appendAligned(std::string& out, std::size_t lineStart, std::size_t endColumn, std::string_view text) {
    const std::size_t used = out.size() - lineStart;
    std::size_t pad = endColumn > used + text.size() ? endColumn - used - text.size() : 0;
    if (used > 0 && pad == 0) pad = 1;
    out.append(pad, ' ');
    out.append(text);
}

std::string_view intText(std::array<char, 24>& buffer, long long value) {
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
}

class Renderer {
  public:
    Renderer(Settings& s, const ControlModel& c, IniTarget target, std::string& out)
        : s_(s), c_(c), target_(target), out_(out) {}

    // False when the step stopped the whole render.
    bool run(Step step);
    std::size_t longestNameLine() const { return longestName_; }

  private:
    std::string_view text(P page, int id) const { return trimmed(c_.text(page, id)); }
    bool checked(P page, int id) const { return c_.checked(page, id); }
    std::optional<int> integer(P page, int id) const {
        int v = 0;
        return ff::readInt(text(page, id), v) == ff::ReadStatus::Ok ? std::optional<int>(v) : std::nullopt;
    }
    // A field's number, or the record's copy when the text does not read (a value too wide for its
    // field shows as asterisks): the value held before, as the pages' own checks would take.
    int number(P page, int id, int held) const { return integer(page, id).value_or(held); }

    void keyword(Keyword k) {
        const std::string_view name = keywordName(k);
        out_.append(name);
        out_.append(kKeywordField - std::min(name.size(), kKeywordField), ' ');
    }
    void end() { out_.append("\r\n"); }
    void flag(Keyword k) {
        out_.append(keywordName(k));
        end();
    }
    void value(Keyword k, std::string_view v) {
        keyword(k);
        out_.append(v);
        end();
    }
    void value(Keyword k, long long v) {
        keyword(k);
        appendInt(out_, v);
        end();
    }
    void name(Keyword k, const std::string& n) {
        if (n.empty()) return;
        const std::size_t start = out_.size();
        keyword(k);
        out_.append(target_ == IniTarget::Listing ? std::string_view(n).substr(0, kListingNameLength) : n);
        longestName_ = std::max(longestName_, out_.size() - start);
        end();
    }

    void gop();
    bool constantQuant();
    void interlace();
    void matrix();
    void timecode();

    Settings& s_;
    const ControlModel& c_;
    IniTarget target_;
    std::string& out_;
    std::size_t longestName_ = 0;
};

void Renderer::gop() {
    if (!checked(P::Main, m::autoGopCheck)) {
        s_.gopLength = number(P::Settings1, s1::gopLengthEdit, s_.gopLength);
        s_.bFrames = number(P::Settings1, s1::bFramesEdit, s_.bFrames);
        keyword(Keyword::Gop);
        appendInt(out_, s_.gopLength);
        out_ += ' ';
        appendInt(out_, s_.bFrames);
        end();
    } else {
        value(Keyword::AutoGop, number(P::Main, m::autoGopLengthEdit, s_.autoGopLength));
    }
}

bool Renderer::constantQuant() {
    if (!checked(P::Settings1, s1::constantQuantCheck)) return true;
    // The value goes out as typed (so "4" stays "4"), but only its first token, which is what reads.
    const auto token = ff::TokenScanner(text(P::Settings1, s1::quantValueEdit)).next();
    float q = 0.0f;
    if (!token || !ff::parseReal(*token, q)) return false;
    value(checked(P::Settings1, s1::checkVbvCheck) ? Keyword::CqMaxBitrate : Keyword::Cq, *token);
    auto factor = [this](int id, Keyword k) {
        const std::string_view t = text(P::Settings1, id);
        if (t == "1.00") return;
        const std::string_view first4 = t.substr(0, 4);
        float f = 0.0f;
        if (ff::readReal(first4, f) == ff::ReadStatus::Ok && ff::TokenScanner(first4).next() == first4)
            value(k, first4);
    };
    factor(s1::pFactorEdit, Keyword::CqPFactor);
    factor(s1::bFactorEdit, Keyword::CqBFactor);
    return true;
}

void Renderer::interlace() {
    const bool bff = checked(P::Settings1, s1::bffRadio);
    if (checked(P::Settings1, s1::autoDetectRadio) && bff) flag(Keyword::Bff);
    if (checked(P::Settings1, s1::progressiveRadio)) flag(Keyword::Progressive);
    if (checked(P::Settings1, s1::interlacedRadio)) {
        flag(Keyword::Interlaced);
        if (bff) flag(Keyword::Bff);
    }
    if (checked(P::Settings1, s1::dvSourceRadio)) {
        flag(Keyword::DvSource);
        if (checked(P::Settings1, s1::tffRadio)) flag(Keyword::Tff);
    }
}

void Renderer::matrix() {
    if (checked(P::Matrix, mx::builtInRadio)) {
        const std::string_view n = matrixIniName(s_.matrixChoice);
        value(Keyword::Matrix, n.empty() ? matrixIniName(1) : n);
    } else if (checked(P::Matrix, mx::customRadio)) {
        flag(Keyword::CustomMatrix);
        std::array<char, 24> buffer{};
        for (const MatrixValues* mat : {&s_.customIntraMatrix, &s_.customNonIntraMatrix}) {
            if (mat == &s_.customNonIntraMatrix) end(); // the empty line between the two matrices
            for (std::size_t row = 0; row < 8; ++row) {
                const std::size_t start = out_.size();
                for (std::size_t col = 0; col < 8; ++col)
                    appendAligned(out_, start, 4 * (col + 1), intText(buffer, (*mat)[row * 8 + col]));
                end();
            }
        }
    }
}

void Renderer::timecode() {
    const std::array<int, 4> ids = {s3::timecodeHourEdit, s3::timecodeMinuteEdit, s3::timecodeSecondEdit,
                                    s3::timecodeFrameEdit};
    const std::array<int, 4> held = {s_.timecodeHour, s_.timecodeMinute, s_.timecodeSecond, s_.timecodeFrame};
    std::array<int, 4> v{};
    for (std::size_t i = 0; i < 4; ++i) {
        v[i] = std::clamp(number(P::Settings3, ids[i], held[i]), 0, i == 0 ? 23 : 59);
    }
    s_.timecodeHour = v[0];
    s_.timecodeMinute = v[1];
    s_.timecodeSecond = v[2];
    s_.timecodeFrame = v[3];
    if (v[0] + v[1] + v[2] + v[3] <= 0) return;
    std::string fields;
    for (int x : v)
        fields += fixedInt(x, 3);
    value(Keyword::Timecode, trimmed(fields));
}

bool Renderer::run(Step step) {
    switch (step) {
    case S::InFile:
        if (s_.seen.test(Keyword::InFile)) name(Keyword::InFile, s_.inputFile);
        break;
    case S::OutFile:
        if (s_.seen.test(Keyword::OutFile)) name(Keyword::OutFile, s_.outputFile);
        break;
    case S::LogFile:
        if (s_.seen.test(Keyword::LogFile)) name(Keyword::LogFile, s_.logFile);
        break;
    case S::DbPath:
        if (target_ == IniTarget::Listing || text(P::Settings3, s3::dbPathButton) == labels::dbPathSet)
            name(Keyword::DbPath, s_.dbPath);
        break;
    case S::LlPath:
        if (target_ == IniTarget::Listing || text(P::Settings3, s3::losslessPathButton) == labels::llPathSet)
            name(Keyword::LlPath, s_.llPath);
        break;
    case S::Bitrate:
        if (!checked(P::Settings1, s1::constantQuantCheck))
            value(Keyword::Bitrate, number(P::Main, m::averageBitrateEdit, s_.bitrate));
        break;
    case S::MaxBitrate:
        // Constant quantisation with the VBV check needs its maximum also while no source is open (the
        // field is disabled then): a saved file would otherwise lose it on the next save.
        if (c_.enabled(P::Main, m::maxBitrateEdit) ||
            (checked(P::Settings1, s1::constantQuantCheck) && checked(P::Settings1, s1::checkVbvCheck)))
            value(Keyword::MaxBitrate, number(P::Main, m::maxBitrateEdit, s_.maxBitrate));
        break;
    case S::Frames: {
        const auto start = integer(P::Main, m::startFrameEdit);
        const auto endFrame = integer(P::Main, m::endFrameEdit);
        if (!start || !endFrame) break;
        s_.startFrame = *start;
        s_.endFrame = *endFrame;
        keyword(Keyword::Frames);
        appendInt(out_, *start);
        out_ += ' ';
        appendInt(out_, *endFrame);
        end();
        break;
    }
    case S::NoSmp:
        if (!checked(P::Main, m::smpCheck)) flag(Keyword::NoSmp);
        break;
    case S::Profile:
        if (checked(P::Main, m::profileFastRadio))
            value(Keyword::Profile, "fast");
        else if (checked(P::Main, m::profileBestRadio))
            value(Keyword::Profile, "best");
        break;
    case S::Aspect:
        if (checked(P::Main, m::aspect1to1Radio))
            value(Keyword::Aspect, "1:1");
        else if (checked(P::Main, m::aspect4to3Radio))
            value(Keyword::Aspect, "4:3");
        else if (checked(P::Main, m::aspect221to1Radio))
            value(Keyword::Aspect, "2.21:1");
        break;
    case S::Gop:
        gop();
        break;
    case S::B3:
        if (checked(P::Settings2, s2::allow3BFramesCheck)) flag(Keyword::B3);
        break;
    case S::Cq:
        return constantQuant();
    case S::Aq:
        if (const int v = number(P::Settings1, s1::aqStrengthEdit, s_.aqStrength); v > 0)
            value(Keyword::Aq, v);
        break;
    case S::DcPrec:
        if (checked(P::Main, m::dcPrecision8Radio))
            value(Keyword::DcPrec, "8");
        else if (checked(P::Main, m::dcPrecision10Radio))
            value(Keyword::DcPrec, "10");
        else if (checked(P::Main, m::dcPrecision11Radio))
            value(Keyword::DcPrec, "11");
        break;
    case S::Interlace:
        interlace();
        break;
    case S::ChromaDownsample:
        if (checked(P::Settings1, s1::chromaInterlacedRadio)) value(Keyword::ChromaDownsample, "1");
        break;
    case S::NoScd:
        if (!checked(P::Main, m::sceneChangeCheck)) flag(Keyword::NoScd);
        break;
    case S::NoVbv:
        if (!checked(P::Settings2, s2::vbvCheck)) flag(Keyword::NoVbv);
        break;
    case S::ClosedGops:
        if (checked(P::Main, m::closedGopsCheck)) flag(Keyword::ClosedGops);
        break;
    case S::OnePass:
        if (checked(P::Main, m::onePassVbrCheck)) flag(Keyword::OnePass);
        break;
    case S::NoSeqEndcode:
        if (!checked(P::Settings2, s2::seqEndcodeCheck)) flag(Keyword::NoSeqEndcode);
        break;
    case S::ScdFile:
        if (checked(P::Settings2, s2::scdFileCheck)) flag(Keyword::ScdFile);
        break;
    case S::FrameLog:
        if (checked(P::Settings2, s2::frameLogCheck)) flag(Keyword::FrameLog);
        break;
    case S::Bias:
        if (!c_.enabled(P::Settings2, s2::vbrBiasEdit)) break;
        s_.vbrBias = std::clamp(number(P::Settings2, s2::vbrBiasEdit, s_.vbrBias), 0, 100);
        if (s_.vbrBias > 0) value(Keyword::Bias, s_.vbrBias);
        break;
    case S::MaskShift: {
        s_.maskTop = number(P::Settings2, s2::maskTopEdit, s_.maskTop);
        s_.maskBottom = number(P::Settings2, s2::maskBottomEdit, s_.maskBottom);
        s_.maskShift = number(P::Settings2, s2::maskShiftEdit, s_.maskShift);
        if (s_.maskTop == 0 && s_.maskBottom == 0 && s_.maskShift == 0) break;
        keyword(Keyword::MaskShift);
        appendInt(out_, s_.maskTop);
        out_ += ' ';
        appendInt(out_, s_.maskBottom);
        out_ += ' ';
        appendInt(out_, s_.maskShift);
        end();
        break;
    }
    case S::AvsMemory:
        if (!text(P::Settings3, s3::avsMemoryEdit).empty())
            value(Keyword::AvsMemory, number(P::Settings3, s3::avsMemoryEdit, s_.avsMemory));
        break;
    case S::Lossless:
        if (checked(P::Settings3, s3::useLosslessCheck)) flag(Keyword::Lossless);
        break;
    case S::AdaptiveMatrix:
        if (checked(P::Matrix, mx::adaptiveMatrixCheck)) flag(Keyword::AdaptiveMatrix);
        break;
    case S::Pulldown:
        if (checked(P::Main, m::pulldownCheck)) flag(Keyword::Pulldown);
        break;
    case S::LastIFrame:
        if (checked(P::Settings2, s2::lastIFrameCheck)) flag(Keyword::LastIFrame);
        break;
    case S::Preview:
        if (checked(P::Settings2, s2::previewCheck)) flag(Keyword::Preview);
        break;
    case S::Silent:
        if (checked(P::Settings2, s2::silentCheck)) flag(Keyword::Silent);
        break;
    case S::Timecode:
        timecode();
        break;
    case S::MpegLevel: {
        const std::string_view level = text(P::Settings2, s2::mpegLevelCombo);
        if (level == "MP@ML" || level == "MP@H-14" || level == "MP@HL") value(Keyword::MpegLevel, level);
        break;
    }
    case S::IntraVlc: {
        const std::string_view vlc = text(P::Settings2, s2::intraVlcCombo);
        value(Keyword::IntraVlc, vlc == "TABLE 14" ? "0" : vlc == "TABLE 15" ? "1" : "2");
        break;
    }
    case S::Matrix:
        matrix();
        break;
    case S::LumGain:
        if (const int v = number(P::Settings2, s2::lumGainEdit, s_.lumGain); v > 0)
            value(Keyword::LumGain, v);
        break;
    case S::Colour:
        if (s_.colour > 0) value(Keyword::Colour, s_.colour);
        break;
    case S::Cpu:
        if (checked(P::Settings3, s3::cpuMmxRadio))
            value(Keyword::Cpu, "mmx");
        else if (checked(P::Settings3, s3::cpuSse2Radio))
            value(Keyword::Cpu, "sse2");
        else if (checked(P::Settings3, s3::cpuSse3Radio))
            value(Keyword::Cpu, "sse3");
        else if (checked(P::Settings3, s3::cpuSsse3Radio))
            value(Keyword::Cpu, "ssse3");
        break;
    case S::Priority:
        if (checked(P::Settings3, s3::priorityLowRadio))
            value(Keyword::Priority, "low");
        else if (checked(P::Settings3, s3::priorityNormalRadio))
            value(Keyword::Priority, "normal");
        else if (checked(P::Settings3, s3::priorityHighRadio))
            value(Keyword::Priority, "high");
        break;
    case S::ChromaFormat:
        if (checked(P::Settings3, s3::chroma422Radio)) value(Keyword::ChromaFormat, "422");
        break;
    case S::Wait:
        s_.waitSeconds = std::clamp(number(P::Settings2, s2::waitForExitEdit, s_.waitSeconds), 0, 99);
        if (s_.waitSeconds != 5) value(Keyword::Wait, s_.waitSeconds);
        break;
    case S::Shutdown:
        if (checked(P::Settings2, s2::shutdownCheck)) flag(Keyword::Shutdown);
        break;
    case S::Chapters: {
        const int n = std::clamp(s_.chapterCount, 0, kChapterCapacity);
        if (n == 0) break;
        value(Keyword::Chapter, n);
        out_.reserve(out_.size() + static_cast<std::size_t>(n) * 9);
        for (int i = 0; i < n; ++i) {
            appendInt(out_, s_.chapterFrames[static_cast<std::size_t>(i)]);
            end();
        }
        break;
    }
    case S::Zones: {
        const int n = std::clamp(s_.zoneCount, 0, kZoneCapacity);
        if (n == 0) break;
        value(Keyword::Zone, n);
        std::array<char, 24> buffer{};
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            const std::size_t start = out_.size();
            out_.append(intText(buffer, s_.zoneFrames[i]));
            appendAligned(out_, start, 14, trimmed(fixedReal(s_.zoneFactors[i], 48, 1)));
            end();
        }
        break;
    }
    case S::PanScan: {
        if (!s_.panScanOn) break;
        const int n = std::clamp(s_.panScanCount, 0, kPanScanCapacity);
        keyword(Keyword::PanScan);
        appendInt(out_, s_.panScanWidth);
        out_ += ' ';
        appendInt(out_, s_.panScanHeight);
        out_ += ' ';
        appendInt(out_, n);
        end();
        std::array<char, 24> buffer{};
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            const std::size_t start = out_.size();
            out_.append(intText(buffer, s_.panScanFrames[i]));
            appendAligned(out_, start, 14, intText(buffer, s_.panScanOffsets[i]));
            appendAligned(out_, start, 19, "0");
            end();
        }
        break;
    }
    }
    return true;
}

} // namespace

IniRender renderIni(Settings& settings, const ControlModel& controls, IniTarget target, std::string& out) {
    Renderer r(settings, controls, target, out);
    IniRender result;
    for (Step step : target == IniTarget::File ? std::span<const Step>(kFileOrder)
                                               : std::span<const Step>(kListingOrder)) {
        if (!r.run(step)) {
            result.complete = false;
            break;
        }
    }
    result.longestNameLine = r.longestNameLine();
    return result;
}

bool renderIniText(Settings& settings, const ControlModel& controls, std::string& out) {
    return renderIni(settings, controls, IniTarget::File, out).complete;
}

bool writeIniFile(IniMode, const std::string& path, Settings& settings, const ControlModel& controls,
                  StatusLine& status) {
    settings.writeOk = true;
    std::string text;
    if (!renderIniText(settings, controls, text)) {
        // Nothing is written: the file keeps what it held before.
        settings.writeOk = false;
        status.show(" Mivo.ini write aborted, invalid CQ value, not a number");
        return false;
    }
    if (!writeWholeFile(path, text)) {
        settings.writeOk = false;
        status.show(" error writing ini file");
        return false;
    }
    status.show(" file successfully written");
    return true;
}

} // namespace mivo
