#pragma once
// The encoded video's pictures for the multiplexer, found in the elementary stream itself: each
// picture's bytes (with the headers before it), whether it is an I picture, and its time stamps.
// libavformat's raw demuxer and parser give the same packets, but cost several times a read of the
// file; the stamps here follow the same rules, so the program stream comes out the same either way.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mivo::encoder::disc {

// One picture as the multiplexer takes it. Stamps are on the 90 kHz clock, the first decoded at 0.
struct CodedPicture {
    std::uint64_t offset = 0; // from the start of the stream
    std::uint32_t size = 0;
    bool key = false; // an I picture
    std::int64_t pts = 0;
    std::int64_t dts = 0;
    std::int64_t duration = 0; // its fields' time
};

struct SplitVideo {
    int width = 0;
    int height = 0;
    std::int64_t bitRate = 0; // bit/s, from the sequence header; 0 where it says "variable"
    std::vector<CodedPicture> pictures;
};

// Splits `data`, a whole MPEG-2 video elementary stream, into its pictures. A picture begins where the
// one before ended (the first at the stream's first byte) and ends at the first start code after its
// slices that is no slice (a sequence end code stays with it). Times follow the pictures' order, types
// and repeated fields (3:2 pulldown): a B picture is shown when it is decoded; an I or P picture is
// decoded after the pictures shown before it and shown when the next I or P picture is decoded.
// False with the reason for a stream it does not read (MPEG-1, field pictures, no sequence header, a
// frame rate whose fields are no whole ticks): the caller reads such a stream another way.
bool splitPictures(const std::uint8_t* data, std::size_t size, SplitVideo& out, std::string& why);

// Where the next start code prefix (00 00 01) followed by its code byte begins, at or after `p`; `end`
// when there is none before it.
const std::uint8_t* findStartCode(const std::uint8_t* p, const std::uint8_t* end);

// A file mapped read-only into memory while it lives; empty when it could not be.
class MappedFile {
  public:
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool mapped() const { return data_ != nullptr; }

  private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace mivo::encoder::disc
