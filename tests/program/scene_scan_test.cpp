// The scene-change scan started and stopped many times over a long source while the preview moves on
// the user-interface thread: every stop ends its thread within the wait (the stop's own " done..."), the
// list stays in order, and nothing crashes or leaks (the suite also runs under the sanitizers).
#include "program_world.h"

#include "program/preview/frame_preview.h"

#include <chrono>
#include <random>
#include <thread>
#include <vector>

namespace mivo::test {
namespace {

class SceneScanStress : public ProgramWorld {};

TEST_F(SceneScanStress, StartsAndStopsWhileNavigating) {
    shell.pause = [this](int) { program->drainScanPosts(); };
    start();
    placeDecoder("16");
    writeFile(prog / "long.syn",
              "synthetic-source\nsize 64 64\nframes 100000\nramp\nflat 60 128 128 from 40\n"
              "noise 3 from 90\nflat 200 90 90 from 300\nramp from 301\n");
    writeFile(prog / "long.d2v", "DGIndexProjectFile16\n1\n" + (prog / "long.syn").string() + "\n");
    dialogs.files.push_back((prog / "long.d2v").string());
    controls().userClick(PageId::Main, ids::main::inputFileButton);
    ASSERT_TRUE(program->source().sourceReady) << status();
    controls().userSelect(PageId::Window, ids::window::tabs, static_cast<int>(PageId::Chapters) - 1);

    std::mt19937 random(7);
    const Settings& s = program->settings();
    for (int round = 0; round < 200; ++round) {
        controls().userClick(PageId::Chapters, ids::chapters::scanButton);
        ASSERT_TRUE(program->scanRunning());
        for (unsigned k = random() % 4; k > 0; --k) {
            program->preview().showFrame(static_cast<int>(random() % 100000));
            program->drainScanPosts();
        }
        controls().userClick(PageId::Chapters, ids::chapters::scanButton);
        ASSERT_EQ(status(),
                  " waiting for codec... done... scanning interrupted, found scene changes put into "
                  "chapter list")
            << "round " << round;
        ASSERT_FALSE(program->scanRunning());
        ASSERT_EQ(controls().at(PageId::Chapters, ids::chapters::chapterList).itemCount(), s.chapterCount);
        for (int i = 1; i < s.chapterCount; ++i)
            ASSERT_LT(s.chapterFrames[static_cast<std::size_t>(i - 1)],
                      s.chapterFrames[static_cast<std::size_t>(i)]);
    }
    // Chapters the window has not been told of yet when the stop comes are kept all the same.
    controls().userClick(PageId::Chapters, ids::chapters::scanButton);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    controls().userClick(PageId::Chapters, ids::chapters::scanButton);
    EXPECT_EQ(std::vector<int>(s.chapterFrames.data(), s.chapterFrames.data() + s.chapterCount),
              (std::vector<int>{40, 90, 300}));
}

} // namespace
} // namespace mivo::test
