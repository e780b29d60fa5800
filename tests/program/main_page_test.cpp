// The Main page where a scenario cannot reach: fields checked without a source, the information buttons
// over a program file with a version resource and over the frame-server double, the version list.
#include "program/pages/main_page.h"

#include "../core/program_file_image.h"
#include "program_world.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace mivo;
using namespace mivo::test;
namespace m = mivo::ids::main;

namespace {

class MainPageWorld : public ProgramWorld {
  protected:
    // A field left the way its lose-focus check sees it, whatever the enabled state.
    void leaveWith(int id, const std::string& text) {
        controls().setText(PageId::Main, id, text);
        controls().notify(PageId::Main, id, Notify::LoseFocus);
    }
};

TEST_F(MainPageWorld, FileLengthWithoutSourceKeepsTheBitrate) {
    start();
    ASSERT_FALSE(program->source().sourceReady);
    program->settings().bitrate = 4000;
    leaveWith(m::fileLengthEdit, "48828");
    EXPECT_EQ(controls().text(PageId::Main, m::fileLengthEdit), "48828");
    EXPECT_EQ(program->settings().fileLengthKb, 48828);
    EXPECT_EQ(program->settings().bitrate, 4000);
    EXPECT_EQ(controls().text(PageId::Main, m::averageBitrateEdit), "4000");

    leaveWith(m::fileLengthEdit, "-7");
    EXPECT_EQ(controls().text(PageId::Main, m::fileLengthEdit), "1");
    leaveWith(m::fileLengthEdit, "a lot");
    EXPECT_EQ(controls().text(PageId::Main, m::fileLengthEdit), "1");
    EXPECT_EQ(program->settings().bitrate, 4000);
}

TEST_F(MainPageWorld, FileLengthOfAShortRangeIsCappedWithoutOverflow) {
    start();
    openProject();
    // One frame (0.04 s) and the largest file length: the bitrate far exceeds any int before the cap.
    leaveWith(m::endFrameEdit, "0");
    ASSERT_EQ(program->settings().encodeFrameCount, 1);
    leaveWith(m::maxBitrateEdit, "9800");
    leaveWith(m::fileLengthEdit, "2147483647");
    EXPECT_EQ(controls().text(PageId::Main, m::averageBitrateEdit), "9800");
    // trunc(9800 x 0.04) / 8 = 392 / 8 = 49.
    EXPECT_EQ(controls().text(PageId::Main, m::fileLengthEdit), "49");
    EXPECT_EQ(program->settings().fileLengthKb, 49);
}

TEST_F(MainPageWorld, EncoderInfoShowsTheVersionResource) {
    start();
    controls().userClick(PageId::Main, m::encoderInfoButton);
    EXPECT_EQ(status(), " Mivo encoder: " + folder() + "Dazuzer_024.exe NOT found");

    // Version 0.24.2.7 as two 32-bit words of 16-bit halves.
    const std::vector<std::uint8_t> image = makeProgramFile(false, 0x00000018, 0x00020007);
    writeFile(prog / "Dazuzer_024.exe", std::string(image.begin(), image.end()));
    controls().userClick(PageId::Main, m::encoderInfoButton);
    EXPECT_EQ(status(), " Dazuzer found: " + folder() + "Dazuzer_024.exe, file version: 0.24.2.7");

    writeFile(prog / "Dazuzer_024.exe", "MZ and nothing behind it");
    controls().userClick(PageId::Main, m::encoderInfoButton);
    EXPECT_EQ(status(),
              " Dazuzer found: " + folder() + "Dazuzer_024.exe, no file version information available");
}

TEST_F(MainPageWorld, FileVersionTextJoinsTheFourNumbers) {
    const std::vector<std::uint8_t> image = makeProgramFile(true, 0xFFFF0001, 0x00000010);
    writeFile(prog / "wide.dll", std::string(image.begin(), image.end()));
    EXPECT_EQ(fileVersionText((prog / "wide.dll").string()), "65535.1.0.16");
    EXPECT_EQ(fileVersionText((prog / "missing.dll").string()), std::nullopt);
}

TEST_F(MainPageWorld, AvisynthInfoOverTheFrameServerDouble) {
    const fs::path library = fs::path(MIVO_DOUBLES_DIR) / "libmivo_avisynth_double.so";
    platform::setFrameServerLibrary(library.string());
    start();
    controls().userClick(PageId::Main, m::avisynthInfoButton);
    // A shared object has no version resource: the library names its own version.
    const std::string found = " Avisynth installation found: " + fs::canonical(MIVO_DOUBLES_DIR).string();
    EXPECT_EQ(
        status().rfind(found + ", file version: AviSynth+ double 3.7.3 (r4003, test), creation date: ", 0),
        0u)
        << status();
    // A library installed under its full version, reached through its development link, gives that one.
    const fs::path folder = fs::temp_directory_path() / ("mivo-avs-version-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::copy_file(library, folder / "libavisynth.so.3.7.2", fs::copy_options::overwrite_existing);
    fs::remove(folder / "libavisynth.so");
    fs::create_symlink("libavisynth.so.3.7.2", folder / "libavisynth.so");
    platform::setFrameServerLibrary((folder / "libavisynth.so").string());
    start();
    controls().userClick(PageId::Main, m::avisynthInfoButton);
    EXPECT_NE(status().find(", file version: 3.7.2, creation date: "), std::string::npos) << status();
    fs::remove_all(folder);

    platform::setFrameServerLibrary(std::string("none"));
    controls().userClick(PageId::Main, m::avisynthInfoButton);
    EXPECT_EQ(status(), " Avisynth installation NOT found");
}

TEST(DecoderVersionList, TwoBlanksBeforeEachVersionFound) {
    const auto only = [](std::initializer_list<std::string_view> versions) {
        return decoderVersionList([versions](std::string_view v) {
            for (std::string_view w : versions)
                if (v == w) return true;
            return false;
        });
    };
    EXPECT_EQ(only({"06", "10", "11"}), "  6  10  11");
    EXPECT_EQ(only({"10", "11"}), "  10  11");
    EXPECT_EQ(only({"16", "06"}), "  6  16");
    EXPECT_EQ(only({"06", "10", "11", "12", "13", "15", "16"}), "  6  10  11  12  13  15  16");
    EXPECT_EQ(only({"14", "6"}), "");
    EXPECT_EQ(only({}), "");
}

} // namespace
