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

// Statistics of I P B B P B B ... pictures in libavcodec's line format, textures varying by picture.
std::string typedStats(int pictures, int seed) {
    std::string out;
    for (int i = 0; i < pictures; ++i) {
        const int type = i == 0 ? 1 : i % 3 == 1 ? 2 : 3;
        const int lambda = type == 1 ? 480 : type == 2 ? 600 : 750;
        const int tex = 20000 + ((i * 7919 + seed * 104729) % 60000) * (type == 3 ? 1 : 3);
        char line[200];
        std::snprintf(line, sizeof line,
                      "in:%d out:%d type:%d q:%d itex:%d ptex:%d mv:%d misc:%d fcode:1 bcode:1 mc-var:9 "
                      "var:7 icount:0 hbits:0;\n",
                      i, i, type, lambda, type == 1 ? tex : tex / 10, type == 1 ? 0 : tex, 900 + i, 300);
        out += line;
    }
    return out;
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

// The second pass plans with texture bits falling as 1/quantiser: on the rewritten statistics that plan
// must land on the fitted curve of the measured ones, for titles asking finer and coarser quantisers.
TEST(SegmentPlan, RewrittenStatisticsMakeTheInverseQuantiserPlanMeetTheFittedCurve) {
    const std::vector<std::string> stats{typedStats(40, 1), typedStats(31, 2)};
    double measured = 0, fixed = 0;
    for (const std::string& s : stats)
        for (const TypedLine& l : typedLines(s)) {
            measured += l.intra + l.inter + l.vectors + l.misc;
            fixed += l.vectors + l.misc;
        }
    EXPECT_EQ(statisticsForQuantiserPower(stats, 1.0, 0.5, measured * 1.3), stats);
    const std::vector<std::string> bad{stats[0], "in:0 out:0 type:x;"};
    EXPECT_EQ(statisticsForQuantiserPower(bad, 2.0, 0.5, measured), bad);
    for (const double power : {1.6, 2.0, 2.5})
        for (const double qcompress : {0.5, 0.75})
            for (const double share : {0.6, 1.0, 1.4}) {
                const double target = fixed + (measured - fixed) * share;
                const std::vector<std::string> rewritten =
                    statisticsForQuantiserPower(stats, power, qcompress, target);
                ASSERT_EQ(rewritten.size(), stats.size());
                const std::string where =
                    std::to_string(power) + "/" + std::to_string(qcompress) + "/" + std::to_string(share);
                double curve = fixed, rate = 0;
                for (std::size_t k = 0; k < stats.size(); ++k) {
                    const std::vector<TypedLine> a = typedLines(stats[k]), b = typedLines(rewritten[k]);
                    ASSERT_EQ(a.size(), b.size()) << where;
                    double lastP = 0;
                    for (std::size_t i = 0; i < a.size(); ++i) {
                        // Only the texture moves.
                        EXPECT_EQ(
                            std::tie(a[i].in, a[i].out, a[i].type, a[i].lambda, a[i].vectors, a[i].misc),
                            std::tie(b[i].in, b[i].out, b[i].type, b[i].lambda, b[i].vectors, b[i].misc))
                            << where;
                        EXPECT_STREQ(a[i].rest, b[i].rest) << where;
                        // The quantiser the plan gives the picture, as a ratio to the measured one.
                        const double texA = a[i].intra + a[i].inter, texB = b[i].intra + b[i].inter;
                        const double r = std::pow(texA / texB, 1 / (power - 1));
                        curve += texA * std::pow(r, -power);
                        EXPECT_NEAR(texA * std::pow(r, -power), texB / r, 2 + texB / r * 1e-3) << where;
                        if (a[i].type == 2) {
                            // One rate for every P-picture: quantiser = complexity^(1 - qcompress) / rate.
                            const double pictureRate =
                                std::pow(texB * b[i].lambda, 1 - qcompress) / (r * b[i].lambda);
                            if (rate == 0) rate = pictureRate;
                            EXPECT_NEAR(pictureRate / rate, 1, 1e-3) << where << " picture " << i;
                            lastP = r;
                        } else if (a[i].type == 3) {
                            EXPECT_NEAR(r, lastP, 1e-3 * lastP) << where << " picture " << i;
                        }
                    }
                }
                EXPECT_NEAR(curve, target, target * 1e-3) << where;
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
    // The two-pass plan scales the first pass's bit counts, so a profile whose analysis quantises or
    // decides differently from its second pass (trellis in one only: a fifth more bytes on grain) or
    // weighs its B-pictures differently lands off its target. "Best" alone leaves its rate-distortion
    // decisions to the second pass: fewer bytes moved than trellis would, less error at the same
    // quantiser. B-pictures get the quantiser around them times libavcodec's 1.25, or "Normal"'s 1.1.
    // Other codes are "Normal".
    const struct {
        int profile;
        bool passesAlike;
        double bFactor;
    } rows[] = {
        {kProfileFast, true, 1.25}, {kProfileNormal, true, 1.1}, {3, true, 1.1}, {kProfileBest, false, 1.25}};
    for (const auto& row : rows) {
        const Coded analysis = coded(row.profile, true), final = coded(row.profile, false);
        ASSERT_GT(analysis.bytes, 0) << row.profile;
        ASSERT_GT(final.bytes, 0) << row.profile;
        EXPECT_NEAR(double(analysis.bytes) / double(final.bytes), 1.0, row.passesAlike ? 0 : 0.12)
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
