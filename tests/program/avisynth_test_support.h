#pragma once
// Shared set-up of the Avisynth program tests: the frame-server double in place of the real library,
// a scratch folder for scripts, and the double's counts of what is alive.

#include "core/control_model.h"
#include "core/source_state.h"
#include "core/status_line.h"
#include "platform/frame_server.h"
#include "program/source/avisynth_source.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace mivo::test {

struct DoubleCounts {
    int environments, clips, clipHandles, frames, misuse, lastVersion, memoryMaxCalls, imports, framesServed;
};

inline std::string avisynthDoublePath() {
    return std::string(MIVO_DOUBLES_DIR) + "/libmivo_avisynth_double.so";
}

class AvisynthDoubleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setFrameServerLibrary(avisynthDoublePath());
        // Our own reference keeps the double loaded, and its counts with it, across the layer's unloads.
        handle_ = ::dlopen(avisynthDoublePath().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << ::dlerror();
        countsFn_ =
            reinterpret_cast<void (*)(DoubleCounts*)>(::dlsym(handle_, "mivo_avisynth_double_counts"));
        ASSERT_NE(countsFn_, nullptr);
        std::string pattern = (std::filesystem::temp_directory_path() / "mivo-avs-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }

    void TearDown() override {
        layer.releaseAvisynth();
        platform::setFrameServerLibrary(std::nullopt);
        if (handle_) ::dlclose(handle_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    DoubleCounts counts() const {
        DoubleCounts c{};
        countsFn_(&c);
        return c;
    }

    std::string writeScript(const std::string& name, const std::string& text) const {
        const std::string path = (std::filesystem::path(dir_) / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // The state an `.avs` input has when the input flow hands it to the open.
    AvisynthSourceContext context() {
        source.isAvisynthScript = true;
        return AvisynthSourceContext{layer,
                                     source,
                                     status,
                                     inputFileName,
                                     memoryRequest,
                                     {startFrame, endFrame, encodeFrameCount},
                                     1920 * 1152,
                                     {[this] { ++movieInfoShown; }, [this] { ++checksRun; }, [this] { ++labelResets; }}};
    }

    std::string shown() const { return std::string(status.buffer()); }

    ControlModel model;
    StatusLine status{model};
    AvisynthLayer layer;
    SourceState source;
    std::string inputFileName;
    int memoryRequest = -1;
    int startFrame = -1, endFrame = -1, encodeFrameCount = 0;
    int movieInfoShown = 0, checksRun = 0, labelResets = 0;
    std::string dir_;

  private:
    void* handle_ = nullptr;
    void (*countsFn_)(DoubleCounts*) = nullptr;
};

// The shared planes at their full size, filled with a marker byte.
struct TestPlanes {
    std::vector<std::uint8_t> luma = std::vector<std::uint8_t>(1920 * 1152, 0xAB);
    std::vector<std::uint8_t> plane2 = std::vector<std::uint8_t>(1920 * 1152 / 4, 0xAB);
    std::vector<std::uint8_t> plane3 = std::vector<std::uint8_t>(1920 * 1152 / 4, 0xAB);
    std::vector<std::uint8_t> packed = std::vector<std::uint8_t>(2 * 1920 * 1152, 0xAB);
    PlaneBuffers spans() { return {luma, plane2, plane3, packed}; }
};

} // namespace mivo::test
