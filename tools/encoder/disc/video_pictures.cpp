#include "video_pictures.h"

#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mivo::encoder::disc {

namespace {

constexpr std::uint8_t kPictureCode = 0x00;
constexpr std::uint8_t kLastSliceCode = 0xAF;
constexpr std::uint8_t kSequenceCode = 0xB3;
constexpr std::uint8_t kExtensionCode = 0xB5;
constexpr std::uint8_t kSequenceEndCode = 0xB7;

// The stamps are worked out on the clock libavformat gives a raw video stream, where every field of
// every frame rate of the sequence header is a whole number of ticks, and only then rounded to 90 kHz
// as the multiplexer's input rounds them.
constexpr std::int64_t kRawClock = 1200000;

// Frame rates by the sequence header's code (numerator, denominator); 0: reserved.
constexpr int kFrameRates[16][2] = {{0, 1},  {24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1},
                                    {50, 1}, {60000, 1001}, {60, 1}, {0, 1},  {0, 1},        {0, 1},
                                    {0, 1},  {0, 1},        {0, 1},  {0, 1}};

// The pattern of one byte value in 64 bytes, a bit per byte.
#if defined(__SSE2__)
std::uint64_t bytesEqual(const std::uint8_t* p, __m128i value) {
    std::uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
        mask |= static_cast<std::uint64_t>(
                    static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, value))))
                << (16 * part);
    }
    return mask;
}
#endif

// Byte by byte, three at a time where the third byte rules out a prefix beginning at any of them.
const std::uint8_t* findStartCodeBytewise(const std::uint8_t* p, const std::uint8_t* end) {
    while (end - p > 3) {
        if (p[2] > 1)
            p += 3;
        else if (p[2] == 0)
            p += 1;
        else if (p[0] == 0 && p[1] == 0)
            return p;
        else
            p += 3;
    }
    return end;
}

} // namespace

const std::uint8_t* findStartCode(const std::uint8_t* p, const std::uint8_t* end) {
#if defined(__SSE2__)
    // The slices' data holds a byte 01 every few dozen bytes: 64 bytes are looked at together, a prefix
    // found where a 01 follows two zero bytes, the last two bytes of a block carried into the next.
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    std::uint64_t carried = 0; // zero bytes among the two before the block, in bits 0 and 1
    for (; end - p >= 64; p += 64) {
        const std::uint64_t zeros = bytesEqual(p, zero);
        const std::uint64_t ones = bytesEqual(p, one);
        const std::uint64_t hits = ones & ((zeros << 1) | (carried >> 1)) & ((zeros << 2) | carried);
        if (hits) {
            const std::uint8_t* at = p + std::countr_zero(hits) - 2;
            return end - at > 3 ? at : end;
        }
        carried = zeros >> 62;
    }
    // A prefix may straddle the last block and the rest.
    if (carried & 2) p -= (carried & 1) ? 2 : 1;
#endif
    return findStartCodeBytewise(p, end);
}

namespace {

std::int64_t toClock(std::int64_t rawTicks) {
    // Rounded to nearest, halves up: the stamps are never negative.
    return (rawTicks * 90000 + kRawClock / 2) / kRawClock;
}

// What the headers before a picture's first slice say about its timing.
struct PictureTiming {
    bool b = false;       // a B picture
    bool delayed = false; // shown after pictures decoded later: an I or P picture in a stream with B pictures
    std::int64_t ticks = 0;
};

// The headers in force while the stream is read.
struct StreamState {
    int headerNum = 0, headerDen = 1; // the sequence header's frame rate
    int rateNum = 0, rateDen = 1;     // with the sequence extension's factors
    bool progressiveSequence = false;
    bool extended = false;  // the last sequence header had its extension: MPEG-2
    bool reordered = false; // pictures are reordered: not low delay, or a B picture was seen
    int width = 0, height = 0;
};

// The picture being gathered: from its first byte to its first slice.
struct Gathering {
    int type = 0;          // picture_coding_type, 0 until its picture header
    int repeatFields = -1; // fields beyond the first two, -1 until its picture coding extension
    bool inSlices = false;
};

class Splitter {
  public:
    Splitter(const std::uint8_t* data, std::size_t size, SplitVideo& out, std::string& why)
        : data_(data), end_(data + size), out_(out), why_(why) {}

    bool run() {
        out_ = SplitVideo{};
        const std::uint8_t* start = data_;
        Gathering picture;
        for (const std::uint8_t* p = findStartCode(data_, end_); p < end_; p = findStartCode(p + 3, end_)) {
            const std::uint8_t code = p[3];
            const bool slice = code >= 0x01 && code <= kLastSliceCode;
            if (code == kSequenceEndCode) {
                // The end code closes the picture it follows and stays with it.
                if (!close(start, p + 4, picture)) return false;
                start = p + 4;
                picture = {};
                continue;
            }
            if (slice) {
                if (!picture.inSlices && !beginSlices(picture)) return false;
                picture.inSlices = true;
                continue;
            }
            if (picture.inSlices) {
                if (!close(start, p, picture)) return false;
                start = p;
                picture = {};
            }
            if (!header(p, picture)) return false;
        }
        if (start < end_ && !close(start, end_, picture)) return false;
        if (out_.pictures.empty()) return refuse("no picture");
        out_.width = state_.width;
        out_.height = state_.height;
        stamp();
        return true;
    }

  private:
    bool refuse(const char* reason) {
        why_ = reason;
        return false;
    }

    bool enough(const std::uint8_t* p, std::ptrdiff_t bytes) const { return end_ - (p + 4) >= bytes; }

    // A header before the picture's slices: the sequence's size and rate, the picture's type and fields.
    bool header(const std::uint8_t* p, Gathering& picture) {
        const std::uint8_t* b = p + 4;
        switch (p[3]) {
        case kSequenceCode: {
            if (!enough(p, 7)) return refuse("a cut sequence header");
            state_.width = (b[0] << 4) | (b[1] >> 4);
            state_.height = ((b[1] & 0x0F) << 8) | b[2];
            state_.headerNum = state_.rateNum = kFrameRates[b[3] & 0x0F][0];
            state_.headerDen = state_.rateDen = kFrameRates[b[3] & 0x0F][1];
            state_.extended = false;
            if (state_.rateNum == 0) return refuse("a reserved frame rate");
            return true;
        }
        case kExtensionCode:
            if (!enough(p, 1)) return refuse("a cut extension");
            if (b[0] >> 4 == 1) {
                if (!enough(p, 6)) return refuse("a cut sequence extension");
                if (state_.headerNum == 0) return refuse("a sequence extension before any sequence header");
                state_.extended = true;
                state_.progressiveSequence = (b[1] & 0x08) != 0;
                state_.width = (state_.width & 0xFFF) | (((b[1] & 1) << 1) | (b[2] >> 7)) << 12;
                state_.height = (state_.height & 0xFFF) | ((b[2] >> 5) & 3) << 12;
                state_.reordered = (b[5] >> 7) == 0;
                state_.rateNum = state_.headerNum * (((b[5] >> 5) & 3) + 1);
                state_.rateDen = state_.headerDen * ((b[5] & 0x1F) + 1);
            } else if (b[0] >> 4 == 8) {
                if (!enough(p, 5)) return refuse("a cut picture coding extension");
                if ((b[2] & 3) != 3) return refuse("field pictures");
                const bool topFirst = (b[3] & 0x80) != 0;
                const bool repeatFirst = (b[3] & 0x02) != 0;
                const bool progressiveFrame = (b[4] & 0x80) != 0;
                // A repeated first field lengthens a progressive frame of an interlaced sequence by a
                // field; in a progressive sequence it shows the frame twice, or three times with the
                // top field first.
                picture.repeatFields = 0;
                if (repeatFirst) {
                    if (state_.progressiveSequence)
                        picture.repeatFields = topFirst ? 4 : 2;
                    else if (progressiveFrame)
                        picture.repeatFields = 1;
                }
            }
            return true;
        case kPictureCode:
            if (!enough(p, 2)) return refuse("a cut picture header");
            if (!state_.extended) return refuse("no MPEG-2 sequence before a picture");
            picture.type = (b[1] >> 3) & 7;
            if (picture.type < 1 || picture.type > 3) return refuse("a picture that is no I, P or B picture");
            return true;
        default:
            return true;
        }
    }

    bool beginSlices(const Gathering& picture) {
        if (picture.type == 0) return refuse("slices without a picture header");
        if (picture.repeatFields < 0) return refuse("a picture without its coding extension");
        return true;
    }

    bool close(const std::uint8_t* from, const std::uint8_t* to, const Gathering& picture) {
        if (picture.type == 0) return refuse("data without a picture");
        if (!picture.inSlices) return refuse("a picture without slices");
        if (to - from > static_cast<std::ptrdiff_t>(UINT32_MAX)) return refuse("a picture of over 4 GB");
        // Each frame is two fields; a field of every DVD frame rate is a whole number of raw ticks.
        const std::int64_t field = kRawClock * state_.rateDen;
        if (field % (2LL * state_.rateNum) != 0) return refuse("fields of no whole number of ticks");
        CodedPicture coded;
        coded.offset = static_cast<std::uint64_t>(from - data_);
        coded.size = static_cast<std::uint32_t>(to - from);
        coded.key = picture.type == 1;
        const bool b = picture.type == 3;
        if (b) state_.reordered = true;
        out_.pictures.push_back(coded);
        timing_.push_back(
            {b, state_.reordered && !b, field / (2LL * state_.rateNum) * (2 + picture.repeatFields)});
        return true;
    }

    // Decode times run on with each picture's length, except that an I or P picture moves them on by the
    // length of the I or P picture before it: that one is shown while it is decoded. An I or P picture is
    // shown when the next one is decoded; the last, after the B pictures behind it, for its own length.
    void stamp() {
        std::vector<CodedPicture>& pictures = out_.pictures;
        const std::size_t n = pictures.size();
        std::vector<std::int64_t> dts(n), pts(n);
        std::int64_t next = 0, lastReference = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const PictureTiming& t = timing_[i];
            dts[i] = next;
            if (t.delayed) {
                if (lastReference == 0) lastReference = t.ticks;
                next += lastReference;
                lastReference = t.ticks;
                pts[i] = -1;
            } else {
                pts[i] = next;
                next += t.ticks;
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (pts[i] >= 0) continue;
            std::int64_t lastDts = dts[i];
            for (std::size_t j = i + 1; j < n && pts[i] < 0; ++j) {
                if (dts[j] <= dts[i]) continue;
                if (timing_[j].delayed)
                    pts[i] = dts[j];
                else
                    lastDts = dts[j];
            }
            if (pts[i] < 0) pts[i] = lastDts + timing_[i].ticks;
        }
        for (std::size_t i = 0; i < n; ++i) {
            pictures[i].dts = toClock(dts[i]);
            pictures[i].pts = toClock(pts[i]);
            pictures[i].duration = toClock(timing_[i].ticks);
        }
    }

    const std::uint8_t* data_;
    const std::uint8_t* end_;
    SplitVideo& out_;
    std::string& why_;
    StreamState state_;
    std::vector<PictureTiming> timing_;
};

} // namespace

bool splitPictures(const std::uint8_t* data, std::size_t size, SplitVideo& out, std::string& why) {
    return Splitter(data, size, out, why).run();
}

MappedFile::MappedFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat facts {};
    if (fstat(fd, &facts) == 0 && S_ISREG(facts.st_mode) && facts.st_size > 0) {
        void* at = mmap(nullptr, static_cast<std::size_t>(facts.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (at != MAP_FAILED) {
            madvise(at, static_cast<std::size_t>(facts.st_size), MADV_SEQUENTIAL);
            data_ = static_cast<const std::uint8_t*>(at);
            size_ = static_cast<std::size_t>(facts.st_size);
        }
    }
    close(fd);
}

MappedFile::~MappedFile() {
    if (data_) munmap(const_cast<std::uint8_t*>(data_), size_);
}

} // namespace mivo::encoder::disc
