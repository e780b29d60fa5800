#include "indexer.h"

#include "d2v_writer.h"
#include "file_set.h"
#include "mpeg_tables.h"
#include "unit_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace mivo::d2vindex {

using namespace mivo::mpeg2;

namespace {

constexpr std::size_t kProbeBytes = 1u << 20;
constexpr std::uint64_t kTableSearchBytes = 16u << 20;
constexpr std::uint32_t kMaxPicturesPerLine = 500; // DGIndex's limit; decoders read lines into small buffers

struct Detected {
    StreamType type = StreamType::elementary;
    int packetSize = 188;
    int videoPid = -1, audioPid = -1, pcrPid = -1;
};

bool isPackStart(const std::uint8_t* p, std::size_t avail) {
    return avail >= 12 && p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0xBA &&
           ((p[4] & 0xC4) == 0x44 || (p[4] & 0xF1) == 0x21);
}

// Packet size of a transport stream: sync bytes at one period for several packets in a row.
int transportPacketSize(const std::vector<std::uint8_t>& head) {
    for (int size : {188, 192, 204}) {
        const std::size_t prefix = size == 192 ? 4 : 0;
        const std::size_t period = static_cast<std::size_t>(size);
        for (std::size_t start = 0; start < period; ++start) {
            std::size_t hits = 0, at = start + prefix;
            for (; at < head.size() && head[at] == 0x47 && hits < 8; at += period)
                ++hits;
            const std::size_t possible = (head.size() - start - prefix + period - 1) / period;
            if (hits >= 3 && hits >= std::min<std::size_t>(8, possible)) return size;
        }
    }
    return 0;
}

// Where the first whole packet starts (the file may start with a partial one).
std::uint64_t firstSync(FileSet& files, std::size_t size, std::size_t prefix) {
    std::vector<std::uint8_t> head(
        std::min<std::size_t>(kProbeBytes, static_cast<std::size_t>(files.size())));
    files.read(0, head.data(), head.size());
    for (std::size_t s = 0; s < size && s + prefix < head.size(); ++s)
        if (head[s + prefix] == 0x47 && (s + prefix + size >= head.size() || head[s + prefix + size] == 0x47))
            return s;
    return 0;
}

// The PMT PID of the first program a PAT section lists; -1 when it lists none.
int pmtPidOf(const std::uint8_t* section, const std::uint8_t* bodyEnd) {
    for (const std::uint8_t* e = section + 8; e + 4 <= bodyEnd; e += 4) {
        const int program = (e[0] << 8) | e[1];
        if (program != 0) return ((e[2] & 0x1F) << 8) | e[3];
    }
    return -1;
}

// The PCR, video and audio PIDs a PMT section lists.
void readPmt(const std::uint8_t* s, const std::uint8_t* bodyEnd, Detected& d) {
    d.pcrPid = ((s[8] & 0x1F) << 8) | s[9];
    const std::size_t infoLength = ((s[10] & 0x0F) << 8) | s[11];
    for (const std::uint8_t* e = s + 12 + infoLength; e + 5 <= bodyEnd;) {
        const int type = e[0];
        const int esPid = ((e[1] & 0x1F) << 8) | e[2];
        const std::size_t esInfo = ((e[3] & 0x0F) << 8) | e[4];
        if (d.videoPid < 0 && (type == 0x01 || type == 0x02)) d.videoPid = esPid;
        if (d.audioPid < 0 &&
            (type == 0x03 || type == 0x04 || type == 0x0F || type == 0x11 || type == 0x81 || type == 0x82))
            d.audioPid = esPid;
        e += 5 + esInfo;
    }
}

// PIDs from the first program of the PAT and its PMT (sections that fit in one packet, as muxers write
// them); the first PID that starts an MPEG video PES when there are no tables.
void findTransportPids(FileSet& files, Detected& d) {
    const std::size_t size = static_cast<std::size_t>(d.packetSize);
    const std::size_t prefix = size == 192 ? 4 : 0;
    std::vector<std::uint8_t> packet(size);
    int pmtPid = -1, firstVideoPes = -1;
    const std::uint64_t end = std::min<std::uint64_t>(files.size(), kTableSearchBytes);
    for (std::uint64_t pos = firstSync(files, size, prefix); pos + size <= end; pos += size) {
        if (files.read(pos, packet.data(), size) < size) break;
        const std::uint8_t* h = packet.data() + prefix;
        if (h[0] != 0x47 || (h[1] & 0x80)) continue;
        const int pid = ((h[1] & 0x1F) << 8) | h[2];
        const bool unitStart = (h[1] & 0x40) != 0;
        const int control = (h[3] >> 4) & 3;
        std::size_t off = 4;
        if (control & 2) off += 1u + h[4];
        if (!(control & 1) || off >= 188 || !unitStart) continue;
        const std::uint8_t* p = h + off;
        std::size_t n = 188 - off;
        if (firstVideoPes < 0 && n >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 1 && (p[3] & 0xF0) == 0xE0)
            firstVideoPes = pid;
        if (pid != 0 && pid != pmtPid) continue;
        // A PSI section after its pointer field.
        const std::size_t pointer = p[0];
        if (1 + pointer + 8 > n) continue;
        const std::uint8_t* s = p + 1 + pointer;
        const std::size_t sectionLength = ((s[1] & 0x0F) << 8) | s[2];
        if (3 + sectionLength > n - 1 - pointer || sectionLength < 9) continue;
        const std::uint8_t* bodyEnd = s + 3 + sectionLength - 4; // before the CRC
        if (pid == 0 && s[0] == 0x00) {
            if (const int listed = pmtPidOf(s, bodyEnd); listed >= 0) pmtPid = listed;
        } else if (pid == pmtPid && s[0] == 0x02 && sectionLength >= 13) {
            readPmt(s, bodyEnd, d);
            if (d.videoPid >= 0) return;
        }
    }
    if (d.videoPid < 0) d.videoPid = firstVideoPes;
}

bool detectStream(FileSet& files, Detected& d, std::string& error) {
    std::vector<std::uint8_t> head(
        std::min<std::size_t>(kProbeBytes, static_cast<std::size_t>(files.size())));
    head.resize(files.read(0, head.data(), head.size()));
    if (head.size() < 16) {
        error = "the input is empty or too short to hold video";
        return false;
    }
    if (int size = transportPacketSize(head)) {
        d.type = StreamType::transport;
        d.packetSize = size;
        findTransportPids(files, d);
        if (d.videoPid < 0) {
            error = "transport stream without MPEG-1/2 video";
            return false;
        }
        return true;
    }
    // The first pack start or video header tells a program stream from an elementary one (which may
    // begin with a GOP or picture header when it was cut from a longer stream).
    for (std::size_t i = findStartCode(head.data(), 0, head.size()); i + 3 < head.size();
         i = findStartCode(head.data(), i + 3, head.size())) {
        if (isPackStart(head.data() + i, head.size() - i)) {
            d.type = StreamType::program;
            return true;
        }
        if (head[i + 3] == 0xB3 || head[i + 3] == 0xB8 || head[i + 3] == 0x00) {
            d.type = StreamType::elementary;
            return true;
        }
    }
    error = "no MPEG-1/2 video found: not an elementary stream, program stream (VOB/MPG) or transport stream";
    return false;
}

// What identifies an access unit when the stream is read again from a line's position.
struct UnitIdentity {
    std::uint64_t origin = 0;
    std::size_t size = 0;
    std::uint32_t checksum = 0;
    bool operator==(const UnitIdentity&) const = default;
};

UnitIdentity identify(const AccessUnit& u) {
    std::uint32_t sum = 2166136261u; // FNV-1a over the first bytes
    for (std::size_t i = 0; i < std::min<std::size_t>(u.size, 512); ++i)
        sum = (sum ^ u.data[i]) * 16777619u;
    return {u.indexOrigin, u.size, sum};
}

int defaultMatrix(const SequenceInfo& s) {
    int matrix = (!s.mpeg2 || (s.width <= 720 && s.height <= 576)) ? 5 : 1;
    const int m = s.matrixCoefficients;
    if (m == 1 || (m >= 4 && m <= 7)) matrix = m;
    return matrix;
}

std::uint8_t frameFlag(const AccessUnit& u, bool decodable) {
    std::uint8_t f = decodable ? kFlagDecodable : 0;
    f |= static_cast<std::uint8_t>(u.type << 4);
    if (u.structure == 3) {
        if (u.progressiveFrame) f |= kFlagProgressive;
        if (u.topFieldFirst) f |= kFlagTff;
        if (u.repeatFirstField) f |= kFlagRff;
    } else if (u.structure == 1) { // field pictures: the first coded field gives the order
        f |= kFlagTff;
    }
    return f;
}

std::string listedPath(const std::string& input, const IndexOptions& options) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path full = fs::absolute(fs::path(input), ec).lexically_normal();
    if (ec) full = fs::path(input);
    if (options.relativePaths && !options.projectPath.empty()) {
        fs::path folder = fs::absolute(fs::path(options.projectPath), ec).parent_path();
        fs::path rel = full.lexically_relative(folder);
        if (!ec && !rel.empty()) return rel.string();
    }
    return full.string();
}

class Indexer {
  public:
    Indexer(FileSet& files, const Detected& detected, const IndexOptions& options, IndexResult& result)
        : files_(files), detected_(detected), options_(options), result_(result) {}

    bool run();

  private:
    void releaseHeld();
    bool addUnit(const AccessUnit& u);
    void startLine(const AccessUnit& u);
    bool describeProject();
    bool verify(UnitReader& reader);
    void progress(double share) {
        if (options_.progress) options_.progress(share);
    }

    FileSet& files_;
    const Detected& detected_;
    const IndexOptions& options_;
    IndexResult& result_;
    D2vProject& project_ = result_.project;
    DemuxSettings settings_;
    std::vector<UnitIdentity> identities_;
    SequenceInfo sequence_;
    bool started_ = false, sizeChangeReported_ = false;
    bool lineClosed_ = false, pSeen_ = false;
    std::optional<std::uint8_t> held_; // the last I/P picture, shown after the B pictures that follow it
};

void Indexer::releaseHeld() {
    if (held_) project_.flags.push_back(*held_);
    held_.reset();
}

// Every I picture starts a data line of the project.
void Indexer::startLine(const AccessUnit& u) {
    releaseHeld();
    if (!project_.lines.empty()) {
        D2vLine& last = project_.lines.back();
        last.frameCount = static_cast<std::uint32_t>(project_.flags.size()) - last.firstFrame;
    }
    D2vLine line;
    lineClosed_ = u.gopHeader && u.closedGop;
    pSeen_ = false;
    line.info = kInfoBase | (lineClosed_ ? kInfoClosedGop : 0) |
                (u.sequence.progressiveSequence ? kInfoProgressiveSequence : 0) |
                (u.gopHeader ? kInfoGopHeader : 0);
    line.matrix = defaultMatrix(u.sequence);
    auto [file, offset] = files_.locate(u.indexOrigin);
    line.file = file;
    line.position = offset;
    // One pack can start several I pictures: count the lines before this one at the same place.
    for (auto it = project_.lines.rbegin(); it != project_.lines.rend(); ++it) {
        if (it->file != line.file || it->position != line.position) break;
        ++line.skip;
    }
    line.vob = u.vob;
    line.cell = u.cell;
    line.firstFrame = static_cast<std::uint32_t>(project_.flags.size());
    project_.lines.push_back(line);
    identities_.push_back(identify(u));
}

bool Indexer::addUnit(const AccessUnit& u) {
    if (u.type < kPictureI || u.type > kPictureB) {
        result_.warnings.push_back("a picture of unknown type was left out");
        return true;
    }
    if (!started_) {
        if (u.type != kPictureI) return true; // nothing before the first I picture is indexed
        sequence_ = u.sequence;
        started_ = true;
    }
    if (!sizeChangeReported_ &&
        (u.sequence.width != sequence_.width || u.sequence.height != sequence_.height)) {
        result_.warnings.push_back(
            "the picture size changes within the stream; the project gives the first one");
        sizeChangeReported_ = true;
    }
    if (u.type == kPictureI) startLine(u);
    const bool anchor = u.type != kPictureB;
    const std::uint8_t flag = frameFlag(u, anchor || lineClosed_ || pSeen_);
    if (anchor) {
        releaseHeld();
        held_ = flag;
        if (u.type == kPictureP) pSeen_ = true;
    } else {
        project_.flags.push_back(flag);
    }
    const D2vLine& line = project_.lines.back();
    if (project_.flags.size() + (held_ ? 1 : 0) - line.firstFrame > kMaxPicturesPerLine) {
        auto [file, offset] = std::pair{line.file, line.position};
        result_.error = "more than " + std::to_string(kMaxPicturesPerLine) +
                        " pictures follow the I picture at " + files_.path(file) + " offset " +
                        std::to_string(offset) +
                        " without another I picture; such a stream cannot be indexed";
        return false;
    }
    return true;
}

bool Indexer::verify(UnitReader& reader) {
    for (std::size_t i = 0; i < project_.lines.size();) {
        const D2vLine& line = project_.lines[i];
        AccessUnit u;
        const bool found = reader.seekLine(files_.virtualPosition(line.file, line.position), line.skip, u);
        if (found && identify(u) == identities_[i]) {
            ++i;
        } else if (i == 0) {
            result_.error = "the stream cannot be read back at its first I picture (" +
                            files_.path(line.file) + " offset " + std::to_string(line.position) + ")";
            return false;
        } else {
            // Decoding reaches this I picture from the line before; keep its frames there.
            result_.warnings.push_back(
                "the I picture at " + files_.path(line.file) + " offset " + std::to_string(line.position) +
                " cannot be found again from its position; its frames join the line before");
            project_.lines[i - 1].frameCount += line.frameCount;
            project_.lines.erase(project_.lines.begin() + static_cast<std::ptrdiff_t>(i));
            identities_.erase(identities_.begin() + static_cast<std::ptrdiff_t>(i));
        }
        if (i % 64 == 0)
            progress(0.9 + 0.1 * static_cast<double>(i) / static_cast<double>(project_.lines.size()));
    }
    return true;
}

bool Indexer::run() {
    settings_.type = detected_.type;
    settings_.packetSize = detected_.packetSize;
    settings_.videoPid = detected_.videoPid;
    UnitReader reader(files_, settings_);
    reader.seek(0);
    AccessUnit u;
    const double total = static_cast<double>(std::max<std::uint64_t>(files_.size(), 1));
    std::uint64_t nextReport = 0;
    while (reader.next(u)) {
        if (!addUnit(u)) return false;
        if (reader.position() >= nextReport) {
            progress(0.9 * static_cast<double>(reader.position()) / total);
            nextReport = reader.position() + (4u << 20);
        }
    }
    releaseHeld();
    if (!started_ || project_.lines.empty()) {
        result_.error = "no I picture found: nothing can be decoded from this input";
        return false;
    }
    D2vLine& last = project_.lines.back();
    last.frameCount = static_cast<std::uint32_t>(project_.flags.size()) - last.firstFrame;

    // The demuxer has settled on the video stream; read back with the same choice.
    settings_.videoPid = reader.demuxer().videoPid();
    settings_.streamId = reader.demuxer().streamId();
    UnitReader verifier(files_, settings_);
    return verify(verifier) && describeProject();
}

// The project's settings from the first sequence header and the options, and the share of film.
bool Indexer::describeProject() {
    if (!frameRateOf(sequence_.frameRateCode, sequence_.rateExtN, sequence_.rateExtD, sequence_.mpeg2,
                     project_.rateNum, project_.rateDen)) {
        result_.error = "the sequence header gives no valid frame rate";
        return false;
    }
    if (options_.fieldOperation == 1) {
        // Force film shows 4 frames of 5.
        const double rate = 0.8 * project_.rateNum / project_.rateDen;
        if (std::fabs(rate - 24000.0 / 1001.0) < 0.001) {
            project_.rateNum = 24000;
            project_.rateDen = 1001;
        } else {
            project_.rateNum = static_cast<int>(std::lround(rate * 1000.0));
            project_.rateDen = 1000;
        }
    }
    project_.version = 16;
    project_.streamType = detected_.type;
    project_.videoPid = settings_.videoPid;
    project_.audioPid = detected_.audioPid;
    project_.pcrPid = detected_.pcrPid;
    project_.packetSize = detected_.packetSize;
    project_.mpegType = sequence_.mpeg2 ? 2 : 1;
    project_.aspectRatio = aspectRatioText(sequence_.aspectCode, sequence_.mpeg2);
    project_.width = sequence_.width;
    project_.height = sequence_.height;
    project_.fieldOperation = options_.fieldOperation;

    // A coded frame is film when its (TFF, RFF) pair continues a 3:2 cadence from the frame before.
    std::size_t film = 0;
    for (std::size_t i = 1; i < project_.flags.size(); ++i)
        if ((project_.flags[i] & 3) == ((project_.flags[i - 1] & 3) + 1) % 4) ++film;
    result_.filmPercent =
        project_.flags.empty() ? 0.0 : 100.0 * static_cast<double>(film) / project_.flags.size();
    progress(1.0);
    return true;
}

} // namespace

IndexResult indexStreams(const std::vector<std::string>& inputs, const IndexOptions& options) {
    IndexResult result;
    if (inputs.empty()) {
        result.error = "no input file";
        return result;
    }
    if (options.fieldOperation < 0 || options.fieldOperation > 2) {
        result.error = "the field operation must be 0, 1 or 2";
        return result;
    }
    FileSet files;
    if (!files.open(inputs, result.error)) return result;
    Detected detected;
    if (!detectStream(files, detected, result.error)) return result;
    Indexer indexer(files, detected, options, result);
    if (!indexer.run()) return result;
    for (const std::string& input : inputs)
        result.project.files.push_back(listedPath(input, options));
    ProjectTrailer trailer;
    trailer.lastFileSize = files.fileSize(files.fileCount() - 1);
    trailer.filmPercent = result.filmPercent;
    result.text = formatD2vProject(result.project, trailer);
    result.ok = true;
    return result;
}

} // namespace mivo::d2vindex
