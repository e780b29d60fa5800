// The layer against a real AviSynth+ (libavisynth.so found by the loader, or the library named by
// MIVO_REAL_AVISYNTH). Skipped when there is none: Debian does not package it.
#include "core/control_model.h"
#include "core/kernels/packed_to_planar.h"
#include "core/status_line.h"
#include "platform/frame_server.h"
#include "platform/platform.h"
#include "program/source/avisynth_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <unistd.h>

namespace mivo {
namespace {

class RealAvisynth : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* library = std::getenv("MIVO_REAL_AVISYNTH");
        platform::setFrameServerLibrary(library && *library ? std::optional<std::string>(library)
                                                            : std::nullopt);
        if (!platform::frameServerLibraryPath())
            GTEST_SKIP() << "no AviSynth+ library found (libavisynth.so)";
        dir_ = std::filesystem::temp_directory_path() / ("mivo-real-avs-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        ASSERT_EQ(layer.loadAvisynth(request), AvisynthResult::Ok);
    }
    void TearDown() override {
        EXPECT_EQ(layer.releaseAvisynth(), AvisynthResult::Ok);
        platform::setFrameServerLibrary(std::nullopt);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string script(const std::string& text) {
        const std::string path = (dir_ / ("s" + std::to_string(++count_) + ".avs")).string();
        std::ofstream(path) << text << "\n";
        return path;
    }
    AvisynthResult import(const std::string& text) {
        info = AvisynthClipInfo{};
        errorText.clear();
        return layer.importScript(script(text), info, errorText);
    }

    AvisynthLayer layer;
    int request = -1;
    AvisynthClipInfo info;
    std::string errorText;
    std::filesystem::path dir_;
    int count_ = 0;
};

TEST_F(RealAvisynth, ColorBarsInYv12AndYuy2GiveTheSameLuma) {
    ASSERT_EQ(import("ColorBars(width=720, height=576, pixel_type=\"YV12\").Trim(0, 49)"), AvisynthResult::Ok)
        << errorText;
    EXPECT_EQ(info.width, 720);
    EXPECT_EQ(info.height, 576);
    EXPECT_EQ(info.frameCount, 50);
    EXPECT_EQ(info.colourFormat, ColourFormat::Planar420);
    SourceState yv12;
    yv12.width = 720, yv12.height = 576, yv12.colourFormat = ColourFormat::Planar420;
    yv12.lumaPitch = 720, yv12.chromaPitch = 360, yv12.frameBytes = 2 * 720 * 576;
    std::vector<std::uint8_t> y1(720 * 576, 0), u1(360 * 288, 0), v1(360 * 288, 0), packed(2 * 720 * 576, 0);
    ASSERT_EQ(fetchAvisynthFrame(layer, yv12, {y1, u1, v1, packed}, 0, 6), AvisynthResult::Ok);
    EXPECT_NE(std::count(y1.begin(), y1.end(), y1[0]), static_cast<long>(y1.size()))
        << "bars, not a flat frame";

    ASSERT_EQ(import("ColorBars(width=720, height=576, pixel_type=\"YUY2\").Trim(0, 49)"), AvisynthResult::Ok)
        << errorText;
    EXPECT_EQ(info.colourFormat, ColourFormat::Packed422);
    SourceState yuy2 = yv12;
    yuy2.colourFormat = ColourFormat::Packed422;
    std::vector<std::uint8_t> y2(720 * 576, 1), u2(360 * 288, 1), v2(360 * 288, 1);
    ASSERT_EQ(fetchAvisynthFrame(layer, yuy2, {y2, u2, v2, packed}, 0, 6), AvisynthResult::Ok);
    // Both come from the same bar values; allow for a filter edge that differs by layout.
    std::size_t same = 0;
    for (std::size_t i = 0; i < y1.size(); ++i)
        same += y1[i] == y2[i];
    EXPECT_GT(same, y1.size() * 99 / 100);
}

TEST_F(RealAvisynth, FailuresGiveTheirCodes) {
    EXPECT_EQ(import("ColorBars(width=720, height=576"), AvisynthResult::ScriptError);
    EXPECT_FALSE(errorText.empty());
    EXPECT_LE(errorText.size(), 200u);
    EXPECT_EQ(import("ColorBars().KillVideo()"), AvisynthResult::NoVideo);
    EXPECT_EQ(import("42"), AvisynthResult::NoVideo);
    EXPECT_EQ(import("ColorBars(pixel_type=\"RGB24\")"), AvisynthResult::NoColourSpace);
    EXPECT_EQ(request, -1);
}

TEST_F(RealAvisynth, InstallationIsTheLoadersFolder) {
    ControlModel model;
    StatusLine status(model);
    const AvisynthInstallation found = probeAvisynthInstallation(status);
    EXPECT_TRUE(found.found);
    EXPECT_TRUE(platform::folderExists(found.folder)) << found.folder;
}

} // namespace
} // namespace mivo
