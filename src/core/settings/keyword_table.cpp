// The keyword table. Rows stand in the order the writer puts their lines into a file; keywords of one
// group (the GOP pair, the constant-quantisation lines, the interlacing lines, the two matrix forms)
// exclude or follow each other by their conditions, so their places need no more than these numbers.

#include "core/settings/keyword_table.h"

#include "base/fixed_format.h"
#include "core/free_format.h"
#include "core/settings/ini_lists.h"
#include "core/settings/ini_reader.h"
#include "core/settings/ini_writer.h"

#include <algorithm>
#include <array>
#include <vector>

namespace mivo {

namespace {

using K = Keyword;
using V = ValueKind;
using O = EncoderOptions;

// A switch over one option: its line sets `Value`, and it is written while the option holds it.
template <auto Field, auto Value> constexpr SwitchSlot sets() {
    return {[](O& o) { o.*Field = Value; }, [](const O& o) { return o.*Field == Value; }};
}

// Word lists in the order tried at each position: a longer word that begins like a shorter one first.
constexpr IniWord kProfileWords[] = {{"FAST", 1}, {"NORM", 2}, {"GOOD", 2}, {"BEST", 4}};
constexpr IniWord kProfileWritten[] = {{"fast", 1}, {"best", 4}};
constexpr IniWord kAspectWords[] = {{"1:1", 1},  {"3:4", 2},    {"4:3", 2},    {"9:16", 3},
                                    {"16:9", 3}, {"1:2.21", 4}, {"2.21:1", 4}, {"2:21", 4}};
constexpr IniWord kAspectWritten[] = {{"1:1", 1}, {"4:3", 2}, {"2.21:1", 4}};
constexpr IniWord kCpuWords[] = {{"AUTO", 0}, {"MMX", 1}, {"SSE2", 2}, {"SSE3", 3}, {"SSSE3", 4}};
constexpr IniWord kCpuWritten[] = {{"mmx", 1}, {"sse2", 2}, {"sse3", 3}, {"ssse3", 4}};
constexpr IniWord kScanWords[] = {{"ZIGZAG", 0}, {"ALT", 1}};
constexpr IniWord kMatrixWords[] = {{"MPEGSTD", 16}, {"MPEG", 1},      {"QLB", 2},     {"NOTCH", 3},
                                    {"MIVOLOW", 12}, {"MIVO", 4},      {"DELM1", 5},   {"KORVA1CD", 6},
                                    {"HVSGOOD", 7},  {"HVSBETTER", 8}, {"HVSBEST", 9}, {"AVAMAT6", 10},
                                    {"AVAMAT7", 11}, {"RUX1", 13},     {"RUX2", 14},   {"RUX3", 15}};
constexpr IniWord kChromaWords[] = {{"420", 1}, {"422", 2}, {"4:2:0", 1}, {"4:2:2", 2}};
constexpr IniWord kChromaWritten[] = {{"422", 2}};
constexpr IniWord kPriorityWords[] = {{"IDLE", 0}, {"LOW", 1}, {"NORMAL", 2}, {"HIGH", 3}};
constexpr IniWord kPriorityWritten[] = {{"low", 1}, {"normal", 2}, {"high", 3}};
constexpr IniWord kLevelWords[] = {{"MP@ML", 1}, {"MP@H-14", 2}, {"MP@HL", 3}};

// --- reading of keywords with more than one value ---------------------------------------------------

bool readInputName(IniReader& r, const IniLine& line) {
    std::string name;
    if (r.name(line, name)) r.checkInput(name);
    return true;
}

bool readFrames(IniReader& r, const IniLine& line) {
    std::array<int, 2> v{};
    if (!r.ints(line, v)) return false;
    r.settings().startFrame = v[0];
    r.settings().endFrame = v[1];
    r.markSeen(line);
    return true;
}

// A fixed GOP turns autogop off.
bool readGop(IniReader& r, const IniLine& line) {
    std::array<int, 2> v{};
    if (!r.ints(line, v)) return false;
    Settings& s = r.settings();
    s.gopLength = v[0];
    s.bFrames = v[1];
    s.autoGop = false;
    r.markSeen(line);
    return true;
}

bool readTimecode(IniReader& r, const IniLine& line) {
    std::array<int, 4> v{};
    if (!r.ints(line, v)) return false;
    Settings& s = r.settings();
    s.timecodeHour = std::clamp(v[0], 0, 23);
    s.timecodeMinute = std::clamp(v[1], 0, 59);
    s.timecodeSecond = std::clamp(v[2], 0, 59);
    s.timecodeFrame = std::clamp(v[3], 0, 59);
    r.markSeen(line);
    return true;
}

// Masks are whole line pairs: negative top and bottom counts become 0, odd counts and shifts go down by one.
bool readMaskShift(IniReader& r, const IniLine& line) {
    std::array<int, 3> v{};
    if (!r.ints(line, v)) return false;
    auto lowerOdd = [](int x) { return x % 2 != 0 ? x - 1 : x; };
    Settings& s = r.settings();
    s.maskTop = lowerOdd(std::max(v[0], 0));
    s.maskBottom = lowerOdd(std::max(v[1], 0));
    s.maskShift = lowerOdd(v[2]);
    r.markSeen(line);
    return true;
}

// Colour primaries codes 2 and 3 are never stored: they leave the stream unflagged and the keyword unseen.
bool readColour(IniReader& r, const IniLine& line) {
    int v = 0;
    if (!r.integer(line, v)) return false;
    v = std::clamp(v, 1, 7);
    r.settings().colour = v == 2 || v == 3 ? 0 : v;
    if (r.settings().colour != 0) r.markSeen(line);
    return true;
}

// Two positive numbers, width then height; whether the encoder can take that size is the encoder's to
// say, as it alone knows its limits.
bool readFrameSize(IniReader& r, const IniLine& line) {
    std::array<int, 2> v{};
    if (!r.ints(line, v) || v[0] <= 0 || v[1] <= 0) return false;
    r.settings().frameWidth = v[0];
    r.settings().frameHeight = v[1];
    r.markSeen(line);
    return true;
}

bool readAvsReload(IniReader& r, const IniLine& line) {
    r.settings().avsReload = true;
    r.markSeen(line);
    return true;
}

// --- writing conditions and lines of keywords with behaviour of their own ----------------------------

bool seenInFile(const IniWriter& w, const KeywordRow& row) {
    return w.record.seen.test(row.keyword);
}
// The folders are written while their buttons say a folder is set; the listing shows any folder held.
bool dbPathWritten(const IniWriter& w, const KeywordRow&) {
    return w.target == IniTarget::Listing || w.values.dbPathSet;
}
bool llPathWritten(const IniWriter& w, const KeywordRow&) {
    return w.target == IniTarget::Listing || w.values.llPathSet;
}
bool averageBitrateUsed(const IniWriter& w, const KeywordRow&) {
    return !w.values.constantQuant;
}
// Constant quantisation with the VBV check needs its maximum also while no source is open (the field is
// disabled then): a saved file would otherwise lose it on the next save.
bool maxBitrateUsed(const IniWriter& w, const KeywordRow&) {
    const PageValues& v = w.values;
    return v.maxBitrateEditable || (v.constantQuant && v.cqCheckMaxBitrate);
}
bool fixedGop(const IniWriter& w, const KeywordRow&) {
    return !w.values.autoGop;
}
bool autoGop(const IniWriter& w, const KeywordRow&) {
    return w.values.autoGop;
}
bool constantQuant(const IniWriter& w, const KeywordRow&) {
    return w.values.constantQuant;
}
// A field order of its own is written where the interlacing mode leaves the choice to the file.
bool bottomFieldFirstChosen(const IniWriter& w, const KeywordRow&) {
    return w.values.interlaceMode == InterlaceMode::AutoDetect ||
           w.values.interlaceMode == InterlaceMode::Interlaced;
}
bool topFieldFirstChosen(const IniWriter& w, const KeywordRow&) {
    return w.values.interlaceMode == InterlaceMode::DvSource;
}
bool biasInUse(const IniWriter& w, const KeywordRow&) {
    return w.values.vbrBiasEditable;
}
bool avsMemoryGiven(const IniWriter& w, const KeywordRow&) {
    return w.values.avsMemoryGiven;
}
bool builtInMatrix(const IniWriter& w, const KeywordRow&) {
    return w.values.matrixSource == MatrixSource::BuiltIn;
}
bool customMatrix(const IniWriter& w, const KeywordRow&) {
    return w.values.matrixSource == MatrixSource::Custom;
}
bool panScanOn(const IniWriter& w, const KeywordRow&) {
    return w.values.panScanOn;
}

bool writeFrames(IniWriter& w, const KeywordRow& row) {
    if (!w.values.frameRangeTyped) return true;
    w.keyword(row);
    w.appendInt(w.record.startFrame);
    w.out() += ' ';
    w.appendInt(w.record.endFrame);
    w.end();
    return true;
}

bool frameSizeGiven(const IniWriter& w, const KeywordRow&) {
    return w.values.frameSizeGiven;
}

bool writeFrameSize(IniWriter& w, const KeywordRow& row) {
    w.keyword(row);
    w.appendInt(w.values.frameWidth);
    w.out() += ' ';
    w.appendInt(w.values.frameHeight);
    w.end();
    return true;
}

bool writeGop(IniWriter& w, const KeywordRow& row) {
    w.keyword(row);
    w.appendInt(w.values.gopLength);
    w.out() += ' ';
    w.appendInt(w.values.bFrames);
    w.end();
    return true;
}

// The quantiser goes out as typed (so "4" stays "4"), but only its first token, which is what reads. A
// value that is no number stops the whole write.
bool writeQuantiser(IniWriter& w, const KeywordRow& row) {
    float q = 0.0f;
    if (w.values.cqText.empty() || !ff::parseReal(w.values.cqText, q)) return false;
    const bool withMaximum = w.values.cqCheckMaxBitrate;
    if (withMaximum == (row.keyword == Keyword::CqMaxBitrate)) w.value(row, w.values.cqText);
    return true;
}

// A factor other than 1.00 goes out as its first 4 characters, when those are one number.
bool writeFactor(IniWriter& w, const KeywordRow& row) {
    const std::string_view text =
        row.keyword == Keyword::CqPFactor ? w.values.pFactorText : w.values.bFactorText;
    if (text == "1.00") return true;
    const std::string_view first4 = text.substr(0, 4);
    float f = 0.0f;
    if (ff::readReal(first4, f) == ff::ReadStatus::Ok && ff::TokenScanner(first4).next() == first4)
        w.value(row, first4);
    return true;
}

bool writeMaskShift(IniWriter& w, const KeywordRow& row) {
    const PageValues& s = w.values;
    if (s.maskTop == 0 && s.maskBottom == 0 && s.maskShift == 0) return true;
    w.keyword(row);
    w.appendInt(s.maskTop);
    w.out() += ' ';
    w.appendInt(s.maskBottom);
    w.out() += ' ';
    w.appendInt(s.maskShift);
    w.end();
    return true;
}

// Each field right-aligned in 3 characters, the whole left-justified; nothing for 0:0:0:0.
bool writeTimecode(IniWriter& w, const KeywordRow& row) {
    const PageValues& s = w.values;
    const std::array<int, 4> v = {s.timecodeHour, s.timecodeMinute, s.timecodeSecond, s.timecodeFrame};
    if (v[0] + v[1] + v[2] + v[3] <= 0) return true;
    std::string fields;
    for (int x : v)
        fields += fixedInt(x, 3);
    w.value(row, trimmed(fields));
    return true;
}

bool writeMatrixName(IniWriter& w, const KeywordRow& row) {
    const std::string_view n = matrixIniName(w.values.matrixChoice);
    w.value(row, n.empty() ? matrixIniName(1) : n);
    return true;
}

// clang-format off
constexpr KeywordRow kRows[] = {
    {.keyword = K::InFile, .name = "*INFILE", .kind = V::Name, .column = 9, .text = &Settings::inputFile,
     .fileOrder = 1, .listingOrder = 1, .sharedSeen = &SourceState::inputAccepted, .read = readInputName,
     .when = seenInFile},
    {.keyword = K::OutFile, .name = "*OUTFILE", .kind = V::Name, .column = 10, .text = &Settings::outputFile,
     .fileOrder = 2, .listingOrder = 2, .sharedSeen = &SourceState::outputChosen, .when = seenInFile},
    {.keyword = K::LogFile, .name = "*LOGFILE", .kind = V::Name, .column = 10, .text = &Settings::logFile,
     .fileOrder = 3, .listingOrder = 3, .sharedSeen = &SourceState::logChosen, .when = seenInFile},
    {.keyword = K::DbPath, .name = "*DBPATH", .kind = V::Name, .column = 9, .text = &Settings::dbPath,
     .fileOrder = 4, .listingOrder = 4, .when = dbPathWritten},
    {.keyword = K::LlPath, .name = "*LLPATH", .kind = V::Name, .column = 9, .text = &Settings::llPath,
     .fileOrder = 5, .listingOrder = 5, .when = llPathWritten},
    {.keyword = K::Bitrate, .name = "*BITRATE", .kind = V::Number, .column = 10, .number = &O::bitrate,
     .fileOrder = 6, .listingOrder = 6, .when = averageBitrateUsed},
    {.keyword = K::MaxBitrate, .name = "*MAXBITRATE", .kind = V::Number, .column = 13, .number = &O::maxBitrate,
     .fileOrder = 7, .listingOrder = 7, .when = maxBitrateUsed},
    {.keyword = K::Frames, .name = "*FRAMES", .kind = V::Number, .column = 9, .fileOrder = 8,
     .listingOrder = 8, .sharedSeen = &SourceState::frameRangeGiven, .read = readFrames, .write = writeFrames},
    {.keyword = K::NoSmp, .name = "*NOSMP", .kind = V::Switch, .flag = sets<&O::smp, false>(), .fileOrder = 9,
     .listingOrder = 26},
    {.keyword = K::Profile, .name = "*PROFILE", .kind = V::Words, .column = 10, .number = &O::profile,
     .words = kProfileWords, .written = kProfileWritten, .fileOrder = 10, .listingOrder = 9},
    {.keyword = K::Aspect, .name = "*ASPECT", .kind = V::Words, .column = 9, .number = &O::aspectRatio,
     .words = kAspectWords, .written = kAspectWritten, .fileOrder = 11, .listingOrder = 10},
    {.keyword = K::Gop, .name = "*GOP", .kind = V::Number, .column = 6, .fileOrder = 12, .listingOrder = 11,
     .read = readGop, .when = fixedGop, .write = writeGop},
    {.keyword = K::AutoGop, .name = "*AUTOGOP", .kind = V::Number, .column = 9, .number = &O::autoGopLength,
     .clamp = Clamp{12, 18}, .fileOrder = 13, .listingOrder = 12, .when = autoGop},
    {.keyword = K::B3, .name = "*B3", .kind = V::Switch,
     .flag = {[](O& o) { o.allow3BFrames = true; o.maxConsecutiveB = 3; },
              [](const O& o) { return o.allow3BFrames; }},
     .fileOrder = 14, .listingOrder = 33},
    {.keyword = K::Cq, .name = "*CQ", .kind = V::Number, .column = 5, .real = &O::cqValue, .fileOrder = 15,
     .listingOrder = 13, .when = constantQuant, .write = writeQuantiser},
    {.keyword = K::CqMaxBitrate, .name = "*CQ_MAXBITRATE", .kind = V::Number, .column = 16,
     .real = &O::cqMaxBitrateValue, .fileOrder = 16, .listingOrder = 14, .when = constantQuant,
     .write = writeQuantiser},
    {.keyword = K::CqPFactor, .name = "*CQ_PFACTOR", .kind = V::Number, .column = 13, .real = &O::cqPFactor,
     .fileOrder = 17, .listingOrder = 15, .when = constantQuant, .write = writeFactor},
    {.keyword = K::CqBFactor, .name = "*CQ_BFACTOR", .kind = V::Number, .column = 13, .real = &O::cqBFactor,
     .fileOrder = 18, .listingOrder = 16, .when = constantQuant, .write = writeFactor},
    {.keyword = K::Aq, .name = "*AQ", .kind = V::Number, .column = 5, .number = &O::aqStrength,
     .clamp = Clamp{0, 4}, .omit = Omit::NotPositive, .fileOrder = 19, .listingOrder = 17},
    {.keyword = K::DcPrec, .name = "*DC_PREC", .kind = V::Number, .column = 10, .number = &O::dcPrecision,
     .omit = Omit::AtDefault, .fileOrder = 20, .listingOrder = 18},
    {.keyword = K::Progressive, .name = "*PROGRESSIVE", .kind = V::Switch,
     .flag = sets<&O::interlaceMode, InterlaceMode::Progressive>(), .fileOrder = 21, .listingOrder = 19},
    {.keyword = K::Interlaced, .name = "*INTERLACED", .kind = V::Switch,
     .flag = sets<&O::interlaceMode, InterlaceMode::Interlaced>(), .fileOrder = 22, .listingOrder = 20},
    {.keyword = K::DvSource, .name = "*DVSOURCE", .kind = V::Switch,
     .flag = sets<&O::interlaceMode, InterlaceMode::DvSource>(), .fileOrder = 23, .listingOrder = 21},
    {.keyword = K::Bff, .name = "*BFF", .kind = V::Switch, .flag = sets<&O::fieldOrder, FieldOrder::BottomFirst>(),
     .fileOrder = 24, .listingOrder = 22, .when = bottomFieldFirstChosen},
    {.keyword = K::Tff, .name = "*TFF", .kind = V::Switch, .flag = sets<&O::fieldOrder, FieldOrder::TopFirst>(),
     .fileOrder = 25, .listingOrder = 23, .when = topFieldFirstChosen},
    {.keyword = K::ChromaDownsample, .name = "*CHROMADOWNSAMPLE", .kind = V::Number, .column = 19,
     .number = &O::chromaDownsampling, .clamp = Clamp{0, 1}, .omit = Omit::NotPositive, .fileOrder = 26,
     .listingOrder = 24},
    {.keyword = K::NoScd, .name = "*NOSCD", .kind = V::Switch, .flag = sets<&O::sceneChange, false>(),
     .fileOrder = 27, .listingOrder = 25},
    {.keyword = K::NoVbv, .name = "*NOVBV", .kind = V::Switch, .flag = sets<&O::vbvCheck, false>(),
     .fileOrder = 28, .listingOrder = 27},
    {.keyword = K::ClosedGops, .name = "*CLOSEDGOPS", .kind = V::Switch, .flag = sets<&O::closedGops, true>(),
     .fileOrder = 29, .listingOrder = 28},
    {.keyword = K::OnePass, .name = "*1PASS", .kind = V::Switch, .flag = sets<&O::onePass, true>(),
     .fileOrder = 30, .listingOrder = 29},
    {.keyword = K::NoSeqEndcode, .name = "*NOSEQ_ENDCODE", .kind = V::Switch,
     .flag = sets<&O::writeSeqEndcode, false>(), .fileOrder = 31, .listingOrder = 30},
    {.keyword = K::ScdFile, .name = "*SCDFILE", .kind = V::Switch, .flag = sets<&O::scdFile, true>(),
     .fileOrder = 32, .listingOrder = 31},
    {.keyword = K::FrameLog, .name = "*FRAMELOG", .kind = V::Switch, .flag = sets<&O::frameLog, true>(),
     .fileOrder = 33, .listingOrder = 32},
    {.keyword = K::Bias, .name = "*BIAS", .kind = V::Number, .column = 7, .number = &O::vbrBias,
     .clamp = Clamp{0, 100}, .omit = Omit::NotPositive, .fileOrder = 34, .listingOrder = 34, .when = biasInUse},
    {.keyword = K::MaskShift, .name = "*MASK_SHIFT", .kind = V::Number, .column = 12, .fileOrder = 35,
     .listingOrder = 41, .read = readMaskShift, .write = writeMaskShift},
    {.keyword = K::AvsMemory, .name = "*AVSMEMORY", .kind = V::Number, .column = 12, .number = &O::avsMemory,
     .clamp = Clamp{0, 1024}, .fileOrder = 36, .listingOrder = 42, .when = avsMemoryGiven},
    {.keyword = K::Lossless, .name = "*LOSSLESS", .kind = V::Switch, .flag = sets<&O::useLossless, true>(),
     .fileOrder = 37, .listingOrder = 43},
    {.keyword = K::AdaptiveMatrix, .name = "*ADAPTIVEMATRIX", .kind = V::Switch,
     .flag = sets<&O::adaptiveMatrix, true>(), .fileOrder = 38, .listingOrder = 35},
    {.keyword = K::Pulldown, .name = "*PULLDOWN", .kind = V::Switch, .flag = sets<&O::pulldown, true>(),
     .fileOrder = 39, .listingOrder = 36},
    {.keyword = K::LastIFrame, .name = "*LASTIFRAME", .kind = V::Switch, .flag = sets<&O::lastIFrame, true>(),
     .fileOrder = 40, .listingOrder = 37},
    {.keyword = K::Preview, .name = "*PREVIEW", .kind = V::Switch, .flag = sets<&O::preview, true>(),
     .fileOrder = 41, .listingOrder = 38},
    {.keyword = K::Silent, .name = "*SILENT", .kind = V::Switch, .flag = sets<&O::silent, true>(),
     .fileOrder = 42, .listingOrder = 39},
    {.keyword = K::Timecode, .name = "*TIMECODE", .kind = V::Number, .column = 11, .fileOrder = 43,
     .listingOrder = 40, .read = readTimecode, .write = writeTimecode},
    {.keyword = K::MpegLevel, .name = "*MPEGLEVEL", .kind = V::Words, .column = 11, .number = &O::mpegLevel,
     .words = kLevelWords, .written = kLevelWords, .wordEnd = 80, .preset = 0, .fileOrder = 44,
     .listingOrder = 44},
    {.keyword = K::IntraVlc, .name = "*INTRAVLC", .kind = V::Number, .column = 11, .number = &O::intraVlc,
     .fileOrder = 45, .listingOrder = 45},
    {.keyword = K::Matrix, .name = "*MATRIX", .kind = V::Words, .column = 8, .number = &O::matrixChoice,
     .words = kMatrixWords, .preset = 1, .fileOrder = 46, .listingOrder = 46, .when = builtInMatrix,
     .write = writeMatrixName},
    {.keyword = K::CustomMatrix, .name = "*CUSTOMMATRIX", .kind = V::List, .fileOrder = 47, .listingOrder = 47,
     .read = readCustomMatrix, .when = customMatrix, .write = writeCustomMatrix},
    {.keyword = K::LumGain, .name = "*LUMGAIN", .kind = V::Number, .column = 9, .number = &O::lumGain,
     .clamp = Clamp{0, 4}, .omit = Omit::NotPositive, .fileOrder = 48, .listingOrder = 48},
    {.keyword = K::Colour, .name = "*COLOUR", .kind = V::Number, .column = 9, .number = &O::colour,
     .omit = Omit::NotPositive, .fileOrder = 49, .listingOrder = 49, .read = readColour},
    {.keyword = K::Cpu, .name = "*CPU", .kind = V::Words, .column = 5, .number = &O::cpuMode, .words = kCpuWords,
     .written = kCpuWritten, .fileOrder = 50, .listingOrder = 50},
    {.keyword = K::Priority, .name = "*PRIORITY", .kind = V::Words, .column = 10, .number = &O::priority,
     .words = kPriorityWords, .written = kPriorityWritten, .preset = 0, .fileOrder = 51, .listingOrder = 51},
    {.keyword = K::ChromaFormat, .name = "*CHROMAFORMAT", .kind = V::Words, .column = 14,
     .number = &O::chromaFormat, .words = kChromaWords, .written = kChromaWritten, .wordEnd = 85,
     .fileOrder = 52, .listingOrder = 52},
    {.keyword = K::Wait, .name = "*WAIT", .kind = V::Number, .column = 7, .number = &O::waitSeconds,
     .clamp = Clamp{0, 99}, .omit = Omit::AtDefault, .fileOrder = 53, .listingOrder = 53},
    {.keyword = K::Shutdown, .name = "*SHUTDOWN", .kind = V::Switch, .flag = sets<&O::shutdown, true>(),
     .fileOrder = 54, .listingOrder = 54},
    {.keyword = K::DvdFolder, .name = "*DVDFOLDER", .kind = V::Name, .column = 12, .text = &Settings::dvdFolder,
     .fileOrder = 55, .listingOrder = 55},
    {.keyword = K::DvdIso, .name = "*DVDISO", .kind = V::Name, .column = 9, .text = &Settings::dvdIso,
     .fileOrder = 56, .listingOrder = 56},
    {.keyword = K::AudioFile, .name = "*AUDIOFILE", .kind = V::Name, .column = 12, .text = &Settings::audioFile,
     .fileOrder = 57, .listingOrder = 57},
    {.keyword = K::AudioTrack, .name = "*AUDIOTRACK", .kind = V::Number, .column = 13, .number = &O::audioTrack,
     .clamp = Clamp{1, 8}, .omit = Omit::AtDefault, .fileOrder = 58, .listingOrder = 58},
    {.keyword = K::FrameSize, .name = "*FRAMESIZE", .kind = V::Number, .column = 12, .fileOrder = 59,
     .listingOrder = 59, .read = readFrameSize, .when = frameSizeGiven, .write = writeFrameSize},
    {.keyword = K::Chapter, .name = "*CHAPTER", .kind = V::List, .column = 9, .fileOrder = 60,
     .listingOrder = 60, .read = readChapterList, .write = writeChapterList},
    {.keyword = K::Zone, .name = "*ZONE", .kind = V::List, .column = 7, .fileOrder = 61, .listingOrder = 61,
     .read = readZoneList, .write = writeZoneList},
    {.keyword = K::PanScan, .name = "*PANSCAN", .kind = V::List, .column = 10, .fileOrder = 62,
     .listingOrder = 62, .read = readPanScanList, .when = panScanOn, .write = writePanScanList},
    // Recognised, and changing nothing in the front-end: never written.
    {.keyword = K::ScanMethod, .name = "*SCANMETHOD", .kind = V::Words, .column = 12, .words = kScanWords},
    {.keyword = K::AvsReload, .name = "*AVSRELOAD", .kind = V::Switch, .read = readAvsReload},
};
// clang-format on

std::vector<const KeywordRow*> ordered(int KeywordRow::*place) {
    std::vector<const KeywordRow*> rows;
    for (const KeywordRow& row : kRows)
        if (row.*place > 0) rows.push_back(&row);
    std::sort(rows.begin(), rows.end(),
              [place](const KeywordRow* a, const KeywordRow* b) { return a->*place < b->*place; });
    return rows;
}

const std::array<const KeywordRow*, kKeywordSlots>& rowsBySlot() {
    static const std::array<const KeywordRow*, kKeywordSlots> rows = [] {
        std::array<const KeywordRow*, kKeywordSlots> r{};
        for (const KeywordRow& row : kRows)
            r[static_cast<std::size_t>(row.keyword)] = &row;
        return r;
    }();
    return rows;
}

} // namespace

std::span<const KeywordRow> keywordTable() {
    return kRows;
}

const KeywordRow* keywordRowAt(std::size_t slot) {
    return slot < kKeywordSlots ? rowsBySlot()[slot] : nullptr;
}

const KeywordRow& keywordRow(Keyword keyword) {
    return *rowsBySlot()[static_cast<std::size_t>(keyword)];
}

std::string_view keywordName(Keyword keyword) {
    const KeywordRow* row = keywordRowAt(static_cast<std::size_t>(keyword));
    return row ? row->name : std::string_view();
}

std::span<const KeywordRow* const> fileOrder() {
    static const std::vector<const KeywordRow*> rows = ordered(&KeywordRow::fileOrder);
    return rows;
}

std::span<const KeywordRow* const> listingOrder() {
    static const std::vector<const KeywordRow*> rows = ordered(&KeywordRow::listingOrder);
    return rows;
}

} // namespace mivo
