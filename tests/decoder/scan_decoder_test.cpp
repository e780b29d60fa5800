// The scene-change scan over real MPEG-2: streams with hard cuts at known frames, open and closed GOPs,
// PAL and NTSC, indexed and decoded through the decoder library. The chapters are the cuts and nothing
// else, the same whether the library decodes on one thread or on two, or two workers scan the halves on
// decoders of their own, and the two decodes are the same bit for bit.
#include "program/scan/scan_thread.h"
#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace mivo::test {
namespace {

struct Case {
    std::string name;
    StreamSpec spec;
};

std::vector<Case> cases() {
    std::vector<Case> all;
    const auto add = [&](const std::string& name, int w, int h, int num, int den, bool closed,
                         bool interlaced, Container container, std::vector<int> cuts) {
        StreamSpec s;
        s.width = w;
        s.height = h;
        s.rateNum = num;
        s.rateDen = den;
        s.frames = 100;
        s.gop = num > 25 ? 15 : 12;
        s.closedGop = closed;
        s.interlaced = interlaced;
        s.container = container;
        s.cuts = std::move(cuts);
        all.push_back({name, s});
    };
    add("pal_open_gops", 720, 576, 25, 1, false, false, Container::elementary, {30, 55, 81});
    add("pal_closed_gops_interlaced", 720, 576, 25, 1, true, true, Container::program, {3, 12, 13, 60});
    add("ntsc_open_gops", 720, 480, 30000, 1001, false, false, Container::elementary, {24, 45, 46, 90});
    add("ntsc_closed_gops", 704, 480, 30000, 1001, true, false, Container::transport, {7, 50});
    return all;
}

// The cuts a scan can report: from frame 3 on, never the second of two frames in a row.
std::vector<int> reachableCuts(const std::vector<int>& cuts) {
    std::vector<int> out;
    for (int c : cuts)
        if (c >= 3 && (out.empty() || out.back() != c - 1)) out.push_back(c);
    return out;
}

std::vector<int> scanChapters(const std::string& project, const mpeg2::StreamInfo& info, int threads,
                              bool split = false) {
    SourceState state;
    state.isD2vProject = true;
    state.decoderLibraryPath = MIVO_DECODER_LIBRARY;
    state.width = info.width;
    state.height = info.height;
    state.frameCount = info.frameCount;
    state.colourFormat = ColourFormat::Planar420;
    ScanJob job;
    job.source = std::make_unique<ScanSource>(ScanSourceSpec{state, project, 2, threads});
    if (split) job.secondSource = std::make_unique<ScanSource>(ScanSourceSpec{state, project, 2, threads});
    job.splitFrom = 2;
    job.frameCount = info.frameCount;
    job.width = info.width;
    job.height = info.height;
    job.cpuLevel = 2;
    job.chapterRoom = 640000;
    ScanHandOver handOver(nullptr);
    sceneScanThread(std::move(job), handOver);
    std::vector<ScanMessage> posts;
    handOver.take(posts);
    EXPECT_TRUE(!posts.empty() && posts.back().event == ScanEvent::Finished)
        << "the scan did not run to its end";
    std::vector<int> chapters;
    for (const ScanMessage& m : posts)
        if (m.event == ScanEvent::Chapter) chapters.push_back(m.frame);
    return chapters;
}

class ScanRealMpeg : public ::testing::TestWithParam<Case> {};

TEST_P(ScanRealMpeg, ChaptersAreTheCutsOnOneThreadOnTwoAndInHalves) {
    const Case& c = GetParam();
    const std::string folder = scratchFolder("scan_" + c.name);
    const std::string project = folder + "/movie.d2v";
    indexProject({makeStream(c.spec)}, project);
    std::string error;
    std::unique_ptr<mpeg2::D2vSource> one = mpeg2::D2vSource::open(project, error);
    std::unique_ptr<mpeg2::D2vSource> two = mpeg2::D2vSource::open(project, error, 2);
    ASSERT_TRUE(one && two) << error;
    ASSERT_EQ(one->info().frameCount, c.spec.frames);
    EXPECT_EQ(sequentialHashes(*two), sequentialHashes(*one)) << "slice threads changed a picture";

    const std::vector<int> expected = reachableCuts(c.spec.cuts);
    EXPECT_EQ(scanChapters(project, one->info(), 1), expected);
    EXPECT_EQ(scanChapters(project, one->info(), 2), expected);
    EXPECT_EQ(scanChapters(project, one->info(), 1, true), expected);
}

INSTANTIATE_TEST_SUITE_P(Streams, ScanRealMpeg, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace mivo::test
