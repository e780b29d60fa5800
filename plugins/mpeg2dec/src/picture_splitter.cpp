#include "picture_splitter.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mivo::mpeg2 {

namespace {

// Bytes from a start code on that hold every header field read here (sequence extension is the longest).
constexpr std::size_t kHeaderBytes = 12;
// A unit larger than this is garbage without start codes; it is dropped instead of growing the buffer.
constexpr std::size_t kMaxUnitBytes = 32u << 20;

constexpr std::uint8_t kPictureCode = 0x00, kUserData = 0xB2, kSequenceHeader = 0xB3, kExtension = 0xB5,
                       kSequenceEnd = 0xB7, kGopHeader = 0xB8;

bool startsUnit(std::uint8_t code) {
    return code == kSequenceHeader || code == kGopHeader || code == kPictureCode;
}

} // namespace

std::size_t findStartCodeReference(const std::uint8_t* p, std::size_t from, std::size_t to) {
    std::size_t i = from;
    while (i + 2 < to) {
        if (p[i + 2] > 1)
            i += 3;
        else if (p[i + 1] != 0)
            i += 2;
        else if (p[i] != 0 || p[i + 2] != 1)
            i += 1;
        else
            return i;
    }
    return to;
}

std::size_t findStartCode(const std::uint8_t* p, std::size_t from, std::size_t to) {
#if defined(__SSE2__)
    // Sixteen positions at a time: a start code begins where a byte and the next are 0 and the one
    // after is 1. Coded data holds few such byte pairs, so most blocks are passed at once.
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    std::size_t i = from;
    for (; i + 18 <= to; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 2));
        const __m128i hit = _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, zero), _mm_cmpeq_epi8(b, zero)),
                                          _mm_cmpeq_epi8(c, one));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
    return findStartCodeReference(p, i, to);
#else
    return findStartCodeReference(p, from, to);
#endif
}

void PictureSplitter::reset() {
    marks_.clear();
    begin_ = end_ = scan_ = 0;
    finishing_ = done_ = false;
    inUnit_ = false;
    hasPicture_ = awaitingSecondField_ = secondFieldSeen_ = false;
    context_ = Context::none;
}

void PictureSplitter::push(const EsChunk& chunk) {
    if (done_ || chunk.size == 0) return;
    if (end_ - begin_ > kMaxUnitBytes) { // no unit boundary in sight: drop all but a possible start code
        inUnit_ = false;
        begin_ = end_ - 3;
        scan_ = std::max(scan_, begin_);
    }
    if (begin_ > 0 && (end_ + chunk.size > work_.size() || begin_ >= work_.size() / 2)) {
        std::memmove(work_.data(), work_.data() + begin_, end_ - begin_);
        // Keep the last mark at or before begin_: it names the origin of the first kept byte.
        auto firstKept = std::upper_bound(marks_.begin(), marks_.end(), begin_,
                                          [](std::size_t off, const Mark& m) { return off < m.offset; });
        if (firstKept != marks_.begin()) --firstKept;
        marks_.erase(marks_.begin(), firstKept);
        for (Mark& m : marks_) {
            if (m.exact && m.offset < begin_) m.origin += begin_ - m.offset;
            m.offset = m.offset < begin_ ? 0 : m.offset - begin_;
        }
        unitStart_ = unitStart_ < begin_ ? 0 : unitStart_ - begin_;
        scan_ -= begin_;
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ + chunk.size > work_.size()) work_.resize(std::max(work_.size() * 2, end_ + chunk.size + 4096));
    std::memcpy(work_.data() + end_, chunk.data, chunk.size);
    if (marks_.empty() || marks_.back().origin != chunk.origin || chunk.exact || marks_.back().exact ||
        marks_.back().vob != chunk.vob || marks_.back().cell != chunk.cell)
        marks_.push_back(Mark{end_, chunk.origin, chunk.exact, chunk.vob, chunk.cell});
    end_ += chunk.size;
}

void PictureSplitter::finish() {
    finishing_ = true;
}

const PictureSplitter::Mark& PictureSplitter::markAt(std::size_t offset) const {
    static const Mark none{0, 0, false, 0, 0};
    auto it = std::upper_bound(marks_.begin(), marks_.end(), offset,
                               [](std::size_t off, const Mark& m) { return off < m.offset; });
    return it == marks_.begin() ? none : *(it - 1);
}

std::uint64_t PictureSplitter::originAt(std::size_t offset) const {
    const Mark& m = markAt(offset);
    return m.exact ? m.origin + (offset - m.offset) : m.origin;
}

void PictureSplitter::startUnit(std::size_t k) {
    inUnit_ = true;
    unitStart_ = k;
    begin_ = k;
    current_ = AccessUnit{};
    current_.startOrigin = originAt(k);
    hasPicture_ = awaitingSecondField_ = secondFieldSeen_ = false;
    context_ = Context::none;
}

void PictureSplitter::emit(AccessUnit& unit, std::size_t endOffset) {
    unit = current_;
    unit.data = work_.data() + unitStart_;
    unit.size = endOffset - unitStart_;
    unit.indexOrigin = unit.sequenceHeader ? sequenceOrigin_ : pictureOrigin_;
    unit.sequence = sequence_;
}

void PictureSplitter::parse(std::size_t k) {
    const std::uint8_t code = work_[k + 3];
    const std::uint8_t* d = work_.data() + k + 4;
    const std::size_t avail = end_ - std::min(end_, k + 4);
    switch (code) {
    case kSequenceHeader:
        current_.sequenceHeader = true;
        sequenceOrigin_ = originAt(k);
        context_ = Context::sequence;
        if (avail >= 4) readSequenceHeader(d);
        break;
    case kExtension:
        if (avail >= 1) readExtension(d, avail);
        break;
    case kGopHeader:
        current_.gopHeader = true;
        context_ = Context::none;
        if (avail >= 4) {
            current_.closedGop = (d[3] >> 6) & 1;
            current_.brokenLink = (d[3] >> 5) & 1;
        }
        break;
    case kPictureCode:
        readPictureHeader(k, d, avail);
        break;
    case kUserData:
        break;
    default:
        if (code >= 0x01 && code <= 0xAF) context_ = Context::none; // slices
        break;
    }
}

void PictureSplitter::readSequenceHeader(const std::uint8_t* d) {
    sequence_.valid = true;
    sequence_.width = (d[0] << 4) | (d[1] >> 4);
    sequence_.height = ((d[1] & 0x0F) << 8) | d[2];
    sequence_.aspectCode = d[3] >> 4;
    sequence_.frameRateCode = d[3] & 0x0F;
    // MPEG-1 unless a sequence extension follows.
    sequence_.mpeg2 = false;
    sequence_.progressiveSequence = true;
    sequence_.chromaFormat = 1;
    sequence_.rateExtN = sequence_.rateExtD = 0;
    sequence_.matrixCoefficients = -1;
}

void PictureSplitter::readExtension(const std::uint8_t* d, std::size_t avail) {
    const int id = d[0] >> 4;
    if (context_ == Context::sequence && id == 1 && avail >= 6) {
        sequence_.mpeg2 = true;
        sequence_.progressiveSequence = (d[1] >> 3) & 1;
        sequence_.chromaFormat = (d[1] >> 1) & 3;
        sequence_.width = (sequence_.width & 0xFFF) | ((((d[1] & 1) << 1) | (d[2] >> 7)) << 12);
        sequence_.height = (sequence_.height & 0xFFF) | (((d[2] >> 5) & 3) << 12);
        sequence_.rateExtN = (d[5] >> 5) & 3;
        sequence_.rateExtD = d[5] & 0x1F;
    } else if (context_ == Context::sequence && id == 2) {
        if ((d[0] & 1) && avail >= 4) sequence_.matrixCoefficients = d[3];
    } else if (context_ == Context::picture && id == 8 && avail >= 5 && !secondFieldSeen_) {
        current_.structure = d[2] & 3;
        current_.topFieldFirst = (d[3] >> 7) & 1;
        current_.repeatFirstField = (d[3] >> 1) & 1;
        current_.progressiveFrame = (d[4] >> 7) & 1;
        awaitingSecondField_ = current_.structure == 1 || current_.structure == 2;
    } else if (context_ == Context::picture && id == 3) {
        current_.quantMatrix = true;
    }
}

void PictureSplitter::readPictureHeader(std::size_t k, const std::uint8_t* d, std::size_t avail) {
    context_ = Context::picture;
    if (hasPicture_) { // the second field of a pair
        current_.fieldPair = true;
        awaitingSecondField_ = false;
        secondFieldSeen_ = true;
        return;
    }
    hasPicture_ = true;
    pictureOrigin_ = originAt(k);
    const Mark& m = markAt(k);
    current_.vob = m.vob;
    current_.cell = m.cell;
    // MPEG-1 pictures are progressive frames; MPEG-2 ones are described by their coding extension.
    current_.structure = 3;
    current_.topFieldFirst = !sequence_.mpeg2;
    current_.repeatFirstField = false;
    current_.progressiveFrame = !sequence_.mpeg2;
    if (avail >= 2) {
        current_.temporalReference = (d[0] << 2) | (d[1] >> 6);
        const int type = (d[1] >> 3) & 7;
        current_.type = type == 4 ? kPictureI : type; // D pictures are intra coded
    }
}

bool PictureSplitter::next(AccessUnit& unit) {
    if (done_) return false;
    while (true) {
        const std::size_t k = findStartCode(work_.data(), scan_, end_);
        if (k == end_ || (!finishing_ && k + kHeaderBytes > end_) || (finishing_ && k + 3 >= end_)) {
            if (!finishing_) {
                scan_ = k == end_ ? std::max(scan_, end_ >= 2 ? end_ - 2 : 0) : k;
                if (!inUnit_) begin_ = std::max(begin_, std::min(scan_, end_));
                return false;
            }
            done_ = true;
            if (inUnit_ && hasPicture_) {
                emit(unit, end_);
                return true;
            }
            return false;
        }
        const std::uint8_t code = work_[k + 3];
        if (inUnit_ && hasPicture_ && startsUnit(code) && !(code == kPictureCode && awaitingSecondField_)) {
            emit(unit, k);
            startUnit(k);
            parse(k);
            scan_ = k + 4;
            return true;
        }
        if (!inUnit_) {
            if (!startsUnit(code)) { // the rest of a unit whose start lies before the data we have
                scan_ = k + 3;
                begin_ = scan_;
                continue;
            }
            startUnit(k);
        }
        parse(k);
        scan_ = k + 4;
        if (code == kSequenceEnd) {
            current_.sequenceEnd = true;
            const bool complete = hasPicture_;
            inUnit_ = false;
            if (complete) {
                emit(unit, k + 4);
                begin_ = k + 4;
                return true;
            }
            begin_ = k + 4;
        }
    }
}

} // namespace mivo::mpeg2
