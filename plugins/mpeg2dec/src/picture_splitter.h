#pragma once
// Cuts an MPEG-1/2 video elementary stream into access units: one coded frame each (a frame picture, or
// the two field pictures of a frame) with the sequence and GOP headers in front of it, exactly the bytes a
// decoder wants in one packet. Along the way it reads what a D2V project records about each picture.

#include "mpeg_demuxer.h"

#include <cstdint>
#include <vector>

namespace mivo::mpeg2 {

struct SequenceInfo {
    bool valid = false; // a sequence header has been seen
    int width = 0, height = 0;
    int aspectCode = 0;
    int frameRateCode = 0;
    int rateExtN = 0, rateExtD = 0;
    bool mpeg2 = false;
    bool progressiveSequence = true;
    int chromaFormat = 1;        // 1 4:2:0, 2 4:2:2, 3 4:4:4
    int matrixCoefficients = -1; // from the sequence display extension; -1 when absent
};

inline constexpr int kPictureI = 1, kPictureP = 2, kPictureB = 3;

struct AccessUnit {
    const std::uint8_t* data = nullptr; // valid until the next push() or reset()
    std::size_t size = 0;
    std::uint64_t startOrigin = 0; // origin (see EsChunk) of its first start code
    std::uint64_t indexOrigin = 0; // origin of its sequence header, else of its picture header
    int vob = 0, cell = 0;
    bool sequenceHeader = false, gopHeader = false, closedGop = false, brokenLink = false;
    bool sequenceEnd = false;
    bool quantMatrix = false; // a quant matrix extension: it changes the matrices of later pictures
    int type = 0;             // kPictureI/P/B of the (first) picture; D pictures count as I
    int temporalReference = 0;
    int structure = 3; // first picture: 1 top field, 2 bottom field, 3 frame
    bool fieldPair = false;
    bool topFieldFirst = false, repeatFirstField = false, progressiveFrame = false;
    SequenceInfo sequence; // in force for this picture
};

class PictureSplitter {
  public:
    void reset(); // after a seek: forgets all data (the sequence state stays)
    void push(const EsChunk& chunk);
    void finish();               // the stream has ended: the data held is the last unit
    bool next(AccessUnit& unit); // false when more data is needed (or, after finish, none is left)
    bool finished() const { return done_; }
    const SequenceInfo& sequence() const { return sequence_; }
    std::size_t bufferedBytes() const { return end_ - begin_; }

  private:
    struct Mark {
        std::size_t offset; // in work_
        std::uint64_t origin;
        bool exact;
        int vob, cell;
    };
    const Mark& markAt(std::size_t offset) const;
    std::uint64_t originAt(std::size_t offset) const;
    void startUnit(std::size_t k);
    void parse(std::size_t k);
    void readSequenceHeader(const std::uint8_t* d);
    void readExtension(const std::uint8_t* d, std::size_t avail);
    void readPictureHeader(std::size_t k, const std::uint8_t* d, std::size_t avail);
    void emit(AccessUnit& unit, std::size_t endOffset);

    std::vector<std::uint8_t> work_;
    std::vector<Mark> marks_;
    std::size_t begin_ = 0, end_ = 0, scan_ = 0;
    bool finishing_ = false, done_ = false;

    bool inUnit_ = false;
    std::size_t unitStart_ = 0;
    AccessUnit current_;
    bool hasPicture_ = false, awaitingSecondField_ = false, secondFieldSeen_ = false;
    std::uint64_t sequenceOrigin_ = 0, pictureOrigin_ = 0;
    enum class Context { none, sequence, picture } context_ = Context::none;
    SequenceInfo sequence_;
};

// Offset of the next 00 00 01 in p[from, to), or `to` when there is none: with SSE2 where the
// processor has it, and the plain version every build has and the tests compare it with.
std::size_t findStartCode(const std::uint8_t* p, std::size_t from, std::size_t to);
std::size_t findStartCodeReference(const std::uint8_t* p, std::size_t from, std::size_t to);

} // namespace mivo::mpeg2
