// The parts of a segmented encode that need no encoder: how a job is cut, how each segment's second
// pass sees the title's statistics, the buffer model at the joins, the scan "auto detect" chooses and
// the profiles' options.

#include "encode_job.h"
#include "encoder_profile.h"
#include "segment_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

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

struct TypedLine {
    int in = 0, out = 0, type = 0, lambda = 0, intra = 0, inter = 0, vectors = 0, misc = 0;
    char rest[80] = {};
};

std::vector<TypedLine> typedLines(const std::string& stats) {
    std::vector<TypedLine> lines;
    std::istringstream in(stats);
    for (std::string text; std::getline(in, text);) {
        TypedLine l;
        EXPECT_EQ(std::sscanf(text.c_str(),
                              "in:%d out:%d type:%d q:%d itex:%d ptex:%d mv:%d misc:%d %79[^\n]", &l.in,
                              &l.out, &l.type, &l.lambda, &l.intra, &l.inter, &l.vectors, &l.misc, l.rest),
                  9)
            << text;
        lines.push_back(l);
    }
    return lines;
}

// The quantiser step a quality is coded at: libavcodec rounds the Lagrange multiplier (118 to a code) to
// the nearest code within 1..qmax; the non-linear scale has steps of 1 up to code 8, then wider ones.
TEST(SegmentPlan, QualitiesRoundToTheQuantiserStepsOfEitherScale) {
    struct Row {
        double lambda;
        bool nonLinear;
        int qmax;
        double step;
    };
    const Row rows[] = {{30, false, 31, 2},    {118, false, 31, 2},   {176, false, 31, 2},
                        {178, false, 31, 4},   {472, false, 31, 8},   {3658, false, 31, 62},
                        {9000, false, 31, 62}, {3658, false, 28, 56}, {118, true, 31, 1},
                        {354, true, 31, 3},    {1062, true, 31, 10},  {1180, true, 31, 12},
                        {2950, true, 31, 64},  {3658, true, 31, 112}, {3658, true, 28, 88}};
    for (const Row& r : rows)
        EXPECT_EQ(quantiserStep(r.lambda, r.nonLinear, r.qmax), r.step) << r.lambda << " " << r.nonLinear;
}

// Statistics of a title shown as I B B P B B P ..., in coded order (each anchor before the B-pictures
// shown ahead of it), textures varying by picture, every type measured at one quality.
std::string reorderedStats(int pictures, int seed) {
    std::vector<int> coded;
    for (int anchor = 0, last = 0; anchor < pictures; last = anchor, anchor += 3) {
        coded.push_back(anchor);
        for (int b = last + 1; b < anchor; ++b)
            coded.push_back(b);
    }
    std::string out;
    for (std::size_t c = 0; c < coded.size(); ++c) {
        const int in = coded[c], type = in == 0 ? 1 : in % 3 == 0 ? 2 : 3;
        const int lambda = type == 1 ? 420 : type == 2 ? 530 : 660;
        const int tex = 20000 + ((in * 7919 + seed * 104729) % 60000) * (type == 3 ? 1 : 3);
        char line[200];
        std::snprintf(line, sizeof line,
                      "in:%d out:%zu type:%d q:%d itex:%d ptex:%d mv:%d misc:%d fcode:1 bcode:1 mc-var:9 "
                      "var:7 icount:0 hbits:0;\n",
                      in, c, type, lambda, type == 1 ? tex : tex / 10, type == 1 ? 0 : tex, 900 + in, 300);
        out += line;
    }
    return out;
}

// libavcodec's second pass on statistics: its plan (P-pictures by complexity, I- and B-pictures from the
// anchor shown after them, the rate factor that makes the 1/quantiser prediction meet the target), then
// the quantiser each picture is coded at under the running correction, and what the measured pictures
// cost there on the fitted curve of the quantiser step.
// Per picture type (1 I, 2 P, 3 B; 0 the title): the bits the plan predicts and the bits spent.
struct Spending {
    std::array<double, 4> predicted{}, spent{};
};

Spending simulatedSecondPass(const std::vector<std::string>& measured, const std::vector<std::string>& read,
                             const SecondPassModel& m) {
    std::vector<std::vector<TypedLine>> plans, truth;
    for (std::size_t k = 0; k < read.size(); ++k) {
        plans.push_back(typedLines(read[k]));
        truth.push_back(typedLines(measured[k]));
    }
    const double e = 1 - m.qcompress;
    std::vector<std::vector<double>> q(plans.size());
    const auto planAt = [&](double rate) {
        double bits = 0;
        for (std::size_t k = 0; k < plans.size(); ++k) {
            const std::vector<TypedLine>& lines = plans[k];
            std::vector<double>& byDisplay = q[k];
            byDisplay.assign(lines.size(), 0);
            std::vector<const TypedLine*> shown(lines.size());
            for (const TypedLine& l : lines)
                shown[std::size_t(l.in)] = &l;
            double anchor = 0, predicted = 0;
            for (std::size_t d = lines.size(); d-- > 0;) {
                const TypedLine& l = *shown[d];
                const double own = std::pow(double(l.intra + l.inter) * l.lambda, e) / rate;
                byDisplay[d] = l.type == 2                    ? own
                               : l.type == 1 && predicted > 0 ? predicted * m.iFactor
                               : l.type == 1                  ? own * m.iFactor
                                             : (anchor > 0 ? anchor : own) * m.bFactor + m.bOffset;
                byDisplay[d] = std::max(byDisplay[d], 118.0);
                if (l.type != 3) anchor = byDisplay[d];
                if (l.type == 2) predicted = byDisplay[d];
                bits += double(l.intra + l.inter) * l.lambda / byDisplay[d] + l.vectors + l.misc;
            }
        }
        return bits;
    };
    double low = -100, high = 100;
    for (int step = 0; step < 100; ++step) {
        const double mid = (low + high) / 2;
        (planAt(std::exp(mid)) > m.titleBits ? high : low) = mid;
    }
    planAt(std::exp(low));
    Spending out;
    for (std::size_t k = 0; k < plans.size(); ++k) {
        std::vector<double> expected(plans[k].size() + 1, 0);
        for (const TypedLine& l : plans[k])
            expected[std::size_t(l.in) + 1] =
                double(l.intra + l.inter) * l.lambda / q[k][std::size_t(l.in)] + l.vectors + l.misc;
        for (std::size_t d = 1; d < expected.size(); ++d)
            expected[d] += expected[d - 1];
        double spent = 0;
        for (std::size_t c = 0; c < plans[k].size(); ++c) {
            const TypedLine& l = truth[k][c];
            const double swing =
                m.toleranceBits > 0
                    ? std::clamp((m.toleranceBits - spent + expected[std::size_t(l.in)]) / m.toleranceBits,
                                 0.5, 2.0)
                    : 1.0;
            const double coded = q[k][std::size_t(l.in)] / swing;
            const double bits =
                double(l.intra + l.inter) * std::pow(quantiserStep(l.lambda, m.nonLinear, m.qmax) /
                                                         quantiserStep(coded, m.nonLinear, m.qmax),
                                                     m.power) +
                l.vectors + l.misc;
            spent += bits;
            const std::size_t t = std::size_t(l.type);
            out.spent[t] += bits;
            out.spent[0] += bits;
            const double predicted = expected[std::size_t(l.in) + 1] - expected[std::size_t(l.in)];
            out.predicted[t] += predicted;
            out.predicted[0] += predicted;
        }
    }
    return out;
}

// The second pass plans with texture bits falling as 1/quantiser and corrects as it goes; on the rewritten
// statistics what it then spends, on the fitted curve, must meet the title's target: for titles asking
// finer and coarser quantisers, on both quantiser scales, with and without the running correction.
TEST(SegmentPlan, RewrittenStatisticsLeadTheSecondPassToItsTarget) {
    const std::vector<std::string> stats{reorderedStats(240, 1), reorderedStats(181, 2)};
    double measured = 0, fixed = 0;
    for (const std::string& s : stats)
        for (const TypedLine& l : typedLines(s)) {
            measured += l.intra + l.inter + l.vectors + l.misc;
            fixed += l.vectors + l.misc;
        }
    const std::vector<std::string> bad{stats[0], "in:0 out:0 type:x;"};
    EXPECT_EQ(statisticsForQuantiserPower(bad, SecondPassModel{2.0, 0.5, measured}), bad);
    for (const double power : {1.0, 1.6, 2.5})
        for (const double share : {0.7, 1.0, 1.4})
            for (const bool nonLinear : {false, true})
                for (const double tolerance : {0.02, 0.08}) {
                    SecondPassModel m;
                    m.power = power, m.qcompress = 0.7, m.nonLinear = nonLinear;
                    m.titleBits = fixed + (measured - fixed) * share;
                    m.toleranceBits = tolerance * m.titleBits;
                    const std::string where = std::to_string(power) + "/" + std::to_string(share) + "/" +
                                              std::to_string(nonLinear) + "/" + std::to_string(tolerance);
                    const std::vector<std::string> rewritten = statisticsForQuantiserPower(stats, m);
                    ASSERT_EQ(rewritten.size(), stats.size());
                    for (std::size_t k = 0; k < stats.size(); ++k) {
                        const std::vector<TypedLine> a = typedLines(stats[k]), b = typedLines(rewritten[k]);
                        ASSERT_EQ(a.size(), b.size()) << where;
                        for (std::size_t i = 0; i < a.size(); ++i) {
                            // Only the texture moves.
                            EXPECT_EQ(
                                std::tie(a[i].in, a[i].out, a[i].type, a[i].lambda, a[i].vectors, a[i].misc),
                                std::tie(b[i].in, b[i].out, b[i].type, b[i].lambda, b[i].vectors, b[i].misc))
                                << where;
                            EXPECT_STREQ(a[i].rest, b[i].rest) << where;
                        }
                    }
                    // The plan predicts each type's bits where they are coded, and the title lands.
                    const Spending run = simulatedSecondPass(stats, rewritten, m);
                    EXPECT_NEAR(run.spent[0], m.titleBits, m.titleBits * 0.01) << where;
                    for (std::size_t t = 1; t < 4; ++t)
                        EXPECT_NEAR(run.spent[t] / run.predicted[t], 1, 0.08) << where << " type " << t;
                }
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

struct Coded {
    std::int64_t bytes = -1;
    double lumaError = 0; // sum of squared differences of the coded pictures from the source
    double quality[4] = {}, pictures[4] = {}; // sum of the pictures' lambdas and their count by type
    double bOverP() const {
        return pictures[3] && pictures[2] ? quality[3] * pictures[2] / pictures[3] / quality[2] : 0;
    }
};

// What a profile's pass makes of grainy rings moving two pixels a frame (I B B P B B P ...) at one
// quantiser, or at a bitrate under one-pass rate control.
Coded coded(int profile, bool analysisPass, int bitRate = 0) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
    AVCodecContext* c = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    std::string error;
    Coded result;
    if (c && frame && packet) {
        c->width = 128;
        c->height = 96;
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        c->time_base = {1, 25};
        c->gop_size = 9;
        c->max_b_frames = 2;
        c->flags |= AV_CODEC_FLAG_PSNR | (bitRate ? 0 : AV_CODEC_FLAG_QSCALE);
        c->global_quality = 4 * FF_QP2LAMBDA;
        c->bit_rate = bitRate;
        if (applyProfile(c, profile, analysisPass, error) && avcodec_open2(c, codec, nullptr) == 0)
            result.bytes = 0;
    }
    std::uint32_t noise = 12345;
    for (int n = 0; n <= 18 && result.bytes >= 0; ++n) {
        frame->format = c->pix_fmt;
        frame->width = c->width;
        frame->height = c->height;
        if (n < 18 && av_frame_get_buffer(frame, 0) == 0) {
            std::memset(frame->data[1], 128, std::size_t(frame->linesize[1]) * 48);
            std::memset(frame->data[2], 128, std::size_t(frame->linesize[2]) * 48);
            for (int y = 0; y < 96; ++y)
                for (int x = 0; x < 128; ++x) {
                    noise = noise * 1664525u + 1013904223u;
                    const double r = std::hypot(x - 64 - 2 * n, y - 48);
                    frame->data[0][y * frame->linesize[0] + x] =
                        std::uint8_t(std::clamp(120 + int(60 * std::sin(r / 5)) + int(noise >> 28), 16, 235));
                }
            frame->pts = n;
        }
        if (avcodec_send_frame(c, n < 18 ? frame : nullptr) < 0) result.bytes = -1;
        av_frame_unref(frame);
        while (result.bytes >= 0 && avcodec_receive_packet(c, packet) == 0) {
            result.bytes += packet->size;
            std::size_t size = 0;
            const std::uint8_t* stats = av_packet_get_side_data(packet, AV_PKT_DATA_QUALITY_STATS, &size);
            if (stats && size >= 5 && stats[4] < 4) {
                result.quality[stats[4]] += stats[0] | stats[1] << 8 | stats[2] << 16;
                ++result.pictures[stats[4]];
            }
            av_packet_unref(packet);
        }
    }
    if (c) result.lumaError = double(c->error[0]);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&c);
    return result;
}

TEST(EncoderProfile, EachProfilesFirstPassCodesAsItsSecondWhereTheSecondAddsNoDecisions) {
    // "Fast" codes alike in both passes. "Normal" and "Best" keep their first analysis lighter (the
    // analysis at the settled qualities measures with the writing pass's options, so the plan still
    // scales what the second pass spends): their second pass adds decisions (and "Normal"'s trellis),
    // moving the bytes by at most a fifth ("Best") or a quarter and coding with less error at the same
    // quantiser. B-pictures get the quantiser around them times libavcodec's 1.25, or "Normal"'s 1.1
    // in both passes. Other codes are "Normal".
    const struct {
        int profile;
        bool passesAlike;
        double bytesMoved; // at most, as a share
        double bFactor;
    } rows[] = {{kProfileFast, true, 0, 1.25},
                {kProfileNormal, false, 0.25, 1.1},
                {3, false, 0.25, 1.1},
                {kProfileBest, false, 0.12, 1.25}};
    for (const auto& row : rows) {
        const Coded analysis = coded(row.profile, true), final = coded(row.profile, false);
        ASSERT_GT(analysis.bytes, 0) << row.profile;
        ASSERT_GT(final.bytes, 0) << row.profile;
        EXPECT_NEAR(double(analysis.bytes) / double(final.bytes), 1.0, row.bytesMoved)
            << "profile " << row.profile;
        if (row.passesAlike)
            EXPECT_EQ(final.lumaError, analysis.lumaError) << "profile " << row.profile;
        else
            EXPECT_LT(final.lumaError, 0.97 * analysis.lumaError) << "profile " << row.profile;
        for (const bool pass : {true, false})
            EXPECT_NEAR(coded(row.profile, pass, 600000).bOverP(), row.bFactor, 0.05)
                << "profile " << row.profile << (pass ? ", analysis" : ", second pass");
    }
}

} // namespace
} // namespace mivo::encoder
