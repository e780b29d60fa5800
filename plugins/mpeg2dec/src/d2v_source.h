#pragma once
// A D2V project opened for frame-accurate access. Frames are decoded with libavcodec from the place the
// project names: seek to the line, find its I picture, decode forward. Each access unit is tagged with
// the display index of its coded frame, so a decoded picture is known by its tag whatever libavcodec
// chose to drop (the leading B pictures of an open GOP after a seek, damaged pictures).

#include "d2v_project.h"
#include "file_set.h"
#include "frame_list.h"
#include "picture_splitter.h"
#include "unit_reader.h"

#include "base/dgdecode_interface.h"

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AVBufferRef;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace mivo::mpeg2 {

// The record returned to clients.
using StreamInfo = dgdecode::StreamInfo;

// The two pixel types this library delivers, as the record stores them.
inline constexpr auto kPixelTypeYV12 = static_cast<std::int32_t>(dgdecode::kPixelTypeYv12);
inline constexpr auto kPixelTypeYUY2 = static_cast<std::int32_t>(dgdecode::kPixelTypeYuy2);

struct DecodeStats {
    std::uint64_t seeks = 0;        // decoder restarts at a line
    std::uint64_t unitsDecoded = 0; // access units sent to libavcodec
    std::uint64_t unitsSkipped = 0; // B pictures passed over on the way to a later frame
    std::uint64_t fallbacks = 0;    // frames that could not be decoded and showed a neighbour instead
};

class D2vSource {
  public:
    // `threads` above 1 lets libavcodec decode the slices of a picture side by side: no picture is held
    // back, so seeking stays as quick, and every picture comes out the same.
    static std::unique_ptr<D2vSource> open(const std::string& projectPath, std::string& error,
                                           int threads = 1);
    ~D2vSource();
    D2vSource(const D2vSource&) = delete;
    D2vSource& operator=(const D2vSource&) = delete;

    const StreamInfo& info() const { return info_; }
    // Frame n (clamped to the clip): luma, then V, then U for 4:2:0 (YV12); packed YUY2 for 4:2:2. The
    // buffer stays valid until the next call. Never null.
    const std::uint8_t* frame(int n);
    std::size_t frameBytes() const { return output_.size(); }
    const D2vProject& project() const { return project_; }
    const std::vector<OutputFrame>& outputFrames() const { return frames_; }
    const DecodeStats& stats() const { return stats_; }

  private:
    // Decoded frames kept: an output frame needs two, and every frame held back from libavcodec's
    // buffer pool is one more picture-sized buffer cycling through the cache (8 cost 10% of the speed).
    static constexpr int kRingSize = 4;
    // Access units read ahead: an I/P picture waits for the B pictures after it to learn its display place.
    static constexpr int kQueueSize = 16;

    struct Cached {
        AVFrame* frame = nullptr;
        std::int64_t tag = -1;
        std::uint64_t lastUse = 0;
    };
    struct Queued {
        AVBufferRef* buffer = nullptr;
        std::size_t size = 0;
        int type = 0;
        bool quantMatrix = false;
        bool resolved = false;
        std::int64_t tag = -1;
        std::uint32_t line = 0, cpos = 0, bRun = 0;
    };

    D2vSource() = default;
    bool init(const std::string& projectPath, std::string& error);
    bool readProject(const std::string& projectPath, std::string& error);
    bool openDecoder(std::string& error);
    bool describeStream(std::string& error);
    bool ensure(std::uint32_t a, std::uint32_t b);
    bool restart(std::size_t line);
    bool enqueue(const AccessUnit& unit);
    bool pullUnit();
    void resolveAnchor();
    bool feedOne();
    void receiveAll();
    void drain();
    void store(AVFrame* frame);
    const Cached* cached(std::uint32_t tag) const;
    const Cached* nearest(std::uint32_t tag) const;
    bool canContinue(std::uint32_t lo, std::uint32_t hi) const;
    void compose(const AVFrame* top, const AVFrame* bottom);
    void fillBlack();
    std::int64_t firstOfLine(std::uint32_t line) const;
    std::uint32_t intraOfLine(std::uint32_t line) const;

    D2vProject project_;
    std::vector<OutputFrame> frames_;
    FileSet files_;
    std::unique_ptr<UnitReader> reader_;
    SequenceInfo firstSequence_;
    std::uint32_t maxLineFrames_ = 0;
    std::vector<bool> lineUnreachable_;       // lines whose I picture cannot be found in the stream
    std::int64_t endOfDecodable_ = INT64_MAX; // no frame from here on comes out of the stream

    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* received_ = nullptr;
    std::array<Cached, kRingSize> ring_{};
    std::uint64_t clock_ = 0;
    std::int64_t protectA_ = -1, protectB_ = -1; // tags the current request needs: never evicted

    std::array<Queued, kQueueSize> queue_{};
    int queueHead_ = 0, queueCount_ = 0;
    int pendingAnchor_ = -1; // queue slot of an I/P picture whose display index awaits its B pictures

    bool active_ = false;  // the decoder has been fed since its last flush
    bool drained_ = false; // ... and has been drained at the end of the stream
    bool streamEnd_ = false;
    std::uint32_t feedLine_ = 0, feedCpos_ = 0; // coded position of the next unit read
    std::int64_t lastOutput_ = -1;              // highest tag decoded since the restart
    std::int64_t wantFrom_ = 0;                 // B pictures shown before this are not decoded

    StreamInfo info_;
    int threads_ = 1;
    int width_ = 0, height_ = 0;
    int pixelFormat_ = -1;
    std::vector<std::uint8_t> output_;
    int outputFrame_ = -1;
    DecodeStats stats_;
};

} // namespace mivo::mpeg2
