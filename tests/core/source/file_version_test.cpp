#include "core/source/file_version.h"

#include "../../fuzz/corpus_replay.h"
#include "../../fuzz/file_version/file_version_check.h"
#include "../program_file_image.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using mivo::FileVersion;
using mivo::test::makeProgramFile;

namespace {

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

TEST(FileVersion, FuzzCorpusKeepsTheReadersPromise) {
    EXPECT_GE(mivo::test::replayCorpus("file_version", mivo::test::checkFileVersion), 4);
}
