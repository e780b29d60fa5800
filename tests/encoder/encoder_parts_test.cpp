// The encoder's parts without a run: the per-frame features, the header rewrites (read back with the
// tests' own stream parser), the picture adjustments and the lists a job keeps.

#include "encode_job.h"
#include "frame_features.h"
#include "picture_adjust.h"
#include "picture_headers.h"
#include "run_environment.h"
#include "scaled_frame_source.h"
#include "stream_checks.h"

#include "core/settings/ini_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/cpu.h>
}

namespace mivo::encoder {
namespace {

EncodeJob jobOf(const std::string& ini, const StreamFacts& facts, std::string* error = nullptr) {
    SourceState source;
    auto settings = std::make_unique<Settings>(source);
    IniInputCheck check;
    check.fileExists = [](const std::string&) { return true; };
    check.classify = [](const std::string&) { return IniInputOutcome::Accepted; };
    settings->setStartUpValues();
    parseIni("*INFILE /v/a.d2v\n*OUTFILE /v/a.m2v\n" + ini, IniMode::Default, *settings, check);
    EncodeJob job;
    std::string why;
    EXPECT_TRUE(planJob(*settings, source, job, why)) << why;
    const bool fitted = fitToSource(job, facts, why);
    if (error)
        *error = fitted ? "" : why;
    else
        EXPECT_TRUE(fitted) << why;
    return job;
}

const StreamFacts kPal{720, 576, 25, 1, 200};
const StreamFacts kFilm{720, 480, 24000, 1001, 200};

TEST(EncoderParts, ListsAreKeptInAbsoluteFramesInsideTheRange) {
    const EncodeJob job =
        jobOf("*FRAMES 10 99\n*CHAPTER 5\n40 5 40 120 10\n*ZONE 3\n60 2.0 0 0.5 90 9\n", kPal);
    EXPECT_EQ(job.chapterFrames, (std::vector<int>{10, 40}));
    ASSERT_EQ(job.zones.size(), 3u);
    const Zone expected[] = {{10, 59, 0.5f}, {60, 89, 2.0f}, {90, 99, 5.0f}}; // factors held to 0.2..5
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(job.zones[i].firstFrame, expected[i].firstFrame);
        EXPECT_EQ(job.zones[i].lastFrame, expected[i].lastFrame);
        EXPECT_FLOAT_EQ(job.zones[i].factor, expected[i].factor);
    }
    for (const auto& [frame, factor] : {std::pair{9, 1.0f}, {10, 0.5f}, {59, 0.5f}, {60, 2.0f}, {99, 5.0f}})
        EXPECT_FLOAT_EQ(zoneFactorAt(job, frame), factor) << frame;
    // The rate control counts from the range's first frame.
    const std::vector<Zone> passZones = rateControlZones(job);
    ASSERT_EQ(passZones.size(), 3u);
    EXPECT_EQ(passZones[1].firstFrame, 50);
    EXPECT_EQ(passZones[1].lastFrame, 79);
    EXPECT_FLOAT_EQ(passZones[1].factor, 2.0f);
}

// The lengths of the GOPs that open at `starts` in a job ending at `end`.
std::vector<int> gopLengths(const std::vector<int>& starts, int end) {
    std::vector<int> lengths;
    for (std::size_t k = 0; k < starts.size(); ++k)
        lengths.push_back((k + 1 < starts.size() ? starts[k + 1] : end + 1) - starts[k]);
    return lengths;
}

TEST(EncoderParts, GopStartsShareEachSectionEvenlyAndForceTheirPictureTypes) {
    // Sections of 1, 2, 16, 17, 31 and 45 frames between chapters, GOPs of at most 15 with 2 B-frames.
    // A GOP that ends on the P-frame before a chapter also holds the two B-frames left over from the GOP
    // before it, so a section's last GOP is at most 13 frames when another GOP precedes it.
    const EncodeJob sections = jobOf("*FRAMES 0 111\n*CHAPTER 5\n1 3 19 36 67\n", kPal);
    EXPECT_EQ(gopLengths(sections.gopStarts, 111),
              (std::vector<int>{1, 2, 8, 8, 9, 8, 11, 10, 10, 12, 11, 11, 11}));
    // A segment cut ends its section as a chapter does; a scene cut ends it on B-frames and leaves B-frames
    // over to the GOP it opens; frames past the end are no cuts.
    EXPECT_EQ(gopLengths(planGopStarts(sections, {85, 200}, {}), 111),
              (std::vector<int>{1, 2, 8, 8, 9, 8, 11, 10, 10, 9, 9, 14, 13}));
    EXPECT_EQ(gopLengths(planGopStarts(sections, {}, {82, 100}), 111),
              (std::vector<int>{1, 2, 8, 8, 9, 8, 11, 10, 10, 15, 9, 9, 12}));
    // *LASTIFRAME ends the title on a GOP of its own, the frames before it shared out up to it; NTSC's
    // GOPs of 18.
    EXPECT_EQ(gopLengths(jobOf("*FRAMES 0 299\n*LASTIFRAME\n", {720, 576, 25, 1, 300}).gopStarts, 299),
              (std::vector<int>{15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
                                15, 15, 15, 15, 15, 15, 15, 15, 14, 1}));
    EXPECT_EQ(
        gopLengths(jobOf("*GOP 18 2\n*FRAMES 0 99\n*CHAPTER 1\n90\n", {720, 480, 30000, 1001, 200}).gopStarts,
                   99),
        (std::vector<int>{15, 15, 15, 15, 15, 15, 10}));
    const EncodeJob job = jobOf("*FRAMES 10 50\n*CHAPTER 3\n10 20 21\n*LASTIFRAME\n", kPal);
    for (int f = 10; f <= 50; ++f) {
        const ForcedType want = f == 10 || f == 20 || f == 21 || f == 36 || f == 50 ? ForcedType::Intra
                                : f == 19                                           ? ForcedType::Predicted
                                                                                    : ForcedType::None;
        EXPECT_EQ(forcedPictureType(job, f), want) << f;
    }
}

TEST(EncoderParts, DvdGopLimitsFollowTheRateAndPulldown) {
    struct Row {
        std::string ini;
        StreamFacts facts;
        int gop;
        bool pulldown;
    };
    const Row rows[] = {{"*GOP 36 2\n", kPal, 15, false},
                        {"*GOP 36 2\n", {720, 480, 30000, 1001, 200}, 18, false},
                        {"*GOP 36 2\n*PULLDOWN\n", kFilm, 14, true},
                        {"*GOP 36 2\n*PULLDOWN\n", kPal, 15, false}, // pulldown needs a film rate
                        {"*GOP 36 2\n", {1920, 1080, 25, 1, 200}, 36, false}};
    for (const Row& r : rows) {
        const EncodeJob job = jobOf(r.ini, r.facts);
        EXPECT_EQ(job.gopLength, r.gop) << r.ini;
        EXPECT_EQ(job.pulldown, r.pulldown) << r.ini;
    }
    std::string error;
    jobOf("*MASK_SHIFT 300 300 0\n", kPal, &error);
    EXPECT_NE(error.find("leaves nothing of a picture"), std::string::npos) << error;
}

TEST(EncoderParts, PulldownCadenceAlternatesFieldsAndShowsFiveFramesForFour) {
    const EncodeJob job = jobOf("*PULLDOWN\n*FRAMES 7 200\n", kFilm);
    ASSERT_TRUE(job.pulldown);
    for (int f = 7; f < 47; ++f) {
        const FieldFlags now = pulldownFlags(job, f), next = pulldownFlags(job, f + 1);
        // The field after this frame's last one has the other parity.
        EXPECT_EQ(next.topFieldFirst, now.repeatFirstField ? !now.topFieldFirst : now.topFieldFirst) << f;
        EXPECT_EQ(fieldsBefore(job, f + 1) - fieldsBefore(job, f), now.repeatFirstField ? 3 : 2) << f;
    }
    EXPECT_TRUE(pulldownFlags(job, 7).topFieldFirst);
    EXPECT_EQ(fieldsBefore(job, 7 + 40), 100); // 40 film frames fill 50 video frames
}

// A coded picture as libavcodec writes an I-frame of a progressive 23.976 sequence: sequence header,
// sequence extension, GOP header, picture header, picture coding extension, one slice.
std::vector<std::uint8_t> codedIFrame(int temporalReference) {
    std::vector<std::uint8_t> d = {0,    0,    1, 0xB3, 0x2D, 0x01, 0xE0, 0x21, 0xFF, 0xFF,
                                   0xE0, 0x00,                                              // 720x480, 23.976
                                   0,    0,    1, 0xB5, 0x14, 0x8A, 0x00, 0x01, 0x00, 0x00, // progressive
                                   0,    0,    1, 0xB8, 0x00, 0x08, 0x00, 0x00,             // 00:00:00:00
                                   0,    0,    1, 0x00, 0,    0,    0xFF, 0xF8,             // picture
                                   0,    0,    1, 0xB5, 0x8F, 0xFF, 0xF3, 0x41, 0x80,       // coding ext
                                   0,    0,    1, 0x01, 0x12, 0x34, 0x56, 0x78};
    d[34] = static_cast<std::uint8_t>(temporalReference >> 2);
    d[35] = static_cast<std::uint8_t>(((temporalReference & 3) << 6) | (1 << 3)); // type I
    return d;
}

TEST(EncoderParts, HeaderRewritesGiveTimeCodesClosedChapterGopsAndPulldownFlags) {
    const EncodeJob job = jobOf("*PULLDOWN\n*FRAMES 10 200\n*CHAPTER 1\n22\n*TIMECODE 1 2 3 4\n", kFilm);
    struct Row {
        int frame, temporalReference;
        bool closed, tff, rff;
        std::array<int, 4> timecode;
    };
    // Frame 22 opens a GOP shown from frame 22 (12 film frames after the start: 15 video frames); frame
    // 25 is coded after two B-frames shown before it (frame 23: 16 video frames, 1 field into the 17th).
    const Row rows[] = {{22, 0, true, true, true, {1, 2, 3, 19}}, {25, 2, false, true, false, {1, 2, 3, 20}}};
    for (const Row& r : rows) {
        std::vector<std::uint8_t> picture = codedIFrame(r.temporalReference);
        rewritePictureHeaders(picture, job, r.frame, timecodeRate(job, kFilm));
        const test::StreamSummary s = test::summarise(picture);
        ASSERT_EQ(s.pictures.size(), 1u);
        const test::CodedPicture& p = s.pictures[0];
        EXPECT_EQ(s.frameRateCode, 4);
        EXPECT_FALSE(s.progressiveSequence);
        EXPECT_EQ(p.closedGop, r.closed) << r.frame;
        EXPECT_EQ(p.topFieldFirst, r.tff) << r.frame;
        EXPECT_EQ(p.repeatFirstField, r.rff) << r.frame;
        EXPECT_TRUE(p.progressiveFrame);
        EXPECT_EQ(p.timecode, r.timecode) << r.frame;
        EXPECT_EQ(picture.size(), codedIFrame(0).size());
    }
    // Hours wrap at 24; every field lands in its place.
    const std::uint32_t bits = gopTimecodeBits({23, 59, 59, 24}, 1, 25);
    EXPECT_EQ(bits, (0u << 19) | (0u << 13) | (1u << 12) | (0u << 6) | 0u);
    EXPECT_EQ(gopTimecodeBits({1, 2, 3, 4}, 0, 30), (1u << 19) | (2u << 13) | (1u << 12) | (3u << 6) | 4u);
}

TEST(EncoderParts, MaskShiftAndChromaUpsamplingMoveWholeLines) {
    // Each line holds its own number; after a shift of 2 up, a mask of 2 on top and 4 at the bottom.
    constexpr int w = 4, h = 12;
    std::vector<std::uint8_t> y(w * h), cb(w / 2 * h / 2), cr(w / 2 * h / 2);
    for (int i = 0; i < w * h; ++i)
        y[i] = static_cast<std::uint8_t>(100 + i / w);
    for (std::size_t i = 0; i < cb.size(); ++i)
        cb[i] = cr[i] = static_cast<std::uint8_t>(50 + i / (w / 2));
    encoder::maskAndShift({y.data(), w, h, w}, {cb.data(), w / 2, h / 2, w / 2},
                          {cr.data(), w / 2, h / 2, w / 2}, 2, 2, 4, 2);
    const int wantLuma[h] = {16, 16, 104, 105, 106, 107, 108, 109, 16, 16, 16, 16};
    const int wantChroma[h / 2] = {128, 52, 53, 54, 128, 128};
    for (int line = 0; line < h; ++line)
        EXPECT_EQ(y[line * w + 1], wantLuma[line]) << line;
    for (int line = 0; line < h / 2; ++line)
        EXPECT_EQ(cr[line * (w / 2)], wantChroma[line]) << line;

    // 4:2:0 to 4:2:2: progressive repeats each line; interlaced keeps each field's chroma in its field.
    const std::uint8_t src[4] = {0, 1, 2, 3};
    std::uint8_t out[8];
    const std::uint8_t progressive[8] = {0, 0, 1, 1, 2, 2, 3, 3}, interlaced[8] = {0, 1, 0, 1, 2, 3, 2, 3};
    chroma420To422(src, 1, 4, out, false);
    EXPECT_TRUE(std::equal(out, out + 8, progressive));
    chroma420To422(src, 1, 4, out, true);
    EXPECT_TRUE(std::equal(out, out + 8, interlaced));
}

// A source of flat planes in the sources' layout (luma, V, U); its even and odd lines may differ, as the
// two fields of an interlaced frame do.
class FlatSource final : public FrameSource {
  public:
    FlatSource(int width, int height, double aspect, std::uint8_t even, std::uint8_t odd)
        : even_(even), odd_(odd) {
        facts_ = {width, height, 25, 1, 10, aspect};
        const auto w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
        frame_.resize(w * h + w * h / 2, kV);
        std::fill(frame_.begin() + static_cast<std::ptrdiff_t>(w * h + w * h / 4), frame_.end(), kU);
        for (std::size_t line = 0; line < h; ++line)
            std::fill_n(frame_.begin() + static_cast<std::ptrdiff_t>(line * w), w, line % 2 ? odd : even);
    }
    const std::uint8_t* frame(int) const override { return frame_.data(); }
    // A second reader that does not know the picture's shape, as a second decoder library may not.
    std::unique_ptr<FrameSource> twin(std::string&) const override {
        return std::make_unique<FlatSource>(facts_.width, facts_.height, 0.0, even_, odd_);
    }
    static constexpr std::uint8_t kU = 90, kV = 170;

  private:
    std::uint8_t even_, odd_;
    std::vector<std::uint8_t> frame_;
};

TEST(EncoderParts, ScaledPicturesKeepTheirShapeBetweenBlackBorders) {
    struct Case {
        const char* what;
        double aspect;
        bool fields;
        PictureArea area;
        int evenLines, oddLines; // luma of the picture's even and odd lines
    };
    const Case cases[] = {
        {"4:3 in 16:9: pillarbox", 4.0 / 3, false, {8, 0, 48, 48}, 200, 200},
        {"2.35:1 in 16:9: letterbox", 2.35, false, {0, 4, 64, 36}, 200, 200},
        {"fields scaled apart keep their own lines", 2.35, true, {0, 4, 64, 36}, 200, 40},
    };
    for (const Case& c : cases) {
        std::string error;
        auto source = std::make_unique<FlatSource>(64, 48, c.aspect, 200, c.fields ? 40 : 200);
        std::unique_ptr<ScaledFrameSource> scaled =
            ScaledFrameSource::create(std::move(source), 64, 48, 3, error);
        ASSERT_TRUE(scaled) << error;
        EXPECT_EQ(scaled->area(), c.area) << c.what;
        ASSERT_TRUE(scaled->scaleFields(c.fields));
        std::unique_ptr<FrameSource> twin = scaled->twin(error);
        ASSERT_TRUE(twin) << error;
        for (const FrameSource* reader : std::array<const FrameSource*, 2>{scaled.get(), twin.get()}) {
            EXPECT_EQ(reader->facts().width, 64);
            EXPECT_NEAR(reader->facts().displayAspect, 16.0 / 9, 1e-9);
            const std::uint8_t* f = reader->frame(0);
            ASSERT_NE(f, nullptr);
            const PictureArea& a = c.area;
            const auto inside = [&](int x, int y) {
                return x >= a.x && x < a.x + a.width && y >= a.y && y < a.y + a.height;
            };
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x) {
                    const int want = !inside(x, y) ? 16 : (y - a.y) % 2 ? c.oddLines : c.evenLines;
                    ASSERT_NEAR(f[y * 64 + x], want, 1) << c.what << " luma " << x << "," << y;
                }
            // V first, then U, as the sources lay them out.
            for (int plane = 0; plane < 2; ++plane)
                for (int y = 0; y < 24; ++y)
                    for (int x = 0; x < 32; ++x) {
                        const int want = !inside(2 * x, 2 * y) ? 128
                                         : plane == 0          ? FlatSource::kV
                                                               : FlatSource::kU;
                        ASSERT_NEAR(f[64 * 48 + plane * 32 * 24 + y * 32 + x], want, 1)
                            << c.what << " chroma plane " << plane << " at " << x << "," << y;
                    }
        }
    }
}

TEST(EncoderParts, CpuModesAllowTheirExtensionSetsOnly) {
    const int all = AV_CPU_FLAG_MMX | AV_CPU_FLAG_MMXEXT | AV_CPU_FLAG_SSE | AV_CPU_FLAG_SSE2 |
                    AV_CPU_FLAG_SSE3 | AV_CPU_FLAG_SSSE3 | AV_CPU_FLAG_AVX;
    EXPECT_EQ(forcedCpuFlags(0, all), -1);
    EXPECT_EQ(forcedCpuFlags(1, all), AV_CPU_FLAG_MMX | AV_CPU_FLAG_MMXEXT);
    EXPECT_EQ(forcedCpuFlags(2, all) & AV_CPU_FLAG_SSE3, 0);
    EXPECT_EQ(forcedCpuFlags(4, all), all & ~AV_CPU_FLAG_AVX);
    EXPECT_EQ(forcedCpuFlags(4, AV_CPU_FLAG_MMX), AV_CPU_FLAG_MMX); // never more than the processor has
}

} // namespace
} // namespace mivo::encoder
