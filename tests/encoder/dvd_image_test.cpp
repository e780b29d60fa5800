// The DVD image the back end writes, read back as others read it: its ISO 9660 side through isoinfo,
// its UDF side through libdvdread (what players use), each file's bytes against the folder's.

#include "../support/small_disk.h"
#include "disc/dvd_image.h"
#include "stream_maker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <sys/stat.h>

#include <dvdread/dvd_reader.h>
#include <dvdread/dvd_udf.h>

namespace mivo::encoder::disc {
namespace {

namespace fs = std::filesystem;
using mivo::test::readText;

constexpr std::uint64_t kSector = 2048;

std::string output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

struct Extent {
    std::uint64_t sector = 0, size = 0;
    bool operator==(const Extent&) const = default;
};

// The VIDEO_TS files as `isoinfo -l` lists them (ISO 9660 names with their version).
std::map<std::string, Extent> isoView(const std::string& image) {
    static const std::regex file(R"(^-\S*\s+\d+\s+\d+\s+\d+\s+(\d+) .*\[\s*(\d+) \d+\]\s+(\S+);1\s*$)");
    std::map<std::string, Extent> files;
    std::istringstream lines(output("isoinfo -l -i '" + image + "' 2>&1"));
    bool videoTs = false;
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (line.rfind("Directory listing of ", 0) == 0)
            videoTs = line.find("/VIDEO_TS/") != std::string::npos;
        else if (std::regex_search(line, m, file)) {
            EXPECT_TRUE(videoTs) << line;
            files[m[3]] = {std::stoull(m[2]), std::stoull(m[1])};
        }
    }
    return files;
}

// The same files found through libdvdread's UDF reader.
std::map<std::string, Extent> udfView(const std::string& image, const std::vector<std::string>& names) {
    std::map<std::string, Extent> files;
    dvd_reader_t* dvd = DVDOpen(image.c_str());
    if (!dvd) return files;
    for (const std::string& name : names) {
        std::uint32_t size = 0;
        const std::uint32_t sector = UDFFindFile(dvd, ("/VIDEO_TS/" + name).c_str(), &size);
        if (sector != 0) files[name] = {sector, size};
    }
    DVDClose(dvd);
    return files;
}

// A UDF descriptor tag that says what it is and where it is (`location`: the sector, or the block in
// the partition), with its checksum and its body's CRC.
void expectTag(const std::string& image, std::uint64_t sector, int id, std::uint64_t location) {
    SCOPED_TRACE("tag at sector " + std::to_string(sector));
    ASSERT_GE(image.size(), (sector + 1) * kSector);
    const auto* d = reinterpret_cast<const std::uint8_t*>(image.data() + sector * kSector);
    std::uint8_t sum = 0;
    for (int i = 0; i < 16; ++i)
        if (i != 4) sum = static_cast<std::uint8_t>(sum + d[i]);
    EXPECT_EQ(d[0] | d[1] << 8, id);
    EXPECT_EQ(d[4], sum);
    const int crcLength = d[10] | d[11] << 8;
    EXPECT_EQ(d[8] | d[9] << 8, udfCrc(d + 16, static_cast<std::size_t>(crcLength)));
    EXPECT_EQ(d[12] | d[13] << 8 | d[14] << 16 | static_cast<std::uint64_t>(d[15]) << 24, location);
}

// Bytes that tell one file from another and one place in a file from the next.
std::string content(const std::string& name, std::size_t size) {
    std::mt19937 random(static_cast<std::uint32_t>(std::hash<std::string>{}(name)));
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(random());
    return s;
}

std::string makeFolder(const std::string& dir, const std::map<std::string, std::size_t>& files) {
    fs::remove_all(dir);
    fs::create_directories(dir + "/VIDEO_TS");
    for (const auto& [name, size] : files)
        mivo::test::writeText(dir + "/VIDEO_TS/" + name, content(name, size));
    return dir;
}

std::map<std::string, std::size_t> dvd(std::map<std::string, std::size_t> more = {}) {
    more.merge(std::map<std::string, std::size_t>{
        {"VIDEO_TS.IFO", 6144}, {"VIDEO_TS.BUP", 6144}, {"VTS_01_0.IFO", 12288}, {"VTS_01_0.BUP", 12288}});
    return more;
}

TEST(DvdImage, EveryFileReadsTheSameThroughBothFileSystemsInTheOrderTheIfoFilesCountOn) {
    std::map<std::string, std::size_t> manySets;
    for (int set = 1; set <= 5; ++set)
        for (const char* part : {"0.IFO", "0.BUP", "0.VOB", "1.VOB", "2.VOB", "3.VOB", "4.VOB", "5.VOB",
                                 "6.VOB", "7.VOB", "8.VOB", "9.VOB"})
            manySets["VTS_0" + std::to_string(set) + "_" + part] = 4096 + set * 100;
    manySets.merge(dvd());
    const struct {
        const char* shape;
        std::map<std::string, std::size_t> files;
    } cases[] = {
        {"one VOB", dvd({{"VTS_01_1.VOB", 300 * kSector}})},
        {"menus and several VOBs", dvd({{"VIDEO_TS.VOB", 10 * kSector},
                                        {"VTS_01_0.VOB", 4 * kSector},
                                        {"VTS_01_1.VOB", 50 * kSector},
                                        {"VTS_01_2.VOB", 40 * kSector},
                                        {"VTS_01_3.VOB", 3 * kSector}})},
        {"empty files", dvd({{"VIDEO_TS.VOB", 0}, {"VTS_01_0.VOB", 0}, {"VTS_01_1.VOB", 5 * kSector}})},
        {"sizes just off a sector",
         dvd({{"VIDEO_TS.VOB", kSector + 1}, {"VTS_01_1.VOB", 1}, {"VTS_01_2.VOB", 3 * kSector - 1}})},
        {"directories longer than a sector", manySets},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        const std::string folder = makeFolder(mivo::test::scratchFolder("dvd-image") + "/dvd", c.files);
        const std::string image = folder + ".iso";
        std::string error;
        ASSERT_TRUE(writeDvdImage(folder, image, "HOLIDAY", error)) << error;
        std::vector<std::string> names;
        for (const auto& [name, size] : c.files)
            names.push_back(name);
        const auto iso = isoView(image);
        const auto udf = udfView(image, names);
        const std::string bytes = readText(image);
        ASSERT_EQ(iso.size(), names.size());
        // libdvdread finds a file by its first extent, which a file of no bytes has not.
        for (const auto& [name, size] : c.files) {
            SCOPED_TRACE(name);
            ASSERT_EQ(iso.count(name), 1u);
            const Extent e = iso.at(name);
            EXPECT_EQ(e.size, size);
            if (size > 0) {
                ASSERT_EQ(udf.count(name), 1u);
                EXPECT_EQ(udf.at(name), e);
            }
            ASSERT_LE((e.sector + (size + kSector - 1) / kSector) * kSector, bytes.size());
            EXPECT_TRUE(bytes.compare(e.sector * kSector, size, content(name, size)) == 0);
            const std::size_t padding = (kSector - size % kSector) % kSector;
            EXPECT_EQ(bytes.substr(e.sector * kSector + size, padding), std::string(padding, '\0'));
        }
        // The IFO files give each part's place as sectors after VIDEO_TS.IFO: no gaps, in their order.
        const std::vector<std::string> order = dvdFileOrder(names);
        for (std::size_t i = 1; i < order.size(); ++i) {
            const Extent before = iso.at(order[i - 1]);
            EXPECT_EQ(iso.at(order[i]).sector, before.sector + (before.size + kSector - 1) / kSector)
                << order[i];
        }
        // Anchors at sector 256 and at the last sector, each pointing to the volume descriptors.
        ASSERT_EQ(bytes.size() % kSector, 0u);
        const std::uint64_t last = bytes.size() / kSector - 1;
        EXPECT_NE(output("isoinfo -d -i '" + image + "'").find("Volume size is: " + std::to_string(last + 1)),
                  std::string::npos);
        expectTag(bytes, 256, 2, 256);
        expectTag(bytes, last, 2, last);
        EXPECT_EQ(bytes.substr(256 * kSector + 16, 16), bytes.substr(last * kSector + 16, 16));
        for (std::uint64_t sequence : {32, 48}) {
            const int ids[] = {1, 4, 5, 6, 7, 8};
            for (std::uint64_t i = 0; i < 6; ++i)
                expectTag(bytes, sequence + i, ids[i], sequence + i);
        }
        expectTag(bytes, 64, 9, 64);
        expectTag(bytes, 257, 256, 0); // the file set, first in the partition
        EXPECT_EQ(bytes.substr(18 * kSector + 1, 5) + bytes.substr(19 * kSector + 1, 5) +
                      bytes.substr(20 * kSector + 1, 5),
                  "BEA01NSR02TEA01");
    }
}

TEST(DvdImage, TheFilesLieInTheDvdVideoOrder) {
    const std::vector<std::string> expected{"VIDEO_TS.IFO", "VIDEO_TS.VOB", "VIDEO_TS.BUP", "VTS_01_0.IFO",
                                            "VTS_01_0.VOB", "VTS_01_1.VOB", "VTS_01_2.VOB", "VTS_01_0.BUP",
                                            "VTS_02_0.IFO", "VTS_02_1.VOB", "VTS_02_0.BUP", "VTS_10_0.IFO",
                                            "VTS_10_0.BUP", "NOTES.TXT"};
    std::vector<std::string> shuffled = expected;
    std::mt19937 random(7);
    for (int round = 0; round < 5; ++round) {
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        EXPECT_EQ(dvdFileOrder(shuffled), expected);
    }
    // The CRC of the worked example in the UDF descriptor standard.
    const std::uint8_t example[] = {0x70, 0x6A, 0x77};
    EXPECT_EQ(udfCrc(example, sizeof example), 0x3299);
}

// A folder that is no DVD-Video folder, or an image that cannot be written, gives the reason and leaves
// no image (a device named as the image stays a device).
TEST(DvdImage, AFailingImageSaysWhyAndLeavesNothing) {
    const std::string dir = mivo::test::scratchFolder("dvd-image-refused");
    const std::string good = makeFolder(dir + "/good", dvd({{"VTS_01_1.VOB", 200 * kSector}}));
    mivo::test::writeText(dir + "/file", "x");
    const struct {
        std::string folder, image, reason;
        std::map<std::string, std::size_t> files;
    } cases[] = {
        {good, "/dev/full", "cannot write the image /dev/full: No space left on device", {}},
        {good, dir + "/file/dvd.iso", "cannot write the image " + dir + "/file/dvd.iso: Not a directory", {}},
        {dir + "/no-ifo", dir + "/no-ifo.iso", "/VIDEO_TS/VIDEO_TS.IFO is missing", {{"VTS_01_0.IFO", 10}}},
        {dir + "/lower", dir + "/lower.iso", "vts_01_1.vob on a DVD-Video disc: its name",
         dvd({{"vts_01_1.vob", 1}})},
        {dir + "/long", dir + "/long.iso", "VTS_01_1.VOBX on a DVD-Video disc", dvd({{"VTS_01_1.VOBX", 1}})},
        {dir + "/none", dir + "/none.iso", "cannot read the DVD-Video folder " + dir + "/none/VIDEO_TS", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        if (!c.files.empty()) makeFolder(c.folder, c.files);
        std::string error;
        EXPECT_FALSE(writeDvdImage(c.folder, c.image, "X", error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        struct stat st {};
        if (c.image == "/dev/full")
            EXPECT_TRUE(::stat(c.image.c_str(), &st) == 0 && S_ISCHR(st.st_mode));
        else
            EXPECT_FALSE(fs::exists(c.image));
    }
    // More than a DVD-Video file may hold (a sparse file: nothing is copied before the refusal).
    fs::resize_file(good + "/VIDEO_TS/VTS_01_1.VOB", (std::uint64_t{1} << 30) + 1);
    std::string error;
    EXPECT_FALSE(writeDvdImage(good, dir + "/big.iso", "X", error));
    EXPECT_NE(error.find("VTS_01_1.VOB on a DVD-Video disc: larger than 1 GiB"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir + "/big.iso"));
    fs::resize_file(good + "/VIDEO_TS/VTS_01_1.VOB", 200 * kSector);
    // A disk that fills half way through the file data.
    mivo::test::SmallDisk disk(1 << 20);
    if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
    fs::resize_file(good + "/VIDEO_TS/VTS_01_1.VOB", 2 << 20);
    EXPECT_FALSE(writeDvdImage(good, disk.folder() + "dvd.iso", "X", error));
    EXPECT_NE(error.find("cannot write the image " + disk.folder() + "dvd.iso: No space left on device"),
              std::string::npos)
        << error;
    EXPECT_TRUE(fs::is_empty(disk.folder()));
}

} // namespace
} // namespace mivo::encoder::disc
