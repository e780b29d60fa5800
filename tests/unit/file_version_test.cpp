#include "core/source/file_version.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using mivo::FileVersion;

namespace {

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
std::vector<std::uint8_t> makeProgramFile(bool wide, std::uint32_t ms, std::uint32_t ls,
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

fs::path tempFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const fs::path dir = fs::path(MIVO_BINARY_DIR) / "test-tmp" / "version";
    fs::create_directories(dir);
    const fs::path p = dir / name;
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return p;
}

} // namespace

TEST(FileVersion, ReadsTheFourNumbersOfBothImageKinds) {
    FileVersion v =
        mivo::queryFileVersion(tempFile("narrow.exe", makeProgramFile(false, 0x00010002, 0x00030004)));
    EXPECT_EQ(v.result, 0);
    EXPECT_EQ(v.parts, (std::array<int, 4>{1, 2, 3, 4}));

    v = mivo::queryFileVersion(tempFile("wide.dll", makeProgramFile(true, 0x00040000, 0x0001FFFF)));
    EXPECT_EQ(v.result, 0);
    EXPECT_EQ(v.parts, (std::array<int, 4>{4, 0, 1, 65535}));
}

TEST(FileVersion, NoVersionForOtherFiles) {
    // A program file whose only resource is an icon group.
    FileVersion v =
        mivo::queryFileVersion(tempFile("icon.exe", makeProgramFile(false, 0x00010002, 0x00030004, 14)));
    EXPECT_EQ(v.result, -1);
    EXPECT_EQ(v.parts, (std::array<int, 4>{0, 0, 0, 0}));

    const std::string text = "MZ but only text\n";
    v = mivo::queryFileVersion(tempFile("notes.txt", std::vector<std::uint8_t>(text.begin(), text.end())));
    EXPECT_EQ(v.result, -1);
    v = mivo::queryFileVersion(tempFile("empty.exe", {}));
    EXPECT_EQ(v.result, -1);

    v = mivo::queryFileVersion((fs::path(MIVO_BINARY_DIR) / "test-tmp" / "no-such-file.exe").string());
    EXPECT_EQ(v.result, ENOENT);
    EXPECT_EQ(v.parts, (std::array<int, 4>{0, 0, 0, 0}));
}

TEST(FileVersion, DamagedFilesNeverReadOutOfBounds) {
    const std::vector<std::uint8_t> good = makeProgramFile(false, 0x00010002, 0x00030004);
    const std::size_t needed = 0x200 + 0x58 + 40 + 52;
    for (std::size_t n = 0; n < needed; ++n) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(mivo::fileVersionOfImage(cut).result, -1) << n;
    }
    // Every single byte set to 0xFF: any answer is fine, reading past the buffer is not (the sanitizer
    // builds catch that).
    int readable = 0;
    for (std::size_t i = 0; i < needed; ++i) {
        std::vector<std::uint8_t> bad = good;
        bad[i] = 0xFF;
        const FileVersion v = mivo::fileVersionOfImage(bad);
        if (v.result == 0) ++readable;
    }
    EXPECT_GT(readable, 0);
    EXPECT_LT(readable, static_cast<int>(needed));
}
