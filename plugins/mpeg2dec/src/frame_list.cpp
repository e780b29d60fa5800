#include "frame_list.h"

#include <algorithm>

namespace mivo::mpeg2 {

namespace {

struct Field {
    std::uint32_t frame;
    bool top;
};

// Honour pulldown. A progressive sequence repeats whole frames (RFF twice, RFF with TFF three times);
// otherwise every coded frame gives its two fields plus a repeat of the first when RFF is set, and the
// fields pair up in display order. A lone field at the very end is dropped.
void honourPulldown(const D2vProject& p, std::vector<OutputFrame>& out) {
    Field pending{0, false};
    bool havePending = false;
    auto addField = [&](Field f) {
        if (!havePending) {
            pending = f;
            havePending = true;
            return;
        }
        // Normally the two fields have opposite parity; in a broken cadence the first keeps its own
        // parity and the second fills the other.
        if (pending.top)
            out.push_back({pending.frame, f.frame});
        else
            out.push_back({f.frame, pending.frame});
        havePending = false;
    };
    for (const D2vLine& line : p.lines) {
        const bool progressiveSequence = (line.info & kInfoProgressiveSequence) != 0;
        for (std::uint32_t i = line.firstFrame; i < line.firstFrame + line.frameCount; ++i) {
            const std::uint8_t f = p.flags[i];
            const bool tff = (f & kFlagTff) != 0, rff = (f & kFlagRff) != 0;
            if (progressiveSequence) {
                havePending = false;
                int copies = 1 + (rff ? (tff ? 2 : 1) : 0);
                for (int c = 0; c < copies; ++c)
                    out.push_back({i, i});
                continue;
            }
            addField({i, tff});
            addField({i, !tff});
            if (rff) addField({i, tff});
        }
    }
}

// Force film: frames are kept whole. Two counters follow the coded frames with and without RFF; when the
// plain ones lead by the threshold the frame is dropped, when the repeated ones lead it is shown twice.
// The threshold is 3 until the first time it is reached, 5 after.
void forceFilm(const D2vProject& p, std::vector<OutputFrame>& out) {
    int withRepeat = 0, withoutRepeat = 0;
    bool locked = false;
    const auto count = static_cast<std::uint32_t>(p.flags.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        if (p.flags[i] & kFlagRff)
            ++withRepeat;
        else
            ++withoutRepeat;
        const int threshold = locked ? 5 : 3;
        if (withoutRepeat - withRepeat == threshold) {
            withRepeat = withoutRepeat = 0;
            locked = true;
            continue; // dropped
        }
        out.push_back({i, i});
        if (withRepeat - withoutRepeat == threshold) {
            withRepeat = withoutRepeat = 0;
            locked = true;
            out.push_back({i, i});
        }
    }
}

} // namespace

std::vector<OutputFrame> buildOutputFrames(const D2vProject& project) {
    std::vector<OutputFrame> out;
    out.reserve(project.flags.size() + project.flags.size() / 4 + 1);
    switch (project.fieldOperation) {
    case 0:
        honourPulldown(project, out);
        break;
    case 1:
        forceFilm(project, out);
        break;
    default:
        for (std::uint32_t i = 0; i < project.flags.size(); ++i)
            out.push_back({i, i});
        break;
    }
    return out;
}

std::size_t lineOfFrame(const D2vProject& project, std::uint32_t frame) {
    auto it = std::upper_bound(project.lines.begin(), project.lines.end(), frame,
                               [](std::uint32_t f, const D2vLine& l) { return f < l.firstFrame; });
    return it == project.lines.begin() ? 0 : static_cast<std::size_t>(it - project.lines.begin() - 1);
}

std::uint32_t decodableStandIn(const D2vProject& project, std::uint32_t frame) {
    if (project.lines.empty()) return frame;
    const D2vLine& first = project.lines.front();
    if (frame >= first.firstFrame + first.frameCount || (project.flags[frame] & kFlagDecodable)) return frame;
    for (std::uint32_t i = first.firstFrame; i < first.firstFrame + first.frameCount; ++i)
        if (project.flags[i] & kFlagDecodable) return i;
    return frame; // a line without any decodable mark: the flags say nothing, trust the decoder
}

} // namespace mivo::mpeg2
