#pragma once
// An ordinary video file (H.264, HEVC, MPEG-4, ... in MP4, Matroska, transport streams, AVI, MOV) opened
// for frame-exact access through libavformat and libavcodec. Frame n is the nth frame FFmpeg's sequential
// decode shows, however it is reached: the index says which packet holds it and where decoding must begin,
// and every decoded picture is known by the packet it came from, whatever the decoder chose to drop or
// reorder on the way.
//
// Frames are served as planar 4:2:0, 8 bits (YV12: luma, then V, then U); other pixel formats are
// converted, and pictures larger than the frame buffers are scaled down to fit with their shape kept. A
// file of variable frame rate is served at a constant nominal rate by time stamps (frames repeated or
// dropped).

#include "index_builder.h"
#include "video_index.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace mivo::video {

class PacketReader;

// The largest picture the frame buffers of the program and the encoder take.
inline constexpr int kMaxFrameWidth = 1920;
inline constexpr int kMaxFrameHeight = 1152;

struct AudioTrack {
    int stream = 0;
    std::string codec;
    int channels = 0;
    int sampleRate = 0;
    std::string language; // empty when the file does not say
};

struct VideoFileInfo {
    int width = 0, height = 0;             // of the frames served
    int sourceWidth = 0, sourceHeight = 0; // of the pictures in the file
    int rateNum = 0, rateDen = 1;          // frames per second served
    int frameCount = 0;
    int aspectNum = 0, aspectDen = 1; // display aspect ratio of the picture (0 when unknown)
    std::string codec, container, pixelFormat;
    bool converted = false; // not 8-bit 4:2:0 in the file
    bool scaled = false;    // larger than the frame buffers, served scaled down
    bool variableRate = false;
    std::vector<AudioTrack> audio;
};

struct OpenOptions {
    int threads = 1;
    std::string fallbackIndexFolder; // where the index goes when the source's folder cannot be written
    BuildProgress progress;          // while the index is built; returning false cancels the open
};

struct DecodeStats {
    std::uint64_t seeks = 0;     // decoder restarts at a key packet
    std::uint64_t decoded = 0;   // packets sent to the decoder
    std::uint64_t fallbacks = 0; // frames the decoder did not give, served as the next one it gave
};

class VideoFileSource {
  public:
    // Null with `error` saying what failed (no video stream, unknown format, damaged file); `cancelled`
    // is set when the progress callback stopped the index build.
    static std::unique_ptr<VideoFileSource> open(const std::string& path, const OpenOptions& options,
                                                 std::string& error, bool* cancelled = nullptr);
    ~VideoFileSource();
    VideoFileSource(const VideoFileSource&) = delete;
    VideoFileSource& operator=(const VideoFileSource&) = delete;

    const VideoFileInfo& info() const { return info_; }
    // Frame n (clamped to the clip) as YV12; valid until the next call. Never null.
    const std::uint8_t* frame(int n);
    std::size_t frameBytes() const { return output_.size(); }
    // The frame last served was damaged in the file and concealed by the decoder: its hidden parts depend
    // on what the decoder held before, so it may differ between two paths to it.
    bool frameDamaged() const { return outputDamaged_; }

    const VideoIndex& index() const { return index_; }
    const std::string& indexPath() const { return indexPath_; } // empty when it could not be kept
    bool indexReused() const { return indexReused_; }
    const DecodeStats& stats() const { return stats_; }

  private:
    VideoFileSource() = default;
    bool openContainer(const std::string& path, std::string& error);
    bool openDecoder(int threads, std::string& error);
    void describe();
    void planFrames();
    int frameOfOutput(int n) const;
    bool restart(std::uint32_t packet);
    bool decodeUntil(int frame);
    void serve(const AVFrame* frame);

    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* received_ = nullptr;
    SwsContext* sws_ = nullptr;
    std::unique_ptr<PacketReader> reader_;
    int stream_ = -1;

    VideoIndex index_;
    std::string indexPath_;
    bool indexReused_ = false;
    std::vector<std::int32_t> outputToFrame_; // variable rate: frame shown at each output position

    bool active_ = false;   // the decoder has been fed since its last restart
    bool draining_ = false; // ... and told the stream ended
    int lastOut_ = -1;      // frame the decoder gave last since the restart

    VideoFileInfo info_;
    std::vector<std::uint8_t> output_;
    int outputFrame_ = -1;
    bool outputDamaged_ = false;
    DecodeStats stats_;
};

} // namespace mivo::video
