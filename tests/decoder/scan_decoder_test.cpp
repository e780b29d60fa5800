// The scene-change scan over real MPEG-2: streams with hard cuts at known frames, open and closed GOPs,
// PAL and NTSC, indexed and decoded through the decoder library. The chapters are the cuts and nothing
// else, the same whether the library decodes on one thread or on two, or two workers scan the halves on
// decoders of their own, and the two decodes are the same bit for bit. A DVD title damaged after it was
// opened never crashes or hangs the scan.
#include "program/scan/scan_thread.h"
#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <utility>
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

std::vector<ScanMessage> scanPosts(const std::string& project, const mpeg2::StreamInfo& info, int threads,
                                   bool split = false) {
    SourceState state;
    state.isD2vProject = true;
    state.decoderLibraryPath = MIVO_DECODER_LIBRARY;
    state.width = info.width;
    state.height = info.height;
    state.frameCount = info.frameCount;
    state.colourFormat = ColourFormat::Planar420;
    ScanJob job;
    job.source = std::make_unique<ScanSource>(ScanSourceSpec{state, project, 2, threads, {}});
    if (split)
        job.secondSource = std::make_unique<ScanSource>(ScanSourceSpec{state, project, 2, threads, {}});
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
    return posts;
}

std::vector<int> scanChapters(const std::string& project, const mpeg2::StreamInfo& info, int threads,
                              bool split = false) {
    const std::vector<ScanMessage> posts = scanPosts(project, info, threads, split);
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

// A DVD title in three VOB files, opened whole and damaged before the scan: the last part cut short or
// garbage over the middle of the second part still scan to the end (the library serves a neighbour for
// what it cannot decode); with the second part gone the scan's own instance is refused and says so.
TEST(ScanDamagedTitle, EndsWithTheScanOrTheSourcesRefusal) {
    StreamSpec spec;
    spec.container = Container::program;
    spec.frames = 60;
    spec.cuts = {20, 40};
    const std::string stream = makeStream(spec);
    const std::uint64_t third = std::filesystem::file_size(stream) / 3 / 2048 * 2048;
    enum class Damage { Truncated, GarbageInTheMiddle, SecondPartMissing };
    const std::pair<Damage, ScanEvent> cases[] = {{Damage::Truncated, ScanEvent::Finished},
                                                  {Damage::GarbageInTheMiddle, ScanEvent::Finished},
                                                  {Damage::SecondPartMissing, ScanEvent::SourceFailed}};
    for (const auto& [damage, end] : cases) {
        SCOPED_TRACE(static_cast<int>(damage));
        const std::string folder = scratchFolder("scan_damaged_" + std::to_string(static_cast<int>(damage)));
        const std::vector<std::string> parts = splitFile(stream, {third, 2 * third}, folder, "VTS_01");
        indexProject(parts, folder + "/title.d2v");
        std::string error;
        const std::unique_ptr<mpeg2::D2vSource> opened = mpeg2::D2vSource::open(folder + "/title.d2v", error);
        ASSERT_TRUE(opened) << error;
        const std::string& part = parts[damage == Damage::Truncated ? 2 : 1];
        std::vector<std::uint8_t> bytes = readFile(part);
        if (damage == Damage::Truncated) {
            bytes.resize(bytes.size() / 2 + 5);
        } else if (damage == Damage::GarbageInTheMiddle) {
            std::mt19937 random(7);
            for (std::size_t i = bytes.size() / 4; i < bytes.size() * 3 / 4; ++i)
                bytes[i] = static_cast<std::uint8_t>(random());
        }
        damage == Damage::SecondPartMissing ? void(std::filesystem::remove(part)) : writeFile(part, bytes);
        const std::vector<ScanMessage> posts = scanPosts(folder + "/title.d2v", opened->info(), 2);
        ASSERT_FALSE(posts.empty());
        EXPECT_EQ(posts.back().event, end);
        if (end == ScanEvent::Finished) {
            EXPECT_EQ(posts.back().frame, spec.frames - 1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, ScanRealMpeg, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace mivo::test
