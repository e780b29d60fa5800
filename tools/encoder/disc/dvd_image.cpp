#include "dvd_image.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace mivo::encoder::disc {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kSector = 2048;
// The UDF partition begins right after the first anchor; everything of both file systems lies in it
// but the volume recognition, the volume descriptors and the integrity sequence before sector 256.
constexpr std::uint32_t kAnchor = 256;
constexpr std::uint32_t kPartition = kAnchor + 1;
constexpr std::uint32_t kMainSequence = 32, kReserveSequence = 48, kSequenceSectors = 16;
constexpr std::uint32_t kIntegrity = 64;
// An allocation descriptor's length has 30 bits: one extent holds at most this many bytes.
constexpr std::uint32_t kMaxExtent = 0x3FFFF800;
// DVD-Video files are at most 1 GiB.
constexpr std::uint64_t kMaxFile = std::uint64_t{1} << 30;

// UDF descriptor tag identifiers.
enum : std::uint16_t {
    kPrimaryVolume = 1,
    kAnchorPointer = 2,
    kImplementationUse = 4,
    kPartitionTag = 5,
    kLogicalVolume = 6,
    kUnallocatedSpace = 7,
    kTerminating = 8,
    kIntegrityTag = 9,
    kFileSet = 256,
    kFileIdentifier = 257,
    kFileEntry = 261,
};

struct File {
    std::string name; // as on the disc, without the ISO 9660 version
    std::string path;
    std::uint64_t size = 0;
    std::time_t modified = 0;
    std::uint32_t place = 0;  // of its data, in sectors after VIDEO_TS.IFO's first
    std::uint32_t sector = 0; // of its data, from the start of the image
    std::uint32_t entry = 0;  // its UDF file entry, in the partition
};

std::uint32_t sectorsFor(std::uint64_t bytes) {
    return static_cast<std::uint32_t>((bytes + kSector - 1) / kSector);
}

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}
void put64(std::uint8_t* p, std::uint64_t v) {
    put32(p, static_cast<std::uint32_t>(v));
    put32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
void put16be(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
void put32be(std::uint8_t* p, std::uint32_t v) {
    put16be(p, v >> 16);
    put16be(p + 2, v);
}
// ISO 9660 writes most numbers twice, little-endian then big-endian.
void put16both(std::uint8_t* p, std::uint32_t v) {
    put16(p, v);
    put16be(p + 2, v);
}
void put32both(std::uint8_t* p, std::uint32_t v) {
    put32(p, v);
    put32be(p + 4, v);
}
void putText(std::uint8_t* p, const std::string& s) {
    std::memcpy(p, s.data(), s.size());
}
void putPadded(std::uint8_t* p, std::size_t field, const std::string& s) {
    std::memset(p, ' ', field);
    putText(p, s.substr(0, field));
}

std::tm utc(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
}

// --- UDF fields -------------------------------------------------------------------------------------

// A timestamp in UTC: type 1 (local time) with a zone offset of 0 minutes.
void udfTime(std::uint8_t* p, std::time_t t) {
    const std::tm tm = utc(t);
    put16(p, 0x1000);
    put16(p + 2, static_cast<std::uint32_t>(tm.tm_year + 1900));
    p[4] = static_cast<std::uint8_t>(tm.tm_mon + 1);
    p[5] = static_cast<std::uint8_t>(tm.tm_mday);
    p[6] = static_cast<std::uint8_t>(tm.tm_hour);
    p[7] = static_cast<std::uint8_t>(tm.tm_min);
    p[8] = static_cast<std::uint8_t>(std::min(tm.tm_sec, 59));
}

// OSTA compressed unicode with 8 bits a character; a d-string field ends with its used length.
void dstring(std::uint8_t* p, std::size_t field, const std::string& s) {
    if (s.empty()) return;
    const std::string text = s.substr(0, field - 2);
    p[0] = 8;
    putText(p + 1, text);
    p[field - 1] = static_cast<std::uint8_t>(text.size() + 1);
}

void charspec(std::uint8_t* p) {
    putText(p + 1, "OSTA Compressed Unicode");
}

void entityId(std::uint8_t* p, const std::string& id, const std::string& suffix = {}) {
    putText(p + 1, id);
    putText(p + 24, suffix);
}
const std::string kUdfRevision("\x02\x01", 2); // 1.02, little-endian
void domainId(std::uint8_t* p) {
    entityId(p, "*OSTA UDF Compliant", kUdfRevision);
}
void implementationId(std::uint8_t* p) {
    entityId(p, "*mivo DVD image");
}

// A descriptor tag, filled in once the descriptor's body is: its CRC covers the body, its checksum the tag.
void tag(std::uint8_t* d, std::uint16_t id, std::uint32_t location, std::size_t size) {
    put16(d, id);
    put16(d + 2, 2);
    const auto body = static_cast<std::uint16_t>(size - 16);
    put16(d + 8, udfCrc(d + 16, body));
    put16(d + 10, body);
    put32(d + 12, location);
    std::uint8_t sum = 0;
    for (int i = 0; i < 16; ++i)
        if (i != 4) sum = static_cast<std::uint8_t>(sum + d[i]);
    d[4] = sum;
}

void longAd(std::uint8_t* p, std::uint32_t length, std::uint32_t block) {
    put32(p, length);
    put32(p + 4, block);
}

// The extents of `size` bytes from `block` on, each as long as one allocation descriptor may say.
std::vector<std::pair<std::uint32_t, std::uint32_t>> extents(std::uint64_t size, std::uint32_t block) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    while (size > 0) {
        const auto length = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, kMaxExtent));
        out.emplace_back(length, block);
        block += sectorsFor(length);
        size -= length;
    }
    return out;
}

struct EntryFacts {
    bool directory;
    std::uint64_t size;
    std::uint32_t dataBlock;
    std::uint16_t links;
    std::uint64_t uniqueId;
    std::time_t time;
};

void fileEntry(std::uint8_t* d, std::uint32_t block, const EntryFacts& f) {
    put16(d + 20, 4);                                 // strategy 4: one entry
    put16(d + 24, 1);                                 // at most one entry
    d[27] = f.directory ? 4 : 5;                      // file type
    put16(d + 34, 0);                                 // short allocation descriptors
    put32(d + 36, 0xFFFFFFFF);                        // no owner
    put32(d + 40, 0xFFFFFFFF);                        // no group
    const std::uint32_t rights = f.directory ? 5 : 4; // read (and search) for everyone
    put32(d + 44, rights | rights << 5 | rights << 10);
    put16(d + 48, f.links);
    put64(d + 56, f.size);
    put64(d + 64, sectorsFor(f.size));
    for (int at : {72, 84, 96})
        udfTime(d + at, f.time);
    put32(d + 108, 1); // checkpoint
    implementationId(d + 128);
    put64(d + 160, f.uniqueId);
    const auto ads = extents(f.size, f.dataBlock);
    put32(d + 172, static_cast<std::uint32_t>(8 * ads.size()));
    std::uint8_t* ad = d + 176;
    for (const auto& [length, at] : ads) {
        put32(ad, length);
        put32(ad + 4, at);
        ad += 8;
    }
    tag(d, kFileEntry, block, 176 + 8 * ads.size());
}

struct Fid {
    std::string name; // empty: the parent
    bool directory;
    std::uint32_t entry;
};

std::size_t fidSize(const std::string& name) {
    return (38 + (name.empty() ? 0 : name.size() + 1) + 3) & ~std::size_t{3};
}

std::size_t fidBytes(const std::vector<Fid>& fids) {
    std::size_t n = 0;
    for (const Fid& f : fids)
        n += fidSize(f.name);
    return n;
}

// A directory's file identifiers, one after another from `block` on (one may cross into the next block).
void fileIdentifiers(std::uint8_t* d, std::uint32_t block, const std::vector<Fid>& fids) {
    std::size_t at = 0;
    for (const Fid& f : fids) {
        std::uint8_t* p = d + at;
        put16(p + 16, 1);
        p[18] = static_cast<std::uint8_t>((f.directory ? 0x02 : 0) | (f.name.empty() ? 0x08 : 0));
        p[19] = static_cast<std::uint8_t>(f.name.empty() ? 0 : f.name.size() + 1);
        longAd(p + 20, kSector, f.entry);
        if (!f.name.empty()) {
            p[38] = 8;
            putText(p + 39, f.name);
        }
        const std::size_t size = fidSize(f.name);
        tag(p, kFileIdentifier, block + static_cast<std::uint32_t>(at / kSector), size);
        at += size;
    }
}

// --- ISO 9660 fields --------------------------------------------------------------------------------

void isoRecordTime(std::uint8_t* p, std::time_t t) {
    const std::tm tm = utc(t);
    const int fields[] = {tm.tm_year, tm.tm_mon + 1, tm.tm_mday,
                          tm.tm_hour, tm.tm_min,     std::min(tm.tm_sec, 59)};
    for (int i = 0; i < 6; ++i)
        p[i] = static_cast<std::uint8_t>(fields[i]);
    p[6] = 0; // UTC
}

void isoVolumeTime(std::uint8_t* p, std::time_t t) {
    const std::tm tm = utc(t);
    char text[80];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d00", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59));
    putText(p, std::string(text, 16));
    p[16] = 0;
}

struct IsoRecord {
    std::string id; // "\0" for the directory itself, "\1" for its parent
    bool directory;
    std::uint32_t sector;
    std::uint32_t size;
    std::time_t time;
};

std::size_t isoRecordSize(const std::string& id) {
    return 33 + id.size() + (id.size() % 2 == 0 ? 1 : 0);
}

std::size_t isoRecord(std::uint8_t* p, const IsoRecord& r) {
    const std::size_t size = isoRecordSize(r.id);
    p[0] = static_cast<std::uint8_t>(size);
    put32both(p + 2, r.sector);
    put32both(p + 10, r.size);
    isoRecordTime(p + 18, r.time);
    p[25] = r.directory ? 2 : 0;
    put16both(p + 28, 1);
    p[32] = static_cast<std::uint8_t>(r.id.size());
    putText(p + 33, r.id);
    return size;
}

// Records never cross a sector: one that does not fit begins the next.
std::uint32_t isoDirectorySectors(const std::vector<IsoRecord>& records) {
    std::size_t at = 0;
    for (const IsoRecord& r : records) {
        const std::size_t size = isoRecordSize(r.id);
        if (at % kSector + size > kSector) at += kSector - at % kSector;
        at += size;
    }
    return sectorsFor(at);
}

void isoDirectory(std::uint8_t* d, const std::vector<IsoRecord>& records) {
    std::size_t at = 0;
    for (const IsoRecord& r : records) {
        if (at % kSector + isoRecordSize(r.id) > kSector) at += kSector - at % kSector;
        at += isoRecord(d + at, r);
    }
}

// ISO 9660 sorts a directory by name, then by extension, each padded with blanks.
bool isoLess(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& n) {
        const auto dot = n.find('.');
        std::string name = n.substr(0, dot), ext = dot == std::string::npos ? "" : n.substr(dot + 1);
        name.resize(8, ' ');
        ext.resize(3, ' ');
        return name + ext;
    };
    return split(a) < split(b);
}

// An 8.3 name of upper-case letters, digits and underscores: what both file systems carry unchanged.
bool discName(const std::string& n) {
    const auto dot = n.find('.');
    const std::size_t name = dot == std::string::npos ? n.size() : dot;
    const std::size_t ext = dot == std::string::npos ? 0 : n.size() - dot - 1;
    if (name == 0 || name > 8 || ext > 3 || (dot != std::string::npos && ext == 0)) return false;
    for (std::size_t i = 0; i < n.size(); ++i) {
        const char c = n[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || i == dot)) return false;
    }
    return true;
}

// Where a DVD-Video file's data lies among the others: the VMG first, then each title set in turn, in
// each the IFO, the menu VOB, the title VOBs and the backup IFO last.
std::pair<int, int> dvdRank(const std::string& n) {
    const auto kind = [](const std::string& ext, int part) {
        if (ext == "IFO" && part == 0) return 0;
        if (ext == "VOB") return 1 + part;
        if (ext == "BUP" && part == 0) return 20;
        return -1;
    };
    if (n.size() == 12 && n.compare(0, 9, "VIDEO_TS.") == 0) {
        const int k = kind(n.substr(9), 0);
        if (k >= 0) return {0, k};
    }
    if (n.size() == 12 && n.compare(0, 4, "VTS_") == 0 && n[6] == '_' && n[8] == '.' &&
        std::isdigit(static_cast<unsigned char>(n[4])) && std::isdigit(static_cast<unsigned char>(n[5])) &&
        std::isdigit(static_cast<unsigned char>(n[7]))) {
        const int set = (n[4] - '0') * 10 + (n[5] - '0');
        const int k = kind(n.substr(9), n[7] - '0');
        if (set > 0 && k >= 0) return {set, k};
    }
    return {100, 0};
}

// --- writing ----------------------------------------------------------------------------------------

std::string reason(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

class ImageOutput {
  public:
    ImageOutput(const std::string& path, std::string& error) : path_(path), error_(error) {}
    ~ImageOutput() {
        if (fd_ >= 0) ::close(fd_);
    }
    ImageOutput(const ImageOutput&) = delete;
    ImageOutput& operator=(const ImageOutput&) = delete;

    bool open() {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) return fail();
        struct stat st {};
        created_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
        return true;
    }

    bool write(const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return n == 0 ? fail(ENOSPC) : fail();
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    bool zeros(std::size_t size) {
        static constexpr std::uint8_t kZeros[kSector] = {};
        for (std::size_t n; size > 0; size -= n) {
            n = std::min<std::size_t>(size, kSector);
            if (!write(kZeros, n)) return false;
        }
        return true;
    }

    // The file's bytes from the kernel's page cache into the image's, without passing through here;
    // read and write where the kernel cannot (another file system on an older kernel, a device).
    bool copy(const File& f) {
        const int in = ::open(f.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            error_ = reason("cannot read " + f.path);
            return false;
        }
        std::uint64_t left = f.size;
        bool inKernel = true;
        std::vector<std::uint8_t> buffer;
        while (left > 0) {
            const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, 1 << 24));
            ssize_t n;
            if (inKernel) {
                n = ::copy_file_range(in, nullptr, fd_, nullptr, chunk, 0);
                if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                              errno == EBADF)) {
                    inKernel = false;
                    continue;
                }
                if (n < 0 && errno != EINTR) {
                    fail();
                    break;
                }
            } else {
                buffer.resize(1 << 20);
                n = ::read(in, buffer.data(), std::min(chunk, buffer.size()));
                if (n < 0 && errno != EINTR) {
                    error_ = reason("cannot read " + f.path);
                    break;
                }
                if (n > 0 && !write(buffer.data(), static_cast<std::size_t>(n))) break;
            }
            if (n == 0) {
                error_ = f.path + " became shorter while the image was written";
                break;
            }
            if (n > 0) left -= static_cast<std::uint64_t>(n);
        }
        ::close(in);
        return left == 0 && (f.size % kSector == 0 || zeros(kSector - f.size % kSector));
    }

    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || fail();
    }

    // What a failed write leaves goes; a device named as the image (never made here) stays.
    void discard() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        if (created_) ::unlink(path_.c_str());
    }

  private:
    bool fail(int code = 0) {
        if (code) errno = code;
        error_ = reason("cannot write the image " + path_);
        return false;
    }

    std::string path_;
    std::string& error_;
    int fd_ = -1;
    bool created_ = false;
};

bool readFolder(const std::string& folder, std::vector<File>& files, std::string& error) {
    const fs::path videoTs = fs::path(folder) / "VIDEO_TS";
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(videoTs, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!it->is_regular_file(ec)) {
            error = "cannot put " + it->path().string() + " on a DVD-Video disc: not a file";
            return false;
        }
        if (!discName(name)) {
            error = "cannot put " + it->path().string() +
                    " on a DVD-Video disc: its name is no 8.3 name in capitals, digits and _";
            return false;
        }
        names.push_back(name);
    }
    if (ec) {
        error = "cannot read the DVD-Video folder " + videoTs.string() + ": " + ec.message();
        return false;
    }
    if (std::find(names.begin(), names.end(), "VIDEO_TS.IFO") == names.end()) {
        error = "no DVD-Video folder: " + videoTs.string() + "/VIDEO_TS.IFO is missing";
        return false;
    }
    for (const std::string& name : dvdFileOrder(names)) {
        File f;
        f.name = name;
        f.path = (videoTs / name).string();
        struct stat st {};
        if (::stat(f.path.c_str(), &st) != 0) {
            error = reason("cannot read " + f.path);
            return false;
        }
        f.size = static_cast<std::uint64_t>(st.st_size);
        f.modified = st.st_mtime;
        if (f.size > kMaxFile) {
            error = "cannot put " + f.path + " on a DVD-Video disc: larger than 1 GiB";
            return false;
        }
        files.push_back(std::move(f));
    }
    return true;
}

// --- where the IFO files want the data -------------------------------------------------------------

std::uint32_t be16(const std::string& b, std::size_t at) {
    return std::uint32_t{static_cast<std::uint8_t>(b[at])} << 8 | static_cast<std::uint8_t>(b[at + 1]);
}
std::uint32_t be32(const std::string& b, std::size_t at) {
    return be16(b, at) << 16 | be16(b, at + 2);
}

// The fields of an IFO file's header that say where the parts of its set lie, in sectors after the IFO's
// first: the set's last sector (that of the BUP's end), the menu VOB's first (0: none) and, for a title
// set, the first title VOB's first; for the VMG, the sector of its table of titles.
struct IfoPlaces {
    std::uint32_t last = 0, menu = 0, titles = 0;
    std::string bytes;
};

bool readIfo(const File& f, const char* kind, IfoPlaces& ifo, std::string& error) {
    constexpr std::size_t kHeader = 0xC8;
    // Far more than any IFO file holds: the rest of one as large as a VOB is not read.
    ifo.bytes.resize(std::min<std::uint64_t>(f.size, 16 << 20));
    const int fd = ::open(f.path.c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t n = fd < 0 ? -1 : ::pread(fd, ifo.bytes.data(), ifo.bytes.size(), 0);
    if (fd >= 0) ::close(fd);
    if (n < 0 || static_cast<std::size_t>(n) != ifo.bytes.size()) {
        error = "cannot read " + f.path + (n < 0 ? std::string(": ") + std::strerror(errno) : "");
        return false;
    }
    if (ifo.bytes.size() < kHeader || ifo.bytes.compare(0, 12, std::string("DVDVIDEO-") + kind) != 0) {
        error = "not a DVD-Video folder: " + f.path + " is no " + kind + " IFO file";
        return false;
    }
    ifo.last = be32(ifo.bytes, 0x0C);
    ifo.menu = be32(ifo.bytes, 0xC0);
    ifo.titles = be32(ifo.bytes, 0xC4);
    return true;
}

// The IFO files give every part of the disc as a sector after VIDEO_TS.IFO's first, and players go there
// by those numbers: each file goes where they say, with zeros before it where they leave room (an
// authoring program may round a set up), and files they do not place follow the one before.
bool placeFiles(std::vector<File>& files, std::uint32_t& end, std::string& error) {
    std::map<int, std::int64_t> setStart; // a title set's IFO, by the VMG's table of titles
    IfoPlaces vmg, vts;
    std::int64_t setBase = 0;
    int setRead = -1; // the title set whose IFO is in `vts`
    std::int64_t place = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        File& f = files[i];
        const auto [set, part] = dvdRank(f.name);
        const std::int64_t size = sectorsFor(f.size);
        std::int64_t wanted = -1; // where the IFO files put it
        if (set == 0 && part == 0) {
            if (!readIfo(f, "VMG", vmg, error)) return false;
            const std::size_t table = std::size_t{vmg.titles} * kSector;
            const std::size_t count = table + 8 <= vmg.bytes.size() ? be16(vmg.bytes, table) : 0;
            for (std::size_t t = 0; t < count && table + 8 + 12 * (t + 1) <= vmg.bytes.size(); ++t)
                setStart.try_emplace(static_cast<std::uint8_t>(vmg.bytes[table + 8 + 12 * t + 6]),
                                     be32(vmg.bytes, table + 8 + 12 * t + 8));
            wanted = 0;
        } else if (set == 0) {
            wanted = part == 1 ? (vmg.menu ? vmg.menu : -1) : std::int64_t{vmg.last} + 1 - size;
        } else if (set < 100 && part == 0) {
            if (!readIfo(f, "VTS", vts, error)) return false;
            setRead = set;
            wanted = setStart.count(set) ? setStart[set] : -1;
        } else if (set < 100 && set == setRead) {
            const std::int64_t inSet = part == 1    ? (vts.menu ? vts.menu : -1)
                                       : part == 2  ? vts.titles
                                       : part == 20 ? std::int64_t{vts.last} + 1 - size
                                                    : -1;
            wanted = inSet < 0 ? -1 : setBase + inSet;
        }
        if (wanted >= 0 && (wanted < place || wanted - place > std::int64_t{kMaxFile / kSector})) {
            error =
                "the IFO files of " + fs::path(f.path).parent_path().string() + " place " + f.name +
                " at sector " + std::to_string(wanted) +
                (wanted < place ? ", inside the data before it (from sector " + std::to_string(place) + ")"
                                : ", far beyond the data before it");
            return false;
        }
        if (wanted >= 0) place = wanted;
        if (set > 0 && set < 100 && part == 0) setBase = place;
        f.place = static_cast<std::uint32_t>(place);
        place += size;
    }
    end = static_cast<std::uint32_t>(place);
    return true;
}

// Where everything lies, and the bytes before the file data.
struct Layout {
    std::vector<std::uint8_t> head; // the image up to the first file's data
    std::uint32_t last = 0;         // the sector of the closing anchor
};

std::vector<std::uint8_t> anchor(std::uint32_t sector) {
    std::vector<std::uint8_t> d(kSector);
    longAd(d.data() + 16, kSequenceSectors * kSector, kMainSequence);
    longAd(d.data() + 24, kSequenceSectors * kSector, kReserveSequence);
    tag(d.data(), kAnchorPointer, sector, 512);
    return d;
}

void volumeDescriptors(std::uint8_t* image, std::uint32_t at, std::uint32_t partitionLength,
                       const std::string& label, std::time_t now) {
    const auto sector = [&](std::uint32_t i) { return image + std::size_t{at + i} * kSector; };
    std::uint8_t* d = sector(0); // primary volume descriptor
    put32(d + 16, 0);
    dstring(d + 24, 32, label);
    put16(d + 56, 1);
    put16(d + 58, 1);
    put16(d + 60, 2);
    put16(d + 62, 2);
    put32(d + 64, 1);
    put32(d + 68, 1);
    char unique[17];
    std::snprintf(unique, sizeof unique, "%016llx", static_cast<unsigned long long>(now));
    dstring(d + 72, 128, std::string(unique) + label);
    charspec(d + 200);
    charspec(d + 264);
    udfTime(d + 376, now);
    implementationId(d + 388);
    tag(d, kPrimaryVolume, at, 512);

    d = sector(1); // implementation use: the logical volume's information
    put32(d + 16, 1);
    entityId(d + 20, "*UDF LV Info", kUdfRevision);
    charspec(d + 52);
    dstring(d + 116, 128, label);
    implementationId(d + 352);
    tag(d, kImplementationUse, at + 1, 512);

    d = sector(2); // the partition
    put32(d + 16, 2);
    put16(d + 20, 1); // allocated
    entityId(d + 24, "+NSR02");
    put32(d + 184, 1); // read-only
    put32(d + 188, kPartition);
    put32(d + 192, partitionLength);
    implementationId(d + 196);
    tag(d, kPartitionTag, at + 2, 512);

    d = sector(3); // the logical volume: its file set and its one partition
    put32(d + 16, 3);
    charspec(d + 20);
    dstring(d + 84, 128, label);
    put32(d + 212, kSector);
    domainId(d + 216);
    longAd(d + 248, 2 * kSector, 0);
    put32(d + 264, 6);
    put32(d + 268, 1);
    implementationId(d + 272);
    longAd(d + 432, 2 * kSector, kIntegrity);
    d[440] = 1;
    d[441] = 6;
    put16(d + 442, 1);
    put16(d + 444, 0);
    tag(d, kLogicalVolume, at + 3, 446);

    d = sector(4); // no unallocated space
    put32(d + 16, 4);
    tag(d, kUnallocatedSpace, at + 4, 24);

    tag(sector(5), kTerminating, at + 5, 512);
}

std::uint8_t* sectorOf(std::uint8_t* image, std::uint32_t sector) {
    return image + std::size_t{sector} * kSector;
}

// The ISO 9660 path table of the three directories (root, AUDIO_TS, VIDEO_TS), little-endian; each
// record's extent and, in the big-endian copy, its parent number are filled in where it is written.
constexpr std::uint8_t kPathTable[] = {1, 0, 0, 0, 0, 0, 1, 0, 0,   0, //
                                       8, 0, 0, 0, 0, 0, 1, 0, 'A', 'U', 'D', 'I', 'O', '_', 'T', 'S',
                                       8, 0, 0, 0, 0, 0, 1, 0, 'V', 'I', 'D', 'E', 'O', '_', 'T', 'S'};

// Where the directories of both file systems and the file data go: UDF blocks count from the partition's
// start, ISO 9660 sectors from the image's.
struct Plan {
    static constexpr std::uint32_t rootEntry = 2;
    std::uint32_t audioEntry = 0, videoEntry = 0;
    std::vector<Fid> rootFids, audioFids, videoFids;
    std::vector<File*> byName; // the files in ISO 9660 order, the order of both VIDEO_TS directories
    std::uint32_t pathL = 0, pathM = 0, isoRoot = 0, isoAudio = 0, isoVideo = 0;
    std::vector<IsoRecord> videoRecords;
    std::uint32_t videoSectors = 0; // of the ISO 9660 VIDEO_TS directory
    std::uint32_t dataStart = 0;    // the sector where the file data begins
};

// The UDF side in the partition: file set, root, AUDIO_TS, VIDEO_TS, the files' entries. Sets each
// file's entry and gives the first block after them.
std::uint32_t planUdf(std::vector<File>& files, Plan& p) {
    p.audioEntry = Plan::rootEntry + 1 + 1; // the root's identifiers take one block
    p.videoEntry = p.audioEntry + 2;
    p.rootFids = {
        {"", true, Plan::rootEntry}, {"AUDIO_TS", true, p.audioEntry}, {"VIDEO_TS", true, p.videoEntry}};
    p.audioFids = {{"", true, Plan::rootEntry}};
    p.videoFids = {{"", true, Plan::rootEntry}};
    for (File& f : files)
        p.byName.push_back(&f);
    std::sort(p.byName.begin(), p.byName.end(),
              [](const File* a, const File* b) { return isoLess(a->name, b->name); });
    for (File* f : p.byName)
        p.videoFids.push_back({f->name, false, 0});
    const std::uint32_t videoFidBlocks = sectorsFor(fidBytes(p.videoFids));
    std::uint32_t block = p.videoEntry + 1 + videoFidBlocks;
    for (std::size_t i = 0; i < p.byName.size(); ++i) {
        p.byName[i]->entry = block++;
        p.videoFids[i + 1].entry = p.byName[i]->entry;
    }
    return block;
}

// The ISO 9660 side after the UDF one: path tables, then the three directories; then the data,
// contiguous in the DVD-Video order. Sets each file's sector.
void planIso(std::vector<File>& files, std::uint32_t udfBlocks, std::time_t now, Plan& p) {
    p.pathL = kPartition + udfBlocks;
    p.pathM = p.pathL + 1;
    p.isoRoot = p.pathM + 1;
    p.isoAudio = p.isoRoot + 1;
    p.isoVideo = p.isoAudio + 1;
    p.videoRecords = {{std::string(1, '\0'), true, p.isoVideo, 0, now},
                      {std::string(1, '\1'), true, p.isoRoot, kSector, now}};
    for (const File* f : p.byName)
        p.videoRecords.push_back(
            {f->name + ";1", false, 0, static_cast<std::uint32_t>(f->size), f->modified});
    p.videoSectors = isoDirectorySectors(p.videoRecords);
    p.videoRecords[0].size = p.videoSectors * kSector;

    p.dataStart = p.isoVideo + p.videoSectors;
    for (File& f : files)
        f.sector = p.dataStart + f.place;
    for (std::size_t i = 0; i < p.byName.size(); ++i)
        p.videoRecords[i + 2].sector = p.byName[i]->sector;
}

// The ISO 9660 volume descriptors (primary, terminator), then the UDF volume recognition sequence.
void isoVolume(std::uint8_t* image, std::uint32_t last, const Plan& p, const std::string& label,
               std::time_t now) {
    std::uint8_t* d = sectorOf(image, 16);
    d[0] = 1;
    putText(d + 1, "CD001");
    d[6] = 1;
    putPadded(d + 8, 32, "");
    putPadded(d + 40, 32, label);
    put32both(d + 80, last + 1);
    put16both(d + 120, 1);
    put16both(d + 124, 1);
    put16both(d + 128, kSector);
    put32both(d + 132, sizeof kPathTable);
    put32(d + 140, p.pathL);
    put32be(d + 148, p.pathM);
    isoRecord(d + 156, {std::string(1, '\0'), true, p.isoRoot, kSector, now});
    for (int field : {190, 318, 446, 574})
        putPadded(d + field, 128, "");
    for (int field : {702, 739, 776})
        putPadded(d + field, 37, "");
    isoVolumeTime(d + 813, now);
    isoVolumeTime(d + 830, now);
    for (int field : {847, 864})
        putText(d + field, std::string(16, '0'));
    d[881] = 1;
    d = sectorOf(image, 17);
    d[0] = 255;
    putText(d + 1, "CD001");
    d[6] = 1;
    const char* recognition[] = {"BEA01", "NSR02", "TEA01"};
    for (std::uint32_t i = 0; i < 3; ++i) {
        putText(sectorOf(image, 18 + i) + 1, recognition[i]);
        sectorOf(image, 18 + i)[6] = 1;
    }
}

// The UDF volume descriptor sequences, the integrity sequence and the first anchor.
void udfVolume(std::uint8_t* image, std::size_t fileCount, std::uint32_t partitionLength,
               const std::string& label, std::time_t now) {
    volumeDescriptors(image, kMainSequence, partitionLength, label, now);
    volumeDescriptors(image, kReserveSequence, partitionLength, label, now);
    std::uint8_t* d = sectorOf(image, kIntegrity);
    udfTime(d + 16, now);
    put32(d + 28, 1);                  // closed
    put64(d + 40, 16 + 2 + fileCount); // the next unique id
    put32(d + 72, 1);
    put32(d + 76, 46);
    put32(d + 80, 0);
    put32(d + 84, partitionLength);
    implementationId(d + 88);
    put32(d + 120, static_cast<std::uint32_t>(fileCount));
    put32(d + 124, 3);
    for (int field : {128, 130, 132})
        put16(d + field, 0x0102);
    tag(d, kIntegrityTag, kIntegrity, 134);
    tag(sectorOf(image, kIntegrity + 1), kTerminating, kIntegrity + 1, 512);
    const auto first = anchor(kAnchor);
    std::copy(first.begin(), first.end(), sectorOf(image, kAnchor));
}

// The UDF file set and the directory tree with the files' entries.
void udfTree(std::uint8_t* image, const Plan& p, const std::string& label, std::time_t now) {
    const auto inPartition = [&](std::uint32_t b) { return sectorOf(image, kPartition + b); };
    std::uint8_t* d = inPartition(0);
    udfTime(d + 16, now);
    put16(d + 28, 3);
    put16(d + 30, 3);
    put32(d + 32, 1);
    put32(d + 36, 1);
    charspec(d + 48);
    dstring(d + 112, 128, label);
    charspec(d + 240);
    dstring(d + 304, 32, label);
    longAd(d + 400, kSector, Plan::rootEntry);
    domainId(d + 416);
    tag(d, kFileSet, 0, 512);
    tag(inPartition(1), kTerminating, 1, 512);
    const auto directory = [&](std::uint32_t entry, const std::vector<Fid>& fids, std::uint16_t links,
                               std::uint64_t id) {
        fileEntry(inPartition(entry), entry, {true, fidBytes(fids), entry + 1, links, id, now});
        fileIdentifiers(inPartition(entry + 1), entry + 1, fids);
    };
    directory(Plan::rootEntry, p.rootFids, 3, 0); // each subdirectory's parent identifier points here too
    directory(p.audioEntry, p.audioFids, 1, 16);
    directory(p.videoEntry, p.videoFids, 1, 17);
    for (std::size_t i = 0; i < p.byName.size(); ++i) {
        const File& f = *p.byName[i];
        fileEntry(inPartition(f.entry), f.entry,
                  {false, f.size, f.sector - kPartition, 1, 18 + i, f.modified});
    }
}

// The ISO 9660 path tables (little- and big-endian) and directories.
void isoTree(std::uint8_t* image, const Plan& p, std::time_t now) {
    std::uint8_t* pathL = sectorOf(image, p.pathL);
    std::uint8_t* pathM = sectorOf(image, p.pathM);
    std::copy(std::begin(kPathTable), std::end(kPathTable), pathL);
    std::copy(std::begin(kPathTable), std::end(kPathTable), pathM);
    const std::uint32_t dirs[] = {p.isoRoot, p.isoAudio, p.isoVideo};
    for (int i = 0; i < 3; ++i) {
        put32(pathL + 2 + (i ? 10 + 16 * (i - 1) : 0), dirs[i]);
        put32be(pathM + 2 + (i ? 10 + 16 * (i - 1) : 0), dirs[i]);
        put16be(pathM + 6 + (i ? 10 + 16 * (i - 1) : 0), 1);
    }
    isoDirectory(sectorOf(image, p.isoRoot), {{std::string(1, '\0'), true, p.isoRoot, kSector, now},
                                              {std::string(1, '\1'), true, p.isoRoot, kSector, now},
                                              {"AUDIO_TS", true, p.isoAudio, kSector, now},
                                              {"VIDEO_TS", true, p.isoVideo, p.videoSectors * kSector, now}});
    isoDirectory(sectorOf(image, p.isoAudio), {{std::string(1, '\0'), true, p.isoAudio, kSector, now},
                                               {std::string(1, '\1'), true, p.isoRoot, kSector, now}});
    isoDirectory(sectorOf(image, p.isoVideo), p.videoRecords);
}

Layout layOut(std::vector<File>& files, std::uint32_t dataSectors, const std::string& label,
              std::time_t now) {
    Plan p;
    planIso(files, planUdf(files, p), now, p);
    Layout l;
    l.last = p.dataStart + dataSectors;
    const std::uint32_t partitionLength = l.last - kPartition;
    l.head.assign(std::size_t{p.dataStart} * kSector, 0);
    std::uint8_t* image = l.head.data();
    isoVolume(image, l.last, p, label, now);
    udfVolume(image, files.size(), partitionLength, label, now);
    udfTree(image, p, label, now);
    isoTree(image, p, now);
    return l;
}

} // namespace

std::uint16_t udfCrc(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= std::uint32_t{data[i]} << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1;
    }
    return static_cast<std::uint16_t>(crc);
}

std::vector<std::string> dvdFileOrder(std::vector<std::string> names) {
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const auto ra = dvdRank(a), rb = dvdRank(b);
        return ra != rb ? ra < rb : a < b;
    });
    return names;
}

bool writeDvdImage(const std::string& folder, const std::string& image, const std::string& volumeLabel,
                   std::string& error) {
    std::vector<File> files;
    std::uint32_t dataSectors = 0;
    if (!readFolder(folder, files, error) || !placeFiles(files, dataSectors, error)) return false;
    const Layout l = layOut(files, dataSectors, volumeLabel, std::time(nullptr));
    ImageOutput out(image, error);
    if (!out.open()) return false;
    bool written = out.write(l.head.data(), l.head.size());
    std::uint32_t at = files.empty() ? l.last : files.front().sector;
    for (std::size_t i = 0; written && i < files.size(); ++i) {
        written = out.zeros(std::size_t{files[i].sector - at} * kSector) && out.copy(files[i]);
        at = files[i].sector + sectorsFor(files[i].size);
    }
    if (written) {
        const auto closing = anchor(l.last);
        written = out.write(closing.data(), closing.size()) && out.close();
    }
    if (!written) out.discard();
    return written;
}

} // namespace mivo::encoder::disc
