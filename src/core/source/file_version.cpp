#include "core/source/file_version.h"

#include <cerrno>
#include <fstream>
#include <optional>
#include <vector>

namespace mivo {

namespace {

// Program files beyond this size are not read; no real program file is near it.
constexpr std::uint64_t kMaxImageBytes = 512ull << 20;

constexpr std::uint32_t kResourceTypeVersion = 16;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr std::size_t kFixedInfoBytes = 52;

class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    std::optional<std::uint16_t> u16(std::uint64_t offset) const {
        if (!has(offset, 2)) return std::nullopt;
        return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
    }
    std::optional<std::uint32_t> u32(std::uint64_t offset) const {
        if (!has(offset, 4)) return std::nullopt;
        return static_cast<std::uint32_t>(bytes_[offset]) |
               (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

struct Section {
    std::uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

// File offset of an address of the loaded image, when a section holds it in the file.
std::optional<std::uint64_t> fileOffsetOf(const std::vector<Section>& sections, std::uint32_t rva) {
    for (const Section& s : sections) {
        if (rva < s.virtualAddress) continue;
        const std::uint64_t into = rva - s.virtualAddress;
        if (into < s.rawSize) return static_cast<std::uint64_t>(s.rawOffset) + into;
    }
    return std::nullopt;
}

// An entry of a resource directory: its id (or name offset, high bit set) and where it leads.
struct DirectoryEntry {
    std::uint32_t name, target;
};

// Entry `wanted` by id, or the first entry of any kind when wanted is empty.
std::optional<DirectoryEntry> findEntry(const Reader& r, std::uint64_t directory,
                                        std::optional<std::uint32_t> wanted) {
    const auto named = r.u16(directory + 12);
    const auto numbered = r.u16(directory + 14);
    if (!named || !numbered) return std::nullopt;
    const std::uint32_t count = static_cast<std::uint32_t>(*named) + *numbered;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = directory + 16 + 8ull * i;
        const auto name = r.u32(at);
        const auto target = r.u32(at + 4);
        if (!name || !target) return std::nullopt;
        if (!wanted || *name == *wanted) return DirectoryEntry{*name, *target};
    }
    return std::nullopt;
}

struct ImageLayout {
    std::vector<Section> sections;
    std::uint32_t resourceRva = 0;
};

// The section table and the resource directory's address (data directory 2) from the PE headers.
std::optional<ImageLayout> readImageLayout(const Reader& r) {
    // DOS header, then the PE signature and the file header.
    if (r.u16(0) != 0x5A4D) return std::nullopt; // "MZ"
    const auto peAt = r.u32(0x3C);
    if (!peAt || r.u32(*peAt) != 0x00004550u) return std::nullopt; // "PE\0\0"
    const std::uint64_t fileHeader = static_cast<std::uint64_t>(*peAt) + 4;
    const auto sectionCount = r.u16(fileHeader + 2);
    const auto optionalSize = r.u16(fileHeader + 16);
    if (!sectionCount || !optionalSize) return std::nullopt;

    const std::uint64_t optional = fileHeader + 20;
    const auto magic = r.u16(optional);
    std::uint64_t directoriesAt = 0, countAt = 0;
    if (magic == 0x10b) { // 32-bit image
        countAt = optional + 92;
        directoriesAt = optional + 96;
    } else if (magic == 0x20b) { // 64-bit image
        countAt = optional + 108;
        directoriesAt = optional + 112;
    } else {
        return std::nullopt;
    }
    const auto directoryCount = r.u32(countAt);
    if (!directoryCount || *directoryCount < 3 || directoriesAt + 24 > optional + *optionalSize)
        return std::nullopt;
    const auto resourceRva = r.u32(directoriesAt + 16);
    if (!resourceRva || *resourceRva == 0) return std::nullopt;

    ImageLayout layout;
    layout.resourceRva = *resourceRva;
    const std::uint64_t table = optional + *optionalSize;
    for (std::uint32_t i = 0; i < *sectionCount; ++i) {
        const std::uint64_t at = table + 40ull * i;
        const auto vsize = r.u32(at + 8), va = r.u32(at + 12), rawSize = r.u32(at + 16),
                   rawAt = r.u32(at + 20);
        if (!vsize || !va || !rawSize || !rawAt) return std::nullopt;
        // Only the bytes present both in the file and in the loaded section are readable.
        const std::uint32_t size = *vsize != 0 && *vsize < *rawSize ? *vsize : *rawSize;
        layout.sections.push_back({*va, *vsize, *rawAt, size});
    }
    return layout;
}

struct Block {
    std::uint64_t at;
    std::uint32_t size;
};

// The version resource's data: type RT_VERSION, then the first name, then the first language, whose leaf
// leads to the data.
std::optional<Block> findVersionBlock(const Reader& r, const ImageLayout& layout) {
    const auto root = fileOffsetOf(layout.sections, layout.resourceRva);
    if (!root) return std::nullopt;
    auto entry = findEntry(r, *root, kResourceTypeVersion);
    for (int level = 0; level < 2 && entry; ++level) {
        if ((entry->target & 0x80000000u) == 0) return std::nullopt; // a leaf where a directory belongs
        entry = findEntry(r, *root + (entry->target & 0x7FFFFFFFu), std::nullopt);
    }
    if (!entry || (entry->target & 0x80000000u) != 0) return std::nullopt;
    const auto dataRva = r.u32(*root + entry->target);
    const auto dataSize = r.u32(*root + entry->target + 4);
    if (!dataRva || !dataSize) return std::nullopt;
    const auto block = fileOffsetOf(layout.sections, *dataRva);
    if (!block || !r.has(*block, *dataSize)) return std::nullopt;
    return Block{*block, *dataSize};
}

// The root block: length, value length, type, the key "VS_VERSION_INFO", padding to 32 bits, then the
// fixed file information with the two version words.
FileVersion readFixedInfo(const Reader& r, const Block& block) {
    FileVersion none;
    const auto valueLength = r.u16(block.at + 2);
    if (!valueLength || *valueLength < kFixedInfoBytes) return none;
    std::uint64_t at = block.at + 6;
    const std::uint64_t end = block.at + block.size;
    for (;;) {
        const auto c = r.u16(at);
        if (!c || at + 2 > end) return none;
        at += 2;
        if (*c == 0) break;
    }
    at = block.at + ((at - block.at + 3) & ~std::uint64_t{3});
    if (at + kFixedInfoBytes > end || r.u32(at) != kFixedInfoSignature) return none;
    const auto ms = r.u32(at + 8), ls = r.u32(at + 12);
    if (!ms || !ls) return none;

    FileVersion v;
    v.result = 0;
    v.parts = {static_cast<int>(*ms >> 16), static_cast<int>(*ms & 0xFFFF), static_cast<int>(*ls >> 16),
               static_cast<int>(*ls & 0xFFFF)};
    return v;
}

} // namespace

FileVersion fileVersionOfImage(std::span<const std::uint8_t> image) {
    const Reader r(image);
    const std::optional<ImageLayout> layout = readImageLayout(r);
    const std::optional<Block> block = layout ? findVersionBlock(r, *layout) : std::nullopt;
    return block ? readFixedInfo(r, *block) : FileVersion{};
}

FileVersion queryFileVersion(const std::string& path) {
    FileVersion result;
    errno = 0;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        result.result = errno != 0 ? errno : -1;
        return result;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxImageBytes) return result;
    std::vector<std::uint8_t> image(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(image.data()), size)) return result;
    return fileVersionOfImage(image);
}

} // namespace mivo
