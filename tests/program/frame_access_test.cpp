#include "sources/frame_access.h"

#include <gtest/gtest.h>

#include <utility>

using namespace mivo;

// A caller skips the picture on a frame-server error and must be able to tell it from a frame.
TEST(FrameAccess, TellsWhatAFetchGave) {
    SourceState state;
    DgdecodeLibrary library;
    FrameAccess frames(state, library, framePlanes());
    EXPECT_EQ(frames.fetchFrame(0), FetchResult::NoFrame); // no source open
    state.isD2vProject = true;
    EXPECT_EQ(frames.fetchFrame(0), FetchResult::NoFrame); // no library loaded
    state = SourceState{};
    state.isAvisynthScript = true;
    for (const auto& [layer, expected] :
         {std::pair{AvisynthResult::Ok, FetchResult::Ok},
          std::pair{AvisynthResult::FrameError, FetchResult::FrameServerError}}) {
        frames.setAvisynthFetch([result = layer](int, FramePlanes&) { return result; });
        EXPECT_EQ(frames.fetchFrame(0), expected);
    }
}
