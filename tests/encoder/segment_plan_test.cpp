// The parts of a segmented encode that need no encoder: how a job is cut, how each segment's second
// pass sees the title's statistics, the buffer model at the joins, the scan "auto detect" chooses and
// the profiles' options.

#include "encode_job.h"
#include "encoder_profile.h"
#include "segment_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace mivo::encoder {
namespace {

TEST(SegmentPlan, CutsEveryJobIntoAPowerOfTwoOfWholeGopSegmentsThatCoverItOnce) {
    for (const int gop : {1, 4, 12, 15, 18})
        for (const int start : {0, 7})
            for (int frames = 1; frames < 300 * gop; frames += 1 + frames / 3) {
                EncodeJob job;
                job.gopLength = gop;
                job.startFrame = start;
                job.endFrame = start + frames - 1;
                const std::vector<Segment> s = planSegments(job);
                const std::string where =
                    std::to_string(gop) + "/" + std::to_string(start) + "/" + std::to_string(frames);
                ASSERT_FALSE(s.empty()) << where;
                EXPECT_EQ(s.size() & (s.size() - 1), 0u) << where;
                EXPECT_LE(s.size(), static_cast<std::size_t>(kMaxSegments)) << where;
                EXPECT_EQ(s.front().first, job.startFrame) << where;
                EXPECT_EQ(s.back().last, job.endFrame) << where;
                for (std::size_t k = 0; k < s.size(); ++k) {
                    EXPECT_EQ((s[k].first - start) % gop, 0) << where;
                    EXPECT_TRUE(s.size() == 1 || s[k].frames() > (kMinSegmentGops - 1) * gop) << where;
                    EXPECT_TRUE(k == 0 || s[k].first == s[k - 1].last + 1) << where;
                }
                // A job is cut as soon as there is room for two segments.
                EXPECT_EQ(s.size() > 1, (frames + gop - 1) / gop >= 2 * kMinSegmentGops) << where;
            }
}

TEST(SegmentPlan, PlannedGopStartsThatChaptersMovedAreTheOnlyCuts) {
    for (int gops = 1; gops < 400; gops += 1 + gops / 4) {
        EncodeJob job;
        job.startFrame = 3;
        // GOPs of 2 to 20 frames, as chapters leave them.
        for (int g = 0, f = job.startFrame; g < gops; ++g, f += 2 + (g * 7) % 19)
            job.gopStarts.push_back(f);
        job.endFrame = job.gopStarts.back() + 5;
        const std::vector<Segment> s = planSegments(job);
        EXPECT_EQ(s.back().last, job.endFrame) << gops;
        for (std::size_t k = 0; k < s.size(); ++k) {
            const auto at = std::find(job.gopStarts.begin(), job.gopStarts.end(), s[k].first);
            ASSERT_NE(at, job.gopStarts.end()) << gops << "/" << k;
            const auto next = k + 1 < s.size() ? s[k + 1].first : job.endFrame + 1;
            EXPECT_GE(std::lower_bound(at, job.gopStarts.end(), next) - at,
                      s.size() > 1 ? kMinSegmentGops : 1)
                << gops << "/" << k;
        }
        EXPECT_EQ(s.size() > 1, gops >= 2 * kMinSegmentGops) << gops;
    }
}

// First-pass statistics of a segment of n pictures coded I B B P ...: display and coded numbers differ.
std::string segmentStats(int n, int tag) {
    std::string out;
    for (int coded = 0; coded < n; ++coded) {
        const int display = coded == 0 ? 0 : coded % 3 == 1 ? std::min(coded + 2, n - 1) : coded - 1;
        out += "in:" + std::to_string(display) + " out:" + std::to_string(coded) +
               " type:1 q:" + std::to_string(tag) + " itex:5;\n";
    }
    return out;
}

TEST(SegmentPlan, EachSecondPassSeesTheWholeTitleWithItsOwnPicturesFirst) {
    const std::vector<Segment> segments{{0, 3}, {4, 9}, {10, 12}};
    const std::vector<std::string> stats{segmentStats(4, 100), segmentStats(6, 200), segmentStats(3, 300)};
    for (std::size_t k = 0; k < segments.size(); ++k) {
        std::istringstream lines(statisticsForSegment(stats, segments, k));
        int base = 0;
        // Block by block in the title's order from segment k on: the block's own fields, its pictures
        // renumbered to follow the blocks before it.
        for (std::size_t step = 0; step < segments.size(); ++step) {
            const std::size_t from = (k + step) % segments.size();
            const int n = segments[from].frames();
            std::vector<bool> seen(static_cast<std::size_t>(n));
            for (int coded = 0; coded < n; ++coded) {
                std::string line;
                ASSERT_TRUE(std::getline(lines, line)) << k;
                int in = -1, out = -1, q = -1;
                ASSERT_EQ(std::sscanf(line.c_str(), "in:%d out:%d type:1 q:%d itex:5;", &in, &out, &q), 3)
                    << line;
                EXPECT_EQ(q, 100 * static_cast<int>(from + 1)) << line;
                EXPECT_EQ(out, base + coded) << line;
                ASSERT_TRUE(in >= base && in < base + n) << line;
                EXPECT_FALSE(seen[static_cast<std::size_t>(in - base)]) << line;
                seen[static_cast<std::size_t>(in - base)] = true;
            }
            base += n;
        }
        std::string rest;
        EXPECT_FALSE(std::getline(lines, rest)) << rest;
    }
    // Statistics that are not one line per picture of their segment give nothing to run on.
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{stats[0], stats[0], stats[2]},
          std::vector<std::string>{stats[0], stats[1]},
          std::vector<std::string>{stats[0], "in:x out:0;", stats[2]},
          std::vector<std::string>{stats[0], segmentStats(5, 1), stats[2]}})
        EXPECT_EQ(statisticsForSegment(bad, segments, 0), "");
}

TEST(SegmentPlan, TheBufferModelTakesPicturesOutWholeAndRefillsUpToItsSize) {
    const VbvModel model{1000, 300};
    struct Case {
        double start;
        std::vector<std::int64_t> bytes;
        double level;
        bool underflow;
    };
    const Case cases[] = {
        {1000, {}, 1000, false},
        {1000, {50}, 900, false},          // 1000 - 400 + 300
        {1000, {10, 10, 10}, 1000, false}, // refills stop at the size
        {500, {62}, 304, false},           // 496 bits fit
        {500, {63}, 300, true},            // 504 bits do not
        {200, {25, 25, 25}, 500, false},   // each picture fits just as it is due
    };
    for (const Case& c : cases) {
        bool underflow = false;
        EXPECT_DOUBLE_EQ(vbvLevelAfter(model, c.start, c.bytes, underflow), c.level) << c.start;
        EXPECT_EQ(underflow, c.underflow) << c.start;
    }
}

// The factor a list of zones gives picture n, 1 outside them all.
float factorAt(const std::vector<Zone>& zones, int n) {
    for (const Zone& z : zones)
        if (n >= z.firstFrame && n <= z.lastFrame) return z.factor;
    return 1.0f;
}

TEST(SegmentPlan, ZonesFollowTheirFramesIntoEverySecondPassNumbering) {
    const int jobStart = 10;
    const std::vector<Segment> segments{{10, 39}, {40, 44}, {45, 99}};
    // Zones from the job's first frame: inside one segment, across a join, across all, on the edges.
    const std::vector<Zone> zones{{0, 4, 0.5f}, {25, 40, 2.0f}, {41, 41, 0.7f}, {60, 89, 1.5f}};
    for (std::size_t k = 0; k < segments.size(); ++k) {
        const std::vector<Segment> numbering = secondPassNumbering(segments, k);
        const std::vector<Zone> numbered = zonesAsNumbered(zones, jobStart, numbering);
        int n = 0;
        for (const Segment& run : numbering)
            for (int frame = run.first; frame <= run.last; ++frame, ++n)
                EXPECT_EQ(factorAt(numbered, n), factorAt(zones, frame - jobStart))
                    << k << " frame " << frame;
    }
}

TEST(EncodeJobScan, AutoDetectCodesProgressiveOnlyWhenNineInTenFramesAre) {
    struct Case {
        bool autoDetect;
        int progressive;
        Scan scan;
    };
    const Case cases[] = {
        {true, 100, Scan::Progressive}, {true, 90, Scan::Progressive}, {true, 89, Scan::Interlaced},
        {true, 0, Scan::Interlaced},    {true, -1, Scan::Interlaced},  {false, 100, Scan::Interlaced},
    };
    for (const Case& c : cases) {
        EncodeJob job;
        job.startFrame = 50;
        job.endFrame = 149;
        job.scanFromSource = c.autoDetect;
        chooseScan(job, c.progressive);
        EXPECT_EQ(job.scan, c.scan) << c.autoDetect << " " << c.progressive;
        EXPECT_EQ(job.notes.size(), c.autoDetect ? 1u : 0u);
    }
}

TEST(EncoderProfile, EveryProfileOpensTheEncoderWithTrellisWhereItPays) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
    ASSERT_NE(codec, nullptr);
    // Trellis quantisation in the pass that writes the stream from "Normal" up; in the analysis pass
    // only for "Best", whose first pass must predict its second. Other codes are "Normal".
    const struct {
        int profile;
        std::int64_t analysisTrellis, finalTrellis;
    } rows[] = {{kProfileFast, 0, 0}, {kProfileNormal, 0, 1}, {kProfileBest, 1, 1}, {3, 0, 1}};
    for (const auto& row : rows)
        for (const bool analysis : {false, true}) {
            AVCodecContext* c = avcodec_alloc_context3(codec);
            c->width = 64;
            c->height = 64;
            c->pix_fmt = AV_PIX_FMT_YUV420P;
            c->time_base = {1, 25};
            std::string error;
            EXPECT_TRUE(applyProfile(c, row.profile, analysis, error)) << error;
            std::int64_t trellis = -1;
            ASSERT_GE(av_opt_get_int(c, "trellis", AV_OPT_SEARCH_CHILDREN, &trellis), 0);
            EXPECT_EQ(trellis, analysis ? row.analysisTrellis : row.finalTrellis)
                << "profile " << row.profile << (analysis ? ", analysis pass" : ", final pass");
            EXPECT_EQ(avcodec_open2(c, codec, nullptr), 0) << row.profile;
            avcodec_free_context(&c);
        }
}

} // namespace
} // namespace mivo::encoder
