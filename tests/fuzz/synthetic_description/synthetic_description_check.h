#pragma once
// The synthetic source description's promises, as one check over any text: the parser refuses with a
// reason and a line of the text, or gives a description within its bounds whose samples can be taken at
// the corners of its first and last frame, and whose frame (when small enough to hold) renders into
// exactly syntheticFrameBytes bytes. Shared by the fuzz target and the test that replays its corpus.

#include "synthetic_description.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

namespace mivo::test {

inline std::string checkSyntheticDescription(std::string_view input) {
    using namespace mivo::doubles;
    const std::string text(input);
    SyntheticSource src;
    std::string why;
    int line = 0;
    if (!parseSyntheticSource(text, src, why, line)) {
        const auto lines = 1 + std::count(text.begin(), text.end(), '\n');
        if (why.empty()) return "a refusal without a reason";
        if (line < 1 || line > lines) return "a refusal names no line of the text";
        return {};
    }
    if (src.width <= 0 || src.height <= 0 || src.frames < 0) return "size or frame count out of bounds";
    for (const SyntheticScene& s : src.scenes)
        if (s.from < 0 || std::min({s.y, s.u, s.v}) < 0 || std::max({s.y, s.u, s.v}) > 255)
            return "a scene out of bounds";
    for (const int frame : {0, std::max(0, src.frames - 1)})
        for (int plane = 0; plane < 3; ++plane)
            for (const int x : {0, src.width - 1})
                for (const int y : {0, src.height - 1})
                    (void)syntheticSample(src, frame, plane, x, y); // the sanitizers judge these
    const std::size_t bytes = syntheticFrameBytes(src);
    if (bytes < static_cast<std::size_t>(src.width)) return "a frame smaller than one line";
    if (bytes <= (1u << 16)) {
        // Exactly the size promised: a render past it is caught by the address sanitizer.
        const auto frame = std::make_unique<std::uint8_t[]>(bytes);
        renderSyntheticFrame(src, std::max(0, src.frames - 1), frame.get());
    }
    return {};
}

} // namespace mivo::test
