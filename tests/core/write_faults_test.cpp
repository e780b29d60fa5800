// Every file the program writes is written whole or not at all: on a disk that fills up, a folder that
// turns read-only after a first save or a target that cannot be replaced, the earlier file stays as it
// was, nothing half-written is left beside it, the writer's message says which step failed, and the same
// write works once there is room.

#include "../support/small_disk.h"
#include "base/whole_file.h"
#include "core/control_model.h"
#include "core/lists/chapter_file.h"
#include "core/lists/panscan_file.h"
#include "core/matrix/matrix_file.h"
#include "core/picture/bitmap_file.h"
#include "core/settings/ini_codec.h"
#include "core/settings/settings.h"
#include "core/source_state.h"
#include "core/status_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace mivo {
namespace {

struct Record {
    SourceState source;
    std::unique_ptr<Settings> s = std::make_unique<Settings>(source);
    ControlModel controls;
    StatusLine status{controls};

    // Two different contents for every writer: the lists and the matrix pair of variant 0 or 1.
    void set(int variant) {
        s->chapterCount = s->panScanCount = 2 + variant;
        for (std::size_t i = 0; i < 3; ++i) {
            s->chapterFrames[i] = 10 * static_cast<int>(i) + variant;
            s->panScanFrames[i] = 10 * static_cast<int>(i);
        }
        pair.intra.fill(static_cast<std::uint16_t>(16 + variant));
    }
    MatrixPair pair;
};

// One writer of the program: its file, a write that returns its message, and its messages for success,
// a file that cannot be made and a disk that fills up.
struct Writer {
    const char* file;
    std::string (*write)(Record&, const std::string& path);
    const char* messages[3];
};

std::string bitmap(Record& r, const std::string& path) {
    const int w = 64 + 8 * r.s->chapterFrames[0], h = 48;
    std::vector<std::uint8_t> y(static_cast<std::size_t>(w * h), 90), c(y.size() / 4, 128);
    picture::PictureBuffer picture;
    picture.build({y.data(), c.data(), c.data(), w, h});
    std::string written;
    WriteFailure failure = WriteFailure::None;
    const std::string folder = std::filesystem::path(path).parent_path().string() + "/";
    return picture::writeBitmapFile(picture, folder, 7, written, &failure) ? "bitmap"
           : failure == WriteFailure::Open                                 ? "open"
                                                                           : "write";
}

const Writer kWriters[] = {
    {"Mivo.ini",
     [](Record& r, const std::string& p) {
         return writeIni(p, *r.s, r.status), std::string(r.status.buffer());
     },
     {" file successfully written", " error writing ini file", " error writing ini file"}},
    {"chapters.txt",
     [](Record& r, const std::string& p) { return lists::exportChapterFile(*r.s, p).status; },
     {" chapter file written", " error opening chapter file", " error writing chapter file"}},
    {"panscan.txt",
     [](Record& r, const std::string& p) { return lists::exportPanScanFile(*r.s, p).status; },
     {" panscan file written", " error opening panscan file", " error writing panscan file"}},
    {"pair.mtx",
     [](Record& r, const std::string& p) {
         return std::string(matrixExportMessage(writeMatrixMtx(p, r.pair)));
     },
     {" matrix file successfully written", "error writing matrix file", "error writing matrix file"}},
    {"pair.cqm",
     [](Record& r, const std::string& p) {
         return std::string(matrixExportMessage(writeMatrixCqm(p, r.pair)));
     },
     {" matrix file successfully written", "error writing matrix file", "error writing matrix file"}},
    {"000007.bmp", bitmap, {"bitmap", "open", "write"}},
};

std::string contents(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(readWholeFile(path, bytes)) << path;
    return bytes;
}

TEST(WriteFaults, EveryWriterKeepsTheEarlierFileWhenTheDiskFillsOrTurnsReadOnly) {
    test::SmallDisk disk;
    if (!disk.mounted()) RecordProperty("small_disk", "refused, seam: " + disk.refusal());
    Record r;
    for (const Writer& w : kWriters) {
        for (const bool full : {true, false}) {
            SCOPED_TRACE(std::string(w.file) + (full ? " on a full disk" : " in a read-only folder"));
            const std::string path = disk.folder() + w.file;
            r.set(0);
            ASSERT_EQ(w.write(r, path), w.messages[0]);
            const std::string earlier = contents(path);

            full ? disk.fill() : disk.makeReadOnly();
            r.set(1);
            EXPECT_EQ(w.write(r, path), w.messages[full ? 2 : 1]);
            EXPECT_EQ(contents(path), earlier);
            EXPECT_FALSE(std::filesystem::exists(temporaryBeside(path)));

            disk.restore();
            ASSERT_EQ(w.write(r, path), w.messages[0]) << "the same write works once there is room";
            EXPECT_NE(contents(path), earlier);
        }
    }
}

TEST(WriteFaults, AStreamThatFailsOrIsAbandonedHalfWayLeavesTheEarlierFile) {
    const auto folder = std::filesystem::path(MIVO_BINARY_DIR) / "test-tmp" / "write_faults";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "out.m2v").string();
    ASSERT_TRUE(writeWholeFile(path, "earlier"));
    const std::string chunk(1000, 'x');
    {
        WholeFileStream abandoned(path);
        ASSERT_TRUE(abandoned.open() && abandoned.write(chunk.data(), chunk.size()));
    }
    EXPECT_FALSE(std::filesystem::exists(temporaryBeside(path))) << "an abandoned stream cleans up";
    // Full after 2500 bytes: the third chunk fails half written, and the stream cleans up at once.
    injectWriteFault(WriteFault::DiskFull, 2500);
    WholeFileStream out(path);
    ASSERT_TRUE(out.open());
    EXPECT_TRUE(out.write(chunk.data(), chunk.size()));
    EXPECT_TRUE(out.write(chunk.data(), chunk.size()));
    EXPECT_FALSE(out.write(chunk.data(), chunk.size()));
    EXPECT_FALSE(std::filesystem::exists(out.temporary()));
    EXPECT_FALSE(out.write(chunk.data(), 1));
    EXPECT_FALSE(out.commit());
    EXPECT_EQ(out.failure(), WriteFailure::Write);
    EXPECT_EQ(contents(path), "earlier");
    WriteFailure failure = WriteFailure::None;
    EXPECT_FALSE(writeWholeFile(path, std::string(2501, 'y'), &failure)) << "one byte past the room";
    EXPECT_EQ(failure, WriteFailure::Write);
    EXPECT_TRUE(writeWholeFile(path, chunk + chunk + chunk.substr(500))) << "a file that just fits";
    injectWriteFault(WriteFault::None);
    EXPECT_EQ(contents(path).size(), 2500u);
    EXPECT_FALSE(std::filesystem::exists(temporaryBeside(path)));
    // A name that is a folder fails before anything is made beside it.
    EXPECT_FALSE(writeWholeFile(folder.string(), "x", &failure));
    EXPECT_EQ(failure, WriteFailure::Open);
    EXPECT_FALSE(std::filesystem::exists(temporaryBeside(folder.string())));
    // A folder that takes the name while the stream is written: the rename fails, and the complete
    // temporary file goes with it.
    const std::string late = (folder / "late.m2v").string();
    WholeFileStream replaced(late);
    ASSERT_TRUE(replaced.open() && replaced.write(chunk.data(), chunk.size()));
    std::filesystem::create_directories(std::filesystem::path(late) / "inside");
    std::string why;
    EXPECT_FALSE(replaced.commit(&why));
    EXPECT_EQ(replaced.failure(), WriteFailure::Replace);
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(std::filesystem::exists(temporaryBeside(late)));
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace mivo
