#include "video_index.h"

#include <algorithm>
#include <cstring>

namespace mivo::video {

namespace {

constexpr char kMagic[8] = {'M', 'I', 'V', 'O', 'V', 'I', 'D', 'X'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderBytes = 8 + 4 + 8 + 8 + 4 + 4 + 4 + 4 + 8;
constexpr std::size_t kEntryBytes = 8 + 8 + 8 + 4;
constexpr std::size_t kChecksumBytes = 8;
// Far beyond any title (a day at 120 frames per second is 10 million) yet small enough that a damaged
// count cannot ask for gigabytes.
constexpr std::uint64_t kMaxPackets = 1u << 26;

std::uint64_t checksum(std::string_view bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

template <typename T> void put(std::string& out, T value) {
    auto u = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

template <typename T> T get(std::string_view bytes, std::size_t& at) {
    std::make_unsigned_t<T> u = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        u |= static_cast<std::make_unsigned_t<T>>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    at += sizeof(T);
    return static_cast<T>(u);
}

} // namespace

bool VideoIndex::assign(const IndexHeader& header, std::vector<PacketEntry> packets, std::string& error) {
    if (header.stream < 0 || header.timeBaseNum <= 0 || header.timeBaseDen <= 0) {
        error = "index: bad stream or time base";
        return false;
    }
    if (packets.empty() || packets.size() > kMaxPackets) {
        error = "index: no packets";
        return false;
    }
    std::vector<std::uint32_t> shown, keys;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        const PacketEntry& p = packets[i];
        if ((p.flags & ~kPacketFlagsKnown) != 0 || p.pts == kNoTime || p.pos < -1) {
            error = "index: bad packet entry";
            return false;
        }
        if (p.flags & kPacketShown) shown.push_back(static_cast<std::uint32_t>(i));
        if (p.flags & kPacketKey) keys.push_back(static_cast<std::uint32_t>(i));
    }
    if (shown.empty()) {
        error = "index: no frame is shown";
        return false;
    }
    // Equal times keep decode order, as a decoder that met them would.
    std::stable_sort(shown.begin(), shown.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return packets[a].pts < packets[b].pts; });
    std::vector<std::int32_t> frameOf(packets.size(), -1);
    for (std::size_t n = 0; n < shown.size(); ++n)
        frameOf[shown[n]] = static_cast<std::int32_t>(n);

    header_ = header;
    packets_ = std::move(packets);
    shown_ = std::move(shown);
    frameOf_ = std::move(frameOf);
    keys_ = std::move(keys);
    return true;
}

std::uint32_t VideoIndex::startOfFrame(int n) const {
    const std::uint32_t packet = packetOfFrame(n);
    const std::int64_t time = packets_[packet].pts;
    auto it = std::upper_bound(keys_.begin(), keys_.end(), packet);
    while (it != keys_.begin()) {
        --it;
        if (packets_[*it].pts <= time) return *it;
    }
    return 0;
}

std::string formatIndexFile(const VideoIndex& index) {
    std::string out(kMagic, sizeof kMagic);
    const IndexHeader& h = index.header();
    put(out, kVersion);
    put(out, h.sourceSize);
    put(out, h.sourceTime);
    put(out, h.stream);
    put(out, h.timeBaseNum);
    put(out, h.timeBaseDen);
    put(out, h.demuxerVersion);
    put(out, static_cast<std::uint64_t>(index.packets().size()));
    out.reserve(out.size() + index.packets().size() * kEntryBytes + kChecksumBytes);
    for (const PacketEntry& p : index.packets()) {
        put(out, p.pos);
        put(out, p.pts);
        put(out, p.dts);
        put(out, p.flags);
    }
    put(out, checksum(out));
    return out;
}

bool parseIndexFile(std::string_view bytes, VideoIndex& index, std::string& error) {
    error = "index: damaged file";
    if (bytes.size() < kHeaderBytes + kChecksumBytes || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return false;
    std::size_t at = sizeof kMagic;
    if (get<std::uint32_t>(bytes, at) != kVersion) {
        error = "index: other version";
        return false;
    }
    IndexHeader h;
    h.sourceSize = get<std::uint64_t>(bytes, at);
    h.sourceTime = get<std::int64_t>(bytes, at);
    h.stream = get<std::int32_t>(bytes, at);
    h.timeBaseNum = get<std::int32_t>(bytes, at);
    h.timeBaseDen = get<std::int32_t>(bytes, at);
    h.demuxerVersion = get<std::uint32_t>(bytes, at);
    const auto count = get<std::uint64_t>(bytes, at);
    if (count > kMaxPackets || bytes.size() != kHeaderBytes + count * kEntryBytes + kChecksumBytes)
        return false;
    std::size_t end = bytes.size() - kChecksumBytes;
    if (get<std::uint64_t>(bytes, end) != checksum(bytes.substr(0, bytes.size() - kChecksumBytes)))
        return false;
    std::vector<PacketEntry> packets(count);
    for (PacketEntry& p : packets) {
        p.pos = get<std::int64_t>(bytes, at);
        p.pts = get<std::int64_t>(bytes, at);
        p.dts = get<std::int64_t>(bytes, at);
        p.flags = get<std::uint32_t>(bytes, at);
    }
    return index.assign(h, std::move(packets), error);
}

} // namespace mivo::video
