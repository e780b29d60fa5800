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

std::uint64_t sectors(std::uint64_t bytes) {
    return (bytes + kSector - 1) / kSector;
}

void putBe32(std::string& b, std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

using Sizes = std::map<std::string, std::uint64_t>;
using Places = std::map<std::string, std::uint64_t>; // in sectors after VIDEO_TS.IFO's first

// A DVD-Video folder of `files` whose IFO files place each part where `places` says and the others right
// after the file before, every other byte of each file its own. Where each file belongs.
Places makeFolder(const std::string& dir, const Sizes& files, const Places& places = {}) {
    fs::remove_all(dir);
    fs::create_directories(dir + "/VIDEO_TS");
    std::vector<std::string> names;
    std::map<std::string, std::string> bytes;
    for (const auto& [name, size] : files) {
        names.push_back(name);
        bytes[name] = content(name, size);
    }
    Places at;
    std::uint64_t next = 0;
    for (const std::string& name : dvdFileOrder(names)) {
        at[name] = places.count(name) ? places.at(name) : next;
        next = at[name] + sectors(files.at(name));
    }
    const auto last = [&](const std::string& name) { return at[name] + sectors(files.at(name)) - 1; };
    if (files.count("VIDEO_TS.IFO")) {
        std::string& vmg = bytes["VIDEO_TS.IFO"];
        vmg.replace(0, 12, "DVDVIDEO-VMG");
        putBe32(vmg, 0x0C, last("VIDEO_TS.BUP"));
        putBe32(vmg, 0xC0, files.count("VIDEO_TS.VOB") ? at["VIDEO_TS.VOB"] : 0);
        putBe32(vmg, 0xC4, 1); // the table of titles, one title a title set
        int titles = 0;
        for (int set = 1; set < 100; ++set) {
            const std::string vts = std::string("VTS_") + char('0' + set / 10) + char('0' + set % 10) + "_";
            if (!files.count(vts + "0.IFO")) continue;
            const std::uint64_t base = at[vts + "0.IFO"];
            std::string& ifo = bytes[vts + "0.IFO"];
            ifo.replace(0, 12, "DVDVIDEO-VTS");
            putBe32(ifo, 0x0C, last(vts + "0.BUP") - base);
            putBe32(ifo, 0xC0, files.count(vts + "0.VOB") ? at[vts + "0.VOB"] - base : 0);
            putBe32(ifo, 0xC4, at[vts + "1.VOB"] - base);
            const std::size_t entry = kSector + 8 + 12 * static_cast<std::size_t>(titles++);
            vmg[entry + 6] = static_cast<char>(set);
            putBe32(vmg, entry + 8, base);
        }
        vmg[kSector] = 0;
        vmg[kSector + 1] = static_cast<char>(titles);
    }
    for (const auto& [name, text] : bytes)
        mivo::test::writeText(dir + "/VIDEO_TS/" + name, text);
    return at;
}

Sizes dvd(Sizes more = {}) {
    more.merge(Sizes{{"VIDEO_TS.IFO", 6144},
                     {"VIDEO_TS.BUP", 6144},
                     {"VTS_01_0.IFO", 12288},
                     {"VTS_01_0.BUP", 12288},
                     {"VTS_01_1.VOB", 300 * kSector}});
    return more;
}

TEST(DvdImage, EveryFileReadsTheSameThroughBothFileSystemsWhereItsIfoFilesPlaceIt) {
    Sizes manySets = dvd();
    for (int set = 1; set <= 5; ++set)
        for (const char* part : {"0.IFO", "0.BUP", "0.VOB", "1.VOB", "2.VOB", "3.VOB", "4.VOB", "5.VOB",
                                 "6.VOB", "7.VOB", "8.VOB", "9.VOB"})
            manySets["VTS_0" + std::to_string(set) + "_" + part] = 4096 + set * 100;
    const struct {
        const char* shape;
        Sizes files;
        Places places;
    } cases[] = {
        {"one VOB", dvd(), {}},
        // dvdauthor rounds the VMG up to 32 sectors.
        {"the VMG rounded up", dvd(), {{"VIDEO_TS.BUP", 29}, {"VTS_01_0.IFO", 32}}},
        {"room before a title set", dvd(), {{"VTS_01_0.IFO", 8}}},
        {"a title set rounded up",
         dvd({{"VTS_01_0.VOB", 5}}),
         {{"VTS_01_0.IFO", 6}, {"VTS_01_0.VOB", 13}, {"VTS_01_1.VOB", 20}, {"VTS_01_0.BUP", 330}}},
        {"menus and several VOBs",
         dvd({{"VIDEO_TS.VOB", 10 * kSector},
              {"VTS_01_0.VOB", 4 * kSector},
              {"VTS_01_2.VOB", 40 * kSector},
              {"VTS_01_3.VOB", 3 * kSector}}),
         {}},
        {"empty files", dvd({{"VIDEO_TS.VOB", 0}, {"VTS_01_0.VOB", 0}, {"VTS_01_2.VOB", 0}}), {}},
        {"sizes just off a sector",
         dvd({{"VIDEO_TS.VOB", kSector + 1}, {"VTS_01_1.VOB", 1}, {"VTS_01_2.VOB", 3 * kSector - 1}}),
         {}},
        {"directories longer than a sector", manySets, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        const std::string folder = mivo::test::scratchFolder("dvd-image") + "/dvd";
        const Places places = makeFolder(folder, c.files, c.places);
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
        ASSERT_EQ(iso.count("VIDEO_TS.IFO"), 1u);
        for (const auto& [name, size] : c.files) {
            SCOPED_TRACE(name);
            ASSERT_EQ(iso.count(name), 1u);
            const Extent e = iso.at(name);
            EXPECT_EQ(e.size, size);
            // Players go to a part by the sectors its IFO file gives.
            EXPECT_EQ(e.sector - iso.at("VIDEO_TS.IFO").sector, places.at(name));
            // libdvdread finds a file by its first extent, which a file of no bytes has not.
            if (size > 0) {
                ASSERT_EQ(udf.count(name), 1u);
                EXPECT_EQ(udf.at(name), e);
            }
            ASSERT_LE((e.sector + sectors(size)) * kSector, bytes.size());
            EXPECT_TRUE(bytes.compare(e.sector * kSector, size, readText(folder + "/VIDEO_TS/" + name)) == 0);
            const std::size_t padding = (kSector - size % kSector) % kSector;
            EXPECT_EQ(bytes.substr(e.sector * kSector + size, padding), std::string(padding, '\0'));
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

// What dvdauthor writes: each part lies where its IFO files say (dvdauthor leaves room after the VMG),
// and lsdvd reads the image as it reads the folder.
TEST(DvdImage, AnAuthoredFolderReadsTheSameFromItsImage) {
    const std::string dir = mivo::test::scratchFolder("dvd-image-authored");
    const std::string make =
        "cd '" + dir +
        "' && ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=720x576:rate=25:duration=2 -f "
        "lavfi "
        "-i sine=duration=2 -target pal-dvd t.mpg && VIDEO_FORMAT=PAL dvdauthor -o dvd -t t.mpg && "
        "VIDEO_FORMAT=PAL dvdauthor -o dvd -T";
    ASSERT_EQ(std::system(("(" + make + ") > '" + dir + "/log.txt' 2>&1").c_str()), 0)
        << readText(dir + "/log.txt");
    std::string error;
    ASSERT_TRUE(writeDvdImage(dir + "/dvd", dir + "/dvd.iso", "AUTHORED", error)) << error;
    const auto iso = isoView(dir + "/dvd.iso");
    ASSERT_EQ(iso.size(), 5u);
    const auto at = [&](const std::string& name) {
        return iso.at(name).sector - iso.at("VIDEO_TS.IFO").sector;
    };
    const auto end = [&](const std::string& name) { return at(name) + sectors(iso.at(name).size) - 1; };
    const auto be32 = [](const std::string& b, std::size_t offset) {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < 4; ++i)
            v = v << 8 | static_cast<std::uint8_t>(b.at(offset + i));
        return v;
    };
    const std::string vmg = readText(dir + "/dvd/VIDEO_TS/VIDEO_TS.IFO");
    const std::string vts = readText(dir + "/dvd/VIDEO_TS/VTS_01_0.IFO");
    EXPECT_EQ(end("VIDEO_TS.BUP"), be32(vmg, 0x0C));
    EXPECT_EQ(at("VTS_01_0.IFO"), be32(vmg, be32(vmg, 0xC4) * kSector + 16)); // the first title's set
    EXPECT_EQ(at("VTS_01_1.VOB") - at("VTS_01_0.IFO"), be32(vts, 0xC4));
    EXPECT_EQ(end("VTS_01_0.BUP") - at("VTS_01_0.IFO"), be32(vts, 0x0C));
    const auto listing = [](const std::string& path) {
        const std::string text = output("lsdvd -x '" + path + "' 2>/dev/null");
        return std::regex_replace(text, std::regex("Disc Title: .*\n"), "");
    };
    EXPECT_NE(listing(dir + "/dvd").find("Title: 01, Length: 00:00:02"), std::string::npos)
        << listing(dir + "/dvd");
    EXPECT_EQ(listing(dir + "/dvd.iso"), listing(dir + "/dvd"));
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
    const std::string good = dir + "/good";
    makeFolder(good, dvd());
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
        {dir + "/overlap", dir + "/overlap.iso",
         "place VTS_01_0.IFO at sector 1, inside the data before it (from sector 6)", dvd()},
        {dir + "/no-vmg", dir + "/no-vmg.iso", "/no-vmg/VIDEO_TS/VIDEO_TS.IFO is no VMG IFO file", dvd()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        if (!c.files.empty()) makeFolder(c.folder, c.files, {{"VTS_01_0.IFO", 1}});
        if (c.folder == dir + "/no-vmg")
            mivo::test::writeText(c.folder + "/VIDEO_TS/VIDEO_TS.IFO", content("x", 6144));
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
    fs::resize_file(good + "/VIDEO_TS/VTS_01_1.VOB", 300 * kSector);
    // A disk that fills half way through the file data.
    mivo::test::SmallDisk disk(1 << 20);
    if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
    makeFolder(good, dvd({{"VTS_01_1.VOB", 2 << 20}}));
    EXPECT_FALSE(writeDvdImage(good, disk.folder() + "dvd.iso", "X", error));
    EXPECT_NE(error.find("cannot write the image " + disk.folder() + "dvd.iso: No space left on device"),
              std::string::npos)
        << error;
    EXPECT_TRUE(fs::is_empty(disk.folder()));
}

} // namespace
} // namespace mivo::encoder::disc
