#include "dvd_author.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace mivo::encoder::disc {

namespace {

constexpr std::size_t kSector = 2048;

// Where a navigation pack keeps its two halves: the presentation control information at 0x2d (after the
// pack header, the system header and its packet header) and the search information at 0x407.
constexpr std::size_t kPci = 0x2d;
constexpr std::size_t kDsi = 0x407;

std::uint32_t get16(const std::uint8_t* b) {
    return static_cast<std::uint32_t>(b[0]) << 8 | b[1];
}

void put16(std::uint8_t* b, std::uint32_t v) {
    b[0] = static_cast<std::uint8_t>(v >> 8);
    b[1] = static_cast<std::uint8_t>(v);
}

void put32(std::uint8_t* b, std::uint32_t v) {
    put16(b, v >> 16);
    put16(b + 2, v & 0xffff);
}

std::int64_t readPts(const std::uint8_t* b) {
    return static_cast<std::int64_t>((b[0] >> 1) & 7) << 30 | static_cast<std::int64_t>(b[1]) << 22 |
           static_cast<std::int64_t>(b[2] >> 1) << 15 | static_cast<std::int64_t>(b[3]) << 7 | (b[4] >> 1);
}

// The base of an MPEG-2 pack header's system clock reference, on the 90 kHz clock.
std::int64_t readScr(const std::uint8_t* b) {
    return static_cast<std::int64_t>((b[0] >> 3) & 7) << 30 | static_cast<std::int64_t>(b[0] & 3) << 28 |
           static_cast<std::int64_t>(b[1]) << 20 | static_cast<std::int64_t>(b[2] >> 3) << 15 |
           static_cast<std::int64_t>(b[2] & 3) << 13 | static_cast<std::int64_t>(b[3]) << 5 | (b[4] >> 3);
}

bool startCodeAt(const std::uint8_t* b, std::size_t at, std::uint8_t code) {
    return b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1 && b[at + 3] == code;
}

// A pack that begins a VOBU: a system header, then the two private stream 2 packets at their places.
bool isNavigationPack(const std::uint8_t* p) {
    return startCodeAt(p, 14, 0xbb) && startCodeAt(p, 0x26, 0xbf) && p[0x2c] == 0 &&
           startCodeAt(p, 0x400, 0xbf) && p[0x406] == 1;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    if (ok)
        error.clear();
    else
        error = "cannot write " + path + ": " + std::strerror(errno ? errno : EIO);
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        ok = false;
    }
    return ok;
}

// MPEG-1 layer II at 48 kHz, the MPEG audio a disc carries: the length of the frame whose header is `h`,
// 0 for anything else.
int mpegAudioFrameBytes(const std::uint8_t* h) {
    static constexpr std::array<int, 15> kKbps{0,   32,  48,  56,  64,  80,  96, 112,
                                               128, 160, 192, 224, 256, 320, 384};
    if (h[0] != 0xff || (h[1] & 0xfe) != 0xfc) return 0; // sync, MPEG-1, layer II
    const int index = h[2] >> 4;
    if (index == 0 || index >= 15 || ((h[2] >> 2) & 3) != 1) return 0; // free format; not 48 kHz
    return 144 * kKbps[static_cast<std::size_t>(index)] * 1000 / 48000 + ((h[2] >> 1) & 1);
}

} // namespace

// A growing block of IFO bytes, big-endian, in whole sectors where asked.
class DvdAuthor::Block {
  public:
    std::size_t size() const { return bytes_.size(); }
    std::uint8_t* at(std::size_t offset, std::size_t length = 4) {
        if (bytes_.size() < offset + length) bytes_.resize(offset + length);
        return bytes_.data() + offset;
    }
    void set8(std::size_t offset, std::uint32_t v) { *at(offset) = static_cast<std::uint8_t>(v); }
    void set16(std::size_t offset, std::uint32_t v) { put16(at(offset), v); }
    void set32(std::size_t offset, std::uint32_t v) { put32(at(offset), v); }
    void setText(std::size_t offset, const char* text) {
        std::memcpy(at(offset, std::strlen(text)), text, std::strlen(text));
    }
    // Cuts the slack `at` may have added beyond `end`, then pads to whole sectors.
    std::uint32_t finishSectors(std::size_t end) {
        bytes_.resize((end + kSector - 1) / kSector * kSector);
        return static_cast<std::uint32_t>(bytes_.size() / kSector);
    }
    void append(const Block& other) { bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end()); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

struct DvdAuthor::Vobu {
    std::uint32_t sector = 0; // of its navigation pack, from the title's first
    std::uint32_t last = 0;
    int file = 0;
    std::uint64_t offset = 0; // of its navigation pack in its file
    std::uint32_t scr = 0;
    std::int64_t firstPts = -1;
    int leadingFields = 0, fields = 0;
    std::array<std::uint32_t, 3> referenceEnd{};
    int references = 0;
    bool hasVideo = false, sequenceEnd = false;
    std::int64_t start = 0, end = 0, videoEnd = 0;
    int cell = 0, firstInCell = 0, lastInCell = 0;
};

DvdAuthor::DvdAuthor(std::string videoTs, TitleFacts title, AuthorAudio audio)
    : dir_(std::move(videoTs)), title_(std::move(title)), audio_(std::move(audio)) {
    partial_.reserve(kSector);
}

DvdAuthor::~DvdAuthor() {
    if (fd_ >= 0) ::close(fd_);
}

bool DvdAuthor::fail(const std::string& what) {
    if (error_.empty()) error_ = what;
    return false;
}

bool DvdAuthor::begin(std::string& error) {
    std::error_code ec;
    if (!std::filesystem::create_directories(dir_, ec) || !openFile(1)) {
        error = error_.empty() ? "cannot create " + dir_ + ": " + ec.message() : error_;
        return false;
    }
    return true;
}

bool DvdAuthor::openFile(int number) {
    if (number > 9)
        return fail("the title is larger than a DVD-Video title set holds (9 VOB files of 1 GiB)");
    if (fd_ >= 0 && ::close(fd_) != 0)
        return fail("cannot write the title: " + std::string(std::strerror(errno)));
    fd_ = -1;
    const std::string path = dir_ + "/VTS_01_" + std::to_string(number) + ".VOB";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return fail("cannot write " + path + ": " + std::strerror(errno));
    fileNumber_ = number;
    fileBytes_ = 0;
    return true;
}

bool DvdAuthor::writeRun(const std::uint8_t* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd_, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            return fail("cannot write the title into the DVD folder: " +
                        std::string(std::strerror(n < 0 ? errno : ENOSPC)));
        done += static_cast<std::size_t>(n);
    }
    fileBytes_ += size;
    return true;
}

// A VOBU never spans two files: the part of it already written moves into the next one, read back from
// the page cache it was just written to.
bool DvdAuthor::moveVobuToNextFile() {
    Vobu& v = vobus_.back();
    if (v.offset == 0) return fail("a VOBU of the title is larger than a VOB file may be");
    const int oldFd = fd_;
    fd_ = -1;
    const std::uint64_t from = v.offset, to = fileBytes_;
    const std::string oldPath = dir_ + "/VTS_01_" + std::to_string(fileNumber_) + ".VOB";
    bool ok = openFile(fileNumber_ + 1);
    std::vector<std::uint8_t> buffer(1 << 20);
    for (std::uint64_t at = from; ok && at < to;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), to - at));
        const ssize_t n = ::pread(oldFd, buffer.data(), want, static_cast<off_t>(at));
        if (n <= 0) {
            ok = fail("cannot read back " + oldPath + ": " + std::strerror(n < 0 ? errno : EIO));
            break;
        }
        ok = writeRun(buffer.data(), static_cast<std::size_t>(n));
        at += static_cast<std::uint64_t>(n);
    }
    if (ok && ::ftruncate(oldFd, static_cast<off_t>(from)) != 0)
        ok = fail("cannot write " + oldPath + ": " + std::strerror(errno));
    if (::close(oldFd) != 0 && ok) ok = fail("cannot write " + oldPath + ": " + std::strerror(errno));
    v.file = fileNumber_;
    v.offset = 0;
    return ok;
}

bool DvdAuthor::take(const std::uint8_t* data, std::size_t size) {
    if (!error_.empty() || fd_ < 0) return false;
    while (size > 0) {
        if (!partial_.empty() || size < kSector) {
            const std::size_t n = std::min(size, kSector - partial_.size());
            partial_.insert(partial_.end(), data, data + n);
            data += n;
            size -= n;
            if (partial_.size() < kSector) return true;
            const bool ok = pack(partial_.data()) && writeRun(partial_.data(), kSector);
            partial_.clear();
            if (!ok) return false;
            continue;
        }
        // Whole packs are written as one run; a run ends where the file must change.
        std::size_t run = 0;
        const std::uint8_t* runStart = data;
        while (size >= kSector) {
            if (fileBytes_ + run + kSector > fileLimit_) {
                if (!writeRun(runStart, run)) return false;
                runStart = data;
                run = 0;
                const bool nav = isNavigationPack(data);
                if (!(nav ? openFile(fileNumber_ + 1) : moveVobuToNextFile())) return false;
            }
            const std::uint64_t at = fileBytes_ + run;
            const std::size_t before = vobus_.size();
            if (!pack(data)) return false;
            if (vobus_.size() != before) vobus_.back().offset = at;
            run += kSector;
            data += kSector;
            size -= kSector;
        }
        if (!writeRun(runStart, run)) return false;
    }
    return true;
}

bool DvdAuthor::pack(const std::uint8_t* p) {
    if (!startCodeAt(p, 0, 0xba) || (p[4] & 0xc0) != 0x40)
        return fail("the title's program stream is not in DVD packs (sector " + std::to_string(sector_) +
                    ")");
    // A single pack, as the partial one: the file change happens here.
    if (p == partial_.data() && fileBytes_ + kSector > fileLimit_ &&
        !(isNavigationPack(p) ? openFile(fileNumber_ + 1) : moveVobuToNextFile()))
        return false;
    if (isNavigationPack(p)) {
        if (!vobus_.empty()) endVobu();
        startVobu(p);
        vobus_.back().offset = fileBytes_;
    } else if (vobus_.empty()) {
        return fail("the title's program stream does not begin with a navigation pack");
    }
    vobus_.back().last = sector_;
    for (std::size_t at = 14 + (p[13] & 7); at + 6 <= kSector;) {
        if (p[at] != 0 || p[at + 1] != 0 || p[at + 2] != 1 || p[at + 3] == 0xb9) break;
        const std::uint8_t id = p[at + 3];
        const std::size_t end = at + 6 + get16(p + at + 4);
        if (end > kSector)
            return fail("a packet runs past its pack (sector " + std::to_string(sector_) + ")");
        const bool pes = id == 0xe0 || id == 0xbd || (id & 0xf8) == 0xc0;
        if (pes && (at + 9 > end || at + 9 + p[at + 8] > end))
            return fail("a packet header runs past its packet (sector " + std::to_string(sector_) + ")");
        if (id == 0xe0) {
            const bool hasPts = (p[at + 7] & 0x80) != 0;
            const std::size_t payload = at + 9 + p[at + 8];
            video(p + payload, end - payload, hasPts, hasPts ? readPts(p + at + 9) : 0);
        } else if (pes) {
            audio(p + at, end - at, id);
        }
        at = end;
    }
    ++sector_;
    return true;
}

void DvdAuthor::startVobu(const std::uint8_t* p) {
    Vobu v;
    v.sector = sector_;
    v.file = fileNumber_;
    v.scr = static_cast<std::uint32_t>(readScr(p + 4));
    vobus_.push_back(v);
    referenceOpen_ = false;
    gopState_ = 1;
    firstTemporal_ = -1;
    leading_ = false;
}

// What is left of the video's bytes belongs to the VOBU that ends; the last reference picture ends with
// its last video pack.
void DvdAuthor::endVobu() {
    std::uint8_t tail[32]{};
    std::memcpy(tail, carry_, carried_);
    for (std::size_t i = 0; i < carried_; ++i)
        if (tail[i] == 0 && tail[i + 1] == 0 && tail[i + 2] == 1) startCode(tail + i, prevVideoSector_);
    carried_ = 0;
    closeReference(prevVideoSector_);
}

void DvdAuthor::closeReference(std::uint32_t sector) {
    Vobu& v = vobus_.back();
    if (referenceOpen_ && v.references < 3) {
        v.referenceEnd[static_cast<std::size_t>(v.references++)] = sector;
        referenceOpen_ = false;
    }
}

void DvdAuthor::startCode(const std::uint8_t* b, std::uint32_t sectorBefore) {
    Vobu& v = vobus_.back();
    switch (b[3]) {
    case 0x00: { // picture: the reference picture before it ends with the byte before
        closeReference(sectorBefore);
        const int temporal = b[4] << 2 | b[5] >> 6;
        const int type = (b[5] >> 3) & 7;
        if (firstTemporal_ < 0) firstTemporal_ = temporal;
        leading_ = temporal < firstTemporal_;
        if (type == 1 || type == 2) referenceOpen_ = true;
        if (!mpeg2_) { // an MPEG-1 picture has no coding extension: always a frame of two fields
            v.fields += 2;
            if (leading_ && gopState_ == 2) v.leadingFields += 2;
        }
        break;
    }
    case 0xb3: // sequence header
        closeReference(sectorBefore);
        width_ = b[4] << 4 | b[5] >> 4;
        height_ = (b[5] & 15) << 8 | b[6];
        break;
    case 0xb5: { // extensions
        const int kind = b[4] >> 4;
        if (kind == 1 || kind == 2) closeReference(sectorBefore);
        if (kind == 1) mpeg2_ = true;
        if (kind == 8) { // picture coding: a frame shows two fields, a repeated first field one more
            const int fields = ((b[6] & 3) == 3 ? 2 : 1) + ((b[7] & 2) ? 1 : 0);
            v.fields += fields;
            // Pictures shown before the VOBU's first I picture (an open GOP's leading B pictures).
            if (leading_ && gopState_ == 2) v.leadingFields += fields;
        }
        break;
    }
    case 0xb7:
        v.sequenceEnd = true;
        break;
    case 0xb8: // group of pictures
        closeReference(sectorBefore);
        if (gopState_ == 1) {
            gopState_ = 2;
            firstTemporal_ = -1;
            leading_ = false;
        } else if (gopState_ == 2) {
            gopState_ = 0;
        }
        break;
    default:
        break;
    }
}

void DvdAuthor::video(const std::uint8_t* payload, std::size_t size, bool hasPts, std::int64_t pts) {
    Vobu& v = vobus_.back();
    v.hasVideo = true;
    if (hasPts && v.firstPts < 0) v.firstPts = pts;
    prevVideoSector_ = videoSector_;
    videoSector_ = sector_;
    scanVideo(payload, size, carried_);
}

// Looks for start codes in the carried bytes followed by `payload`. A start code needs the 8 bytes from
// its first; the ones that end a payload wait for the next. The reference picture a start code ends
// ends in the sector of the byte before it.
void DvdAuthor::scanVideo(const std::uint8_t* payload, std::size_t size, std::size_t carried) {
    constexpr std::size_t kNeed = 8;
    std::uint8_t join[32];
    const std::size_t head = std::min(size, kNeed);
    std::memcpy(join, carry_, carried);
    std::memcpy(join + carried, payload, head);
    const std::size_t joined = carried + head;
    // Codes that begin in the carried bytes or at the payload's first byte: the byte before is older.
    for (std::size_t i = 0; i <= carried && i + kNeed <= joined; ++i)
        if (join[i] == 0 && join[i + 1] == 0 && join[i + 2] == 1) startCode(join + i, prevVideoSector_);
    if (size < kNeed) {
        // Too short to scan on its own: all of it waits, with what is still unscanned before it.
        const std::size_t firstUnscanned = joined >= kNeed ? joined - (kNeed - 1) : 0;
        const std::size_t keep = std::min<std::size_t>(joined - firstUnscanned, kNeed - 1);
        std::memmove(carry_, join + joined - keep, keep);
        carried_ = keep;
        return;
    }
    const std::uint8_t* end = payload + size - (kNeed - 1);
    for (const std::uint8_t* q = payload + 1; q < end;) {
        const void* one = std::memchr(q + 2, 1, static_cast<std::size_t>(end - q));
        if (!one) break;
        const std::uint8_t* code = static_cast<const std::uint8_t*>(one) - 2;
        if (code >= end) break;
        if (code[0] == 0 && code[1] == 0) startCode(code, videoSector_);
        q = code + 1;
    }
    std::memcpy(carry_, payload + size - (kNeed - 1), kNeed - 1);
    carried_ = kNeed - 1;
}

// The audio's packets with a time stamp, for the VOBUs' audio pointers, and where the audio ends.
void DvdAuthor::audio(const std::uint8_t* pes, std::size_t size, std::uint8_t id) {
    const bool hasPts = (pes[7] & 0x80) != 0;
    const std::int64_t pts = hasPts ? readPts(pes + 9) : 0;
    const std::uint8_t* payload = pes + 9 + pes[8];
    std::size_t length = size - 9 - pes[8];
    int frames = 0, duration = 0;
    if (id == 0xbd) {
        if (length < 4) return;
        const std::uint8_t sub = payload[0];
        if (sub == 0x80)
            duration = 2880; // AC-3: 1536 samples
        else if (sub == 0xa0)
            duration = 150; // LPCM frames of 1/600 s
        else
            return;
        frames = payload[1];
    } else {
        if (id != 0xc0) return;
        duration = 2160; // 1152 samples
        // Frame headers walked from frame to frame; a header cut by the packet's end is read whole
        // from the next.
        std::size_t at = 0;
        if (!mpaHeader_.empty()) {
            while (mpaHeader_.size() < 3 && at < length)
                mpaHeader_.push_back(payload[at++]);
            if (mpaHeader_.size() < 3) return;
            const int bytes = mpegAudioFrameBytes(mpaHeader_.data());
            mpaSkip_ = bytes > 3 ? bytes - 3 : 0;
            mpaHeader_.clear();
            if (bytes > 0 && audioEnd_ >= 0) audioEnd_ += duration;
            if (bytes == 0) mpaSkip_ = -1;
        }
        while (at < length) {
            if (mpaSkip_ < 0) { // lost: the next sync word
                while (at + 1 < length && !(payload[at] == 0xff && (payload[at + 1] & 0xfe) == 0xfc))
                    ++at;
                if (at + 1 >= length) return;
                mpaSkip_ = 0;
            }
            if (static_cast<std::size_t>(mpaSkip_) >= length - at) {
                mpaSkip_ -= static_cast<int>(length - at);
                break;
            }
            at += static_cast<std::size_t>(mpaSkip_);
            if (length - at < 3) {
                mpaHeader_.assign(payload + at, payload + length);
                mpaSkip_ = 0;
                break;
            }
            const int bytes = mpegAudioFrameBytes(payload + at);
            if (bytes == 0) {
                mpaSkip_ = -1;
                ++at;
                continue;
            }
            ++frames;
            mpaSkip_ = bytes;
        }
    }
    if (hasPts) {
        audioMarks_.push_back({pts, sector_});
        audioEnd_ = pts + static_cast<std::int64_t>(frames) * duration;
    } else if (audioEnd_ >= 0) {
        audioEnd_ += static_cast<std::int64_t>(frames) * duration;
    }
}

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// A playback time as the IFO and the navigation packs give it: hours, minutes, seconds and frames in
// BCD, rounded to the nearest frame, with the frame rate in the top bits of the frames (25: 01, 30: 11).
std::uint32_t bcdTime(std::int64_t ticks, bool pal) {
    const std::int64_t frameTicks = pal ? 3600 : 3003;
    const std::int64_t rate = pal ? 25 : 30;
    const std::int64_t frames = (std::max<std::int64_t>(ticks, 0) + frameTicks / 2 + 1) / frameTicks;
    const std::int64_t seconds = frames / rate;
    const auto bcd = [](std::int64_t v) { return static_cast<std::uint32_t>(v / 10 * 16 + v % 10); };
    return bcd(seconds / 3600 % 100) << 24 | bcd(seconds / 60 % 60) << 16 | bcd(seconds % 60) << 8 |
           (pal ? 0x40u : 0xc0u) | bcd(frames % rate);
}

} // namespace

bool DvdAuthor::finish(std::string& error) {
    const auto result = [&](bool ok) {
        if (!ok) error = error_;
        return ok;
    };
    if (!error_.empty() || fd_ < 0) return result(fail("the title was not written"));
    // The program end code some multiplexers close with carries nothing.
    if (!partial_.empty() && !(partial_.size() == 4 && startCodeAt(partial_.data(), 0, 0xb9)))
        return result(fail("the title's program stream ends inside a pack"));
    if (vobus_.empty()) return result(fail("the title's program stream has no navigation pack"));
    endVobu();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return result(fail("cannot write the title: " + std::string(std::strerror(errno))));
    return result(placeVobus() && placeCells() && fillNavigationPacks() && writeIfos());
}

// When each VOBU is shown: from its first picture's time stamp less the pictures shown before it, for
// the fields its pictures show, on a grid of fields from the title's first picture.
bool DvdAuthor::placeVobus() {
    const std::int64_t frame = isPal(title_) ? 3600 : 3003;
    std::int64_t base2 = -1;
    for (Vobu& v : vobus_) {
        if (!v.hasVideo || v.firstPts < 0) continue;
        if (base2 < 0) base2 = 2 * v.firstPts;
        const std::int64_t field = floorDiv(2 * v.firstPts - base2 + frame / 2, frame) - v.leadingFields;
        v.start = floorDiv(base2 + field * frame, 2);
        v.videoEnd = floorDiv(base2 + (field + v.fields) * frame, 2);
        v.end = v.videoEnd;
    }
    if (base2 < 0) return fail("the title's program stream has no video");
    // A VOBU without pictures lasts from the one before to the one after.
    for (std::size_t i = 0; i < vobus_.size(); ++i) {
        Vobu& v = vobus_[i];
        if (v.hasVideo && v.firstPts >= 0) continue;
        if (i == 0) return fail("the title's program stream does not begin with video");
        v.start = vobus_[i - 1].end;
        v.end = i + 1 < vobus_.size() && vobus_[i + 1].hasVideo ? vobus_[i + 1].start : v.start + frame;
    }
    // Sound that goes on after the last picture is part of the title.
    if (audioEnd_ > vobus_.back().end) vobus_.back().end = audioEnd_;
    for (std::size_t i = 1; i < vobus_.size(); ++i)
        if (vobus_[i].start < vobus_[i - 1].start || vobus_[i].end <= vobus_[i].start)
            return fail("the title's time stamps go backwards at VOBU " + std::to_string(i + 1));
    return true;
}

// The VOBU the index of whose time span holds `t`, within [first, last]; first - 1 before, last + 1 after.
int DvdAuthor::vobuAt(std::int64_t t, int first, int last) const {
    if (t < vobus_[static_cast<std::size_t>(first)].start) return first - 1;
    if (t >= vobus_[static_cast<std::size_t>(last)].end) return last + 1;
    const auto begin = vobus_.begin() + first, end = vobus_.begin() + last + 1;
    const auto after =
        std::upper_bound(begin, end, t, [](std::int64_t time, const Vobu& v) { return time < v.start; });
    return static_cast<int>(after - vobus_.begin()) - 1;
}

// A chapter begins a cell at the VOBU that begins nearest its time: the one its I picture begins. Two
// chapters in one VOBU make one cell, not an empty one.
bool DvdAuthor::placeCells() {
    const int count = static_cast<int>(vobus_.size());
    std::vector<int> firsts{0};
    for (int frame : title_.chapters) {
        if (frame <= title_.startFrame || frame >= title_.startFrame + title_.frameCount) continue;
        const std::int64_t t = vobus_.front().start +
                               static_cast<std::int64_t>(std::llround(secondsAt(title_, frame) * 90000.0));
        int i = std::clamp(vobuAt(t, 0, count - 1), 0, count - 1);
        const auto distance = [&](int k) {
            return std::llabs(t - vobus_[static_cast<std::size_t>(k)].start);
        };
        if (i + 1 < count && distance(i + 1) < distance(i)) ++i;
        firsts.push_back(i);
    }
    std::sort(firsts.begin(), firsts.end());
    firsts.erase(std::unique(firsts.begin(), firsts.end()), firsts.end());
    if (firsts.size() > 99)
        return fail("a DVD title has at most 99 chapters, this one " + std::to_string(firsts.size()));
    for (std::size_t c = 0; c < firsts.size(); ++c) {
        const int first = firsts[c];
        const int last = c + 1 < firsts.size() ? firsts[c + 1] - 1 : count - 1;
        for (int i = first; i <= last; ++i) {
            Vobu& v = vobus_[static_cast<std::size_t>(i)];
            v.cell = static_cast<int>(c) + 1;
            v.firstInCell = first;
            v.lastInCell = last;
        }
    }
    cellFirstVobu_ = firsts;
    return true;
}

// The pointer from VOBU `from` to VOBU `to` as the search information holds it: the distance in sectors,
// the top bit when `to` has video, the next when VOBUs with video lie between (asked by `between`);
// `none` where `to` is outside the cell.
std::uint32_t DvdAuthor::pointer(int from, int to, bool between, std::uint32_t none) const {
    std::uint32_t skip = 0;
    if (between) {
        const int low = std::min(from, to) + 1, high = std::max(from, to) - 1;
        for (int i = std::max(low, 0); i <= high && i < static_cast<int>(vobus_.size()); ++i)
            if (vobus_[static_cast<std::size_t>(i)].hasVideo) skip = 0x40000000;
    }
    if (to < 0 || to >= static_cast<int>(vobus_.size()) ||
        vobus_[static_cast<std::size_t>(to)].cell != vobus_[static_cast<std::size_t>(from)].cell)
        return none | skip;
    const Vobu &a = vobus_[static_cast<std::size_t>(from)], &b = vobus_[static_cast<std::size_t>(to)];
    const std::uint32_t distance = a.sector > b.sector ? a.sector - b.sector : b.sector - a.sector;
    return distance | (b.hasVideo ? 0x80000000u : 0) | skip;
}

bool DvdAuthor::fillNavigationPacks() {
    std::array<std::uint8_t, kSector> nav{};
    int file = 0;
    int fd = -1;
    const auto closeFile = [&]() {
        const bool ok = fd < 0 || ::close(fd) == 0;
        fd = -1;
        return ok || fail("cannot write the title: " + std::string(std::strerror(errno)));
    };
    for (int i = 0; i < static_cast<int>(vobus_.size()); ++i) {
        const Vobu& v = vobus_[static_cast<std::size_t>(i)];
        if (v.file != file) {
            if (!closeFile()) return false;
            const std::string path = dir_ + "/VTS_01_" + std::to_string(v.file) + ".VOB";
            fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd < 0) return fail("cannot write " + path + ": " + std::strerror(errno));
            file = v.file;
        }
        nav.fill(0);
        fillNavigationPack(i, nav.data());
        // From the first packet's data on: the headers before it stay as multiplexed.
        const std::size_t length = kSector - kPci;
        if (::pwrite(fd, &nav[kPci], length, static_cast<off_t>(v.offset + kPci)) !=
            static_cast<ssize_t>(length)) {
            const int e = errno;
            closeFile();
            return fail("cannot write the title's navigation packs: " +
                        std::string(std::strerror(e ? e : EIO)));
        }
    }
    return closeFile();
}

// The navigation pack of VOBU `i` into `nav`, a zeroed sector.
void DvdAuthor::fillNavigationPack(int i, std::uint8_t* nav) const {
    const Vobu& v = vobus_[static_cast<std::size_t>(i)];
    const Vobu& cellStart = vobus_[static_cast<std::size_t>(v.firstInCell)];
    const std::uint32_t elapsed = bcdTime(v.start - cellStart.start, isPal(title_));
    // Presentation control information.
    put32(&nav[kPci], v.sector);
    put32(&nav[0x39], static_cast<std::uint32_t>(v.start));
    put32(&nav[0x3d], static_cast<std::uint32_t>(v.end));
    if (v.sequenceEnd) put32(&nav[0x41], static_cast<std::uint32_t>(v.videoEnd));
    put32(&nav[0x45], elapsed);
    // Search information.
    put32(&nav[0x400], 0x000001bf);
    put16(&nav[0x404], 0x3fa);
    nav[0x406] = 1;
    put32(&nav[kDsi], v.scr);
    put32(&nav[0x40b], v.sector);
    put32(&nav[0x40f], v.last - v.sector);
    for (int r = 0; r < 3 && v.references > 0; ++r)
        put32(&nav[0x413 + 4 * static_cast<std::size_t>(r)],
              v.referenceEnd[static_cast<std::size_t>(std::min(r, v.references - 1))] - v.sector);
    put16(&nav[0x41f], 1);
    nav[0x422] = static_cast<std::uint8_t>(v.cell);
    put32(&nav[0x423], elapsed);
    put32(&nav[0x433], static_cast<std::uint32_t>(vobus_.front().start));
    put32(&nav[0x437], static_cast<std::uint32_t>(vobus_.back().end));
    fillSearchPointers(i, nav);
    if (audio_.format != AuthorAudio::Format::None) put16(&nav[0x599], audioSync(v));
}

// The search information's pointers from VOBU `i`: to the next and previous VOBUs (with video and any),
// and to the VOBUs a number of half seconds ahead and back within its cell.
void DvdAuthor::fillSearchPointers(int i, std::uint8_t* nav) const {
    const int count = static_cast<int>(vobus_.size());
    const Vobu& v = vobus_[static_cast<std::size_t>(i)];
    // The search steps, in half seconds, from the nearest.
    static constexpr std::array<std::int64_t, 19> kSteps{1,  2,  3,  4,  5,  6,  7,  8,   9,  10,
                                                         11, 12, 13, 14, 15, 20, 60, 120, 240};
    constexpr std::int64_t kHalfSecond = 45000;
    const auto withVideo = [&](int step) {
        for (int k = i + step; k >= 0 && k < count; k += step)
            if (vobus_[static_cast<std::size_t>(k)].hasVideo) return k;
        return -1;
    };
    put32(&nav[0x4f1], pointer(i, withVideo(1), false, 0xbfffffff));
    put32(&nav[0x541], pointer(i, i + 1, false, 0x3fffffff));
    put32(&nav[0x545], pointer(i, i - 1, false, 0x3fffffff));
    put32(&nav[0x595], pointer(i, withVideo(-1), false, 0xbfffffff));
    int previousForward = i, previousBackward = i;
    for (std::size_t j = 0; j < kSteps.size(); ++j) {
        const int forward = vobuAt(v.start + kSteps[j] * kHalfSecond, v.firstInCell, v.lastInCell);
        const int backward = vobuAt(v.start - kSteps[j] * kHalfSecond, v.firstInCell, v.lastInCell);
        put32(&nav[0x53d - 4 * j], pointer(i, forward, j >= 15 && forward > previousForward + 1, 0x3fffffff));
        put32(&nav[0x549 + 4 * j],
              pointer(i, backward, j >= 15 && backward < previousBackward - 1, 0x3fffffff));
        previousForward = forward;
        previousBackward = backward;
    }
}

// The audio packet to begin the VOBU's sound with: the last one stamped at or before its start, as a
// distance in sectors with bit 15 for one before; 0 when too far, 0x3fff when no sound begins by its end.
std::uint32_t DvdAuthor::audioSync(const Vobu& v) const {
    std::uint32_t sync = 0x3fff;
    if (!audioMarks_.empty()) {
        auto at = std::upper_bound(audioMarks_.begin(), audioMarks_.end(), v.start,
                                   [](std::int64_t t, const AudioMark& m) { return t < m.pts; });
        if (at != audioMarks_.begin()) --at;
        if (at->pts <= v.end) {
            const std::int64_t d = static_cast<std::int64_t>(at->sector) - v.sector;
            sync = d > 0x1fff || d < -0x1fff ? 0
                   : d < 0                   ? static_cast<std::uint32_t>(-d) | 0x8000
                                             : static_cast<std::uint32_t>(d);
        }
    }
    return sync;
}

namespace {

// The video attributes: MPEG-2 (or -1), the TV system, the aspect (16:9 letterboxed on a 4:3 set, not panned;
// 4:3 neither), the picture size.
std::uint32_t videoAttributes(const TitleFacts& t, int width, int height, bool mpeg2) {
    const bool wide = t.aspectRatio >= 3;
    const std::uint32_t size = width >= 720 ? 0 : width >= 704 ? 1 : height > 288 ? 2 : 3;
    return (mpeg2 ? 0x4000 : 0) | (isPal(t) ? 0x1000 : 0) | (wide ? 0xc00 | 0x200 : 0x300) | size << 2;
}

void audioAttributes(std::uint8_t* b, const AuthorAudio& a) {
    const std::uint8_t format = a.format == AuthorAudio::Format::Ac3     ? 0
                                : a.format == AuthorAudio::Format::Mpeg1 ? 2
                                                                         : 4;
    const bool language = a.language.size() == 2;
    b[0] = static_cast<std::uint8_t>(format << 5 | (language ? 4 : 0));
    // 48 kHz; AC-3 has dynamic range control (11), MPEG audio may (01), LPCM of 16 bits (00).
    const std::uint8_t control = a.format == AuthorAudio::Format::Ac3     ? 0xc0
                                 : a.format == AuthorAudio::Format::Mpeg1 ? 0x40
                                                                          : 0;
    b[1] = static_cast<std::uint8_t>(control | (std::clamp(a.channels, 1, 8) - 1));
    if (language) {
        b[2] = static_cast<std::uint8_t>(std::tolower(static_cast<unsigned char>(a.language[0])));
        b[3] = static_cast<std::uint8_t>(std::tolower(static_cast<unsigned char>(a.language[1])));
    }
}

} // namespace

const DvdAuthor::Vobu& DvdAuthor::firstOfCell(std::uint32_t c) const {
    return vobus_[static_cast<std::size_t>(cellFirstVobu_[c])];
}

const DvdAuthor::Vobu& DvdAuthor::lastOfCell(std::uint32_t c) const {
    const auto cells = static_cast<std::uint32_t>(cellFirstVobu_.size());
    const auto count = static_cast<std::uint32_t>(vobus_.size());
    return vobus_[static_cast<std::size_t>(c + 1 < cells ? cellFirstVobu_[c + 1] - 1
                                                         : static_cast<int>(count) - 1)];
}

bool DvdAuthor::writeIfos() {
    const auto cells = static_cast<std::uint32_t>(cellFirstVobu_.size());
    std::int64_t span = 0;
    for (std::uint32_t c = 0; c < cells; ++c)
        span += lastOfCell(c).end - firstOfCell(c).start;
    const Block ptt = chapterTable();
    const Block pgcit = programChainTable(span);
    const Block tmapt = timeMapTable(span);
    const Block cadt = cellAddressTable();
    const Block admap = vobuAddressMap();
    // The title set's header alone, before the tables follow it: the video manager repeats its attributes.
    const Block vtsMat = titleSetHeader(ptt, pgcit, tmapt, cadt, admap);
    Block vts = vtsMat;
    for (const Block* b : {&ptt, &pgcit, &tmapt, &cadt, &admap})
        vts.append(*b);
    const Block vmg = videoManager(vtsMat);

    std::string error;
    for (const auto& [name, block] :
         {std::pair<const char*, const Block*>{"VTS_01_0", &vts}, {"VIDEO_TS", &vmg}})
        for (const char* extension : {".IFO", ".BUP"})
            if (!writeFile(dir_ + "/" + name + extension, block->bytes(), error)) return fail(error);
    return true;
}

// The title's chapters: one program of one cell each.
DvdAuthor::Block DvdAuthor::chapterTable() const {
    const auto cells = static_cast<std::uint32_t>(cellFirstVobu_.size());
    Block ptt;
    ptt.set16(0, 1);
    ptt.set32(4, 12 + 4 * cells - 1);
    ptt.set32(8, 12);
    for (std::uint32_t c = 0; c < cells; ++c) {
        ptt.set16(12 + 4 * c, 1);
        ptt.set16(14 + 4 * c, c + 1);
    }
    ptt.finishSectors(12 + 4 * cells);
    return ptt;
}

// The title's one program chain: its programs, its cells' playback times and sectors, `span` long.
DvdAuthor::Block DvdAuthor::programChainTable(std::int64_t span) const {
    const bool pal = isPal(title_);
    const auto cells = static_cast<std::uint32_t>(cellFirstVobu_.size());
    Block pgcit;
    constexpr std::size_t kPgc = 16;
    pgcit.set16(0, 1);
    pgcit.set8(8, 0x81); // the title's entry PGC, title 1
    pgcit.set32(12, kPgc);
    pgcit.set8(kPgc + 2, cells);
    pgcit.set8(kPgc + 3, cells);
    pgcit.set32(kPgc + 4, bcdTime(span, pal));
    if (audio_.format != AuthorAudio::Format::None)
        pgcit.set16(kPgc + 0x0c, 0x8000);               // stream 0 present, from substream 0
    for (std::size_t colour = 0; colour < 16; ++colour) // the subpicture palette: black (Y 16, Cr Cb 128)
        pgcit.set32(kPgc + 0xa4 + 4 * colour, 0x108080);
    const std::size_t programMap = 0xec;
    const std::size_t playback = programMap + (cells + 1) / 2 * 2;
    const std::size_t position = playback + 24 * cells;
    const std::size_t pgcEnd = position + 4 * cells;
    pgcit.set16(kPgc + 0xe6, static_cast<std::uint32_t>(programMap));
    pgcit.set16(kPgc + 0xe8, static_cast<std::uint32_t>(playback));
    pgcit.set16(kPgc + 0xea, static_cast<std::uint32_t>(position));
    for (std::uint32_t c = 0; c < cells; ++c) {
        pgcit.set8(kPgc + programMap + c, c + 1);
        const std::size_t cell = kPgc + playback + 24 * c;
        // The first cell starts the title's clock; the others follow on it seamlessly.
        pgcit.set8(cell, c == 0 ? 0x02 : 0x08);
        pgcit.set32(cell + 4, bcdTime(lastOfCell(c).end - firstOfCell(c).start, pal));
        pgcit.set32(cell + 8, firstOfCell(c).sector);
        pgcit.set32(cell + 16, lastOfCell(c).sector);
        pgcit.set32(cell + 20, lastOfCell(c).last);
        pgcit.set16(kPgc + position + 4 * c, 1);
        pgcit.set8(kPgc + position + 4 * c + 3, c + 1);
    }
    pgcit.set32(4, static_cast<std::uint32_t>(kPgc + pgcEnd - 1));
    pgcit.finishSectors(kPgc + pgcEnd);
    return pgcit;
}

// The time map: the VOBU at each whole unit of seconds (of 30 frames on an NTSC disc), at most 2040.
DvdAuthor::Block DvdAuthor::timeMapTable(std::int64_t span) const {
    const auto count = static_cast<std::uint32_t>(vobus_.size());
    Block tmapt;
    const std::int64_t second = isPal(title_) ? 90000 : 90090;
    const std::int64_t seconds = std::max<std::int64_t>(span - 1, 0) / second;
    const std::int64_t unit = seconds == 0 ? 1 : (seconds + 2039) / 2040;
    const auto entries = static_cast<std::uint32_t>(seconds / unit);
    tmapt.set16(0, 1);
    tmapt.set32(4, 16 + 4 * entries - 1);
    tmapt.set32(8, 12);
    tmapt.set8(12, static_cast<std::uint32_t>(unit));
    tmapt.set16(14, entries);
    const auto vobuAtTime = [&](std::int64_t t) {
        return vobuAt(vobus_.front().start + t, 0, static_cast<int>(count) - 1);
    };
    for (std::uint32_t k = 0; k < entries; ++k) {
        const int here = vobuAtTime((k + 1) * unit * second), next = vobuAtTime((k + 2) * unit * second);
        const Vobu& v = vobus_[static_cast<std::size_t>(std::clamp(here, 0, static_cast<int>(count) - 1))];
        // The top bit marks an entry whose next one falls in another cell or past the title.
        const bool cellEnds = next < 0 || next >= static_cast<int>(count) ||
                              vobus_[static_cast<std::size_t>(next)].cell != v.cell;
        tmapt.set32(16 + 4 * k, v.sector | (cellEnds ? 0x80000000u : 0));
    }
    tmapt.finishSectors(16 + 4 * entries);
    return tmapt;
}

// Each cell's first and last sector in the title's one VOB.
DvdAuthor::Block DvdAuthor::cellAddressTable() const {
    const auto cells = static_cast<std::uint32_t>(cellFirstVobu_.size());
    Block cadt;
    cadt.set16(0, 1); // one VOB
    cadt.set32(4, 8 + 12 * cells - 1);
    for (std::uint32_t c = 0; c < cells; ++c) {
        cadt.set16(8 + 12 * c, 1);
        cadt.set8(10 + 12 * c, c + 1);
        cadt.set32(12 + 12 * c, firstOfCell(c).sector);
        cadt.set32(16 + 12 * c, lastOfCell(c).last);
    }
    cadt.finishSectors(8 + 12 * cells);
    return cadt;
}

// Each VOBU's first sector.
DvdAuthor::Block DvdAuthor::vobuAddressMap() const {
    const auto count = static_cast<std::uint32_t>(vobus_.size());
    Block admap;
    admap.set32(0, 4 + 4 * count - 1);
    for (std::uint32_t i = 0; i < count; ++i)
        admap.set32(4 + 4 * i, vobus_[i].sector);
    admap.finishSectors(4 + 4 * count);
    return admap;
}

// The title set's first IFO sector: where its tables begin, its size and the streams' attributes.
DvdAuthor::Block DvdAuthor::titleSetHeader(const Block& ptt, const Block& pgcit, const Block& tmapt,
                                           const Block& cadt, const Block& admap) const {
    Block vts;
    vts.setText(0, "DVDVIDEO-VTS");
    vts.set8(0x21, 0x11);
    vts.set32(0x80, 0x7ff);
    std::uint32_t next = 1;
    vts.set32(0xc8, next);
    next += static_cast<std::uint32_t>(ptt.size() / kSector);
    vts.set32(0xcc, next);
    next += static_cast<std::uint32_t>(pgcit.size() / kSector);
    vts.set32(0xd4, next);
    next += static_cast<std::uint32_t>(tmapt.size() / kSector);
    vts.set32(0xe0, next);
    next += static_cast<std::uint32_t>(cadt.size() / kSector);
    vts.set32(0xe4, next);
    next += static_cast<std::uint32_t>(admap.size() / kSector);
    const std::uint32_t ifoSectors = next;
    vts.set32(0x1c, ifoSectors - 1);
    vts.set32(0xc4, ifoSectors);
    // Players and image writers count a title set of at least 16 sectors.
    vts.set32(0x0c, std::max<std::uint32_t>(2 * ifoSectors + sector_ - 1, 15));
    vts.set16(0x200, videoAttributes(title_, width_, height_, mpeg2_));
    if (audio_.format != AuthorAudio::Format::None) {
        vts.set8(0x203, 1);
        audioAttributes(vts.at(0x204), audio_);
    }
    vts.finishSectors(kSector);
    return vts;
}

// The video manager: the first-play program chain that starts title 1, the title table, and the
// title set's attributes, taken from `titleSet`, the title set's header.
DvdAuthor::Block DvdAuthor::videoManager(const Block& titleSet) const {
    Block vmg = managerHeader();
    Block titles = titleTable();
    const Block attributes = titleSetAttributes(titleSet);
    const std::uint32_t vmgSectors =
        static_cast<std::uint32_t>((vmg.size() + titles.size() + attributes.size()) / kSector);
    // The title set begins after VIDEO_TS.IFO and .BUP, each counted as at least 16 sectors.
    const std::uint32_t titleSetSector = std::max<std::uint32_t>(2 * vmgSectors, 32);
    vmg.set32(0x0c, titleSetSector - 1);
    vmg.set32(0x1c, vmgSectors - 1);
    titles.set32(16, titleSetSector);
    vmg.append(titles);
    vmg.append(attributes);
    return vmg;
}

// The video manager's first sector with its first-play program chain; the sizes are set by the caller.
DvdAuthor::Block DvdAuthor::managerHeader() const {
    Block vmg;
    vmg.setText(0, "DVDVIDEO-VMG");
    vmg.set8(0x21, 0x11);
    vmg.set16(0x26, 1); // volumes
    vmg.set16(0x28, 1); // this volume
    vmg.set8(0x2a, 1);  // side
    vmg.set16(0x3e, 1); // title sets
    constexpr std::size_t kFirstPlay = 0x400;
    vmg.set32(0x84, kFirstPlay);
    vmg.set32(kFirstPlay + 4, bcdTime(0, isPal(title_)));
    vmg.set16(kFirstPlay + 0xe4, 0xec); // command table
    vmg.set16(kFirstPlay + 0xec, 1);    // one pre-command
    vmg.set16(kFirstPlay + 0xf2, 8 + 8 - 1);
    static constexpr std::array<std::uint8_t, 8> kJumpToTitle1{0x30, 0x02, 0x00, 0x00,
                                                               0x00, 0x01, 0x00, 0x00};
    std::memcpy(vmg.at(kFirstPlay + 0xf4, 8), kJumpToTitle1.data(), kJumpToTitle1.size());
    vmg.set32(0x80, static_cast<std::uint32_t>(kFirstPlay + 0xf4 + 8 - 1));
    vmg.set32(0xc4, 1);
    vmg.set32(0xd0, 2);
    vmg.finishSectors(kSector);
    return vmg;
}

// The title table's one title; where its title set begins is set by the caller.
DvdAuthor::Block DvdAuthor::titleTable() const {
    Block titles;
    titles.set16(0, 1);
    titles.set32(4, 8 + 12 - 1);
    titles.set8(8, 0x3c); // commands may jump, link or call: players check them all
    titles.set8(9, 1);    // angles
    titles.set16(10, static_cast<std::uint32_t>(cellFirstVobu_.size()));
    titles.set8(14, 1); // title set
    titles.set8(15, 1); // its title
    titles.finishSectors(20);
    return titles;
}

// The title set's attributes as the video manager repeats them, from its header `titleSet`.
DvdAuthor::Block DvdAuthor::titleSetAttributes(const Block& titleSet) {
    Block attributes;
    constexpr std::size_t kEntry = 8 + 0x300; // the title set's attributes as its IFO has them from 0x100
    attributes.set16(0, 1);
    attributes.set32(4, 12 + kEntry - 1);
    attributes.set32(8, 12);
    attributes.set32(12, kEntry - 1);
    const std::vector<std::uint8_t>& mat = titleSet.bytes();
    std::memcpy(attributes.at(12 + 8, 0x300), mat.data() + 0x100, 0x300);
    attributes.finishSectors(12 + kEntry);
    return attributes;
}

} // namespace mivo::encoder::disc
