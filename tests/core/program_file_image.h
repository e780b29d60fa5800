#pragma once
// A minimal Windows program file with a version resource, built in memory, for the tests of everything
// that reads a file's version.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mivo::test {

class Image {
  public:
    std::vector<std::uint8_t> bytes;
    void u16(std::size_t at, std::uint32_t v) {
        grow(at + 2);
        bytes[at] = v & 0xFF;
        bytes[at + 1] = (v >> 8) & 0xFF;
    }
    void u32(std::size_t at, std::uint32_t v) {
        u16(at, v & 0xFFFF);
        u16(at + 2, v >> 16);
    }
    void text(std::size_t at, const char* s) {
        for (; *s; ++s, ++at) {
            grow(at + 1);
            bytes[at] = static_cast<std::uint8_t>(*s);
        }
    }
    void grow(std::size_t n) {
        if (bytes.size() < n) bytes.resize(n, 0);
    }
};

// A minimal program file: DOS header, PE header, one resource section holding a version resource
// (type 16, name 1, language 0x409) whose fixed file information carries ms and ls.
inline std::vector<std::uint8_t> makeProgramFile(bool wide, std::uint32_t ms, std::uint32_t ls,
                                                 std::uint32_t type = 16) {
    Image im;
    im.text(0, "MZ");
    im.u32(0x3C, 0x40);
    im.text(0x40, "PE");
    const std::size_t fileHeader = 0x44, optional = fileHeader + 20;
    const std::uint32_t optionalSize = wide ? 240 : 224;
    im.u16(fileHeader, wide ? 0x8664 : 0x14C);
    im.u16(fileHeader + 2, 1);
    im.u16(fileHeader + 16, optionalSize);
    im.u16(optional, wide ? 0x20B : 0x10B);
    const std::size_t dirs = optional + (wide ? 112 : 96);
    im.u32(optional + (wide ? 108 : 92), 16);
    const std::uint32_t rva = 0x1000, raw = 0x200, size = 0x100;
    im.u32(dirs + 16, rva);
    im.u32(dirs + 20, size);
    const std::size_t section = optional + optionalSize;
    im.text(section, ".rsrc");
    im.u32(section + 8, size);
    im.u32(section + 12, rva);
    im.u32(section + 16, size);
    im.u32(section + 20, raw);

    // Three directory levels, then the data entry and the version block.
    im.u16(raw + 14, 1);
    im.u32(raw + 16, type);
    im.u32(raw + 20, 0x80000000u | 0x18);
    im.u16(raw + 0x18 + 14, 1);
    im.u32(raw + 0x18 + 16, 1);
    im.u32(raw + 0x18 + 20, 0x80000000u | 0x30);
    im.u16(raw + 0x30 + 14, 1);
    im.u32(raw + 0x30 + 16, 0x409);
    im.u32(raw + 0x30 + 20, 0x48);
    const std::size_t block = raw + 0x58;
    const std::uint32_t blockSize = 40 + 52;
    im.u32(raw + 0x48, rva + 0x58);
    im.u32(raw + 0x48 + 4, blockSize);
    im.u16(block, blockSize);
    im.u16(block + 2, 52);
    const char* key = "VS_VERSION_INFO";
    for (std::size_t i = 0; key[i]; ++i)
        im.u16(block + 6 + 2 * i, static_cast<std::uint8_t>(key[i]));
    im.u32(block + 40, 0xFEEF04BDu);
    im.u32(block + 44, 0x00010000u);
    im.u32(block + 48, ms);
    im.u32(block + 52, ls);
    im.grow(raw + size);
    return im.bytes;
}

} // namespace mivo::test
