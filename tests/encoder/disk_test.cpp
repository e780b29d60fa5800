// The encoder program on a small disk of its own: the output on a disk that fills up, the log in a
// folder that turns read-only, and an installed copy whose program folder cannot be written at all.

#include "../support/small_disk.h"
#include "stream_maker.h"
#include "test_support.h"

#include "base/whole_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace mivo::test {
namespace {

namespace fs = std::filesystem;

// Starts the encoder with no arguments in `folder`, its reports going to `reports`; its exit code.
int runEncoder(const std::string& folder, const std::string& reports, const std::string& environment = {}) {
    const std::string command = "cd '" + folder + "' && " + environment + " ./Dazuzer_024.exe > '" + reports +
                                "/stdout.txt' 2> '" + reports + "/stderr.txt'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A program folder with the encoder and the decoder library copy, and a project of 12 frames.
std::string encoderFolder(const std::string& folder) {
    fs::copy_file(MIVO_ENCODER_PROGRAM, folder + "/Dazuzer_024.exe");
    fs::copy_file(MIVO_DECODER_LIBRARY, folder + "/DGDecode.dll");
    StreamSpec spec;
    spec.frames = 12;
    const std::string project = scratchFolder("encoder-disk-source") + "/source.d2v";
    indexProject({makeStream(spec)}, project);
    return project;
}

TEST(EncoderOnASmallDisk, AFullDiskOrReadOnlyFolderLeavesTheEarlierOutputAndLog) {
    SmallDisk disk;
    if (!disk.mounted()) GTEST_SKIP() << "no disk to fill for another process: " << disk.refusal();
    const std::string folder = scratchFolder("encoder-disk");
    const std::string project = encoderFolder(folder);
    const std::string out = disk.folder() + "out.m2v", log = disk.folder() + "enc.log";
    writeText(out, "earlier output");
    writeText(log, "earlier log");
    writeText(folder + "/Mivo.ini", "*INFILE " + project + "\n*OUTFILE " + out + "\n*LOGFILE " + log + "\n");
    for (const bool full : {true, false}) {
        SCOPED_TRACE(full ? "full disk" : "read-only folder");
        full ? disk.fill() : disk.makeReadOnly();
        EXPECT_EQ(runEncoder(folder, folder), 1);
        EXPECT_FALSE(readText(folder + "/stderr.txt").empty()) << "the failure is reported";
        EXPECT_EQ(readText(out), "earlier output");
        EXPECT_EQ(readText(log), "earlier log");
        EXPECT_FALSE(fs::exists(temporaryBeside(out)));
        EXPECT_FALSE(fs::exists(temporaryBeside(log)));
        disk.restore();
    }
    EXPECT_EQ(runEncoder(folder, folder), 0) << readText(folder + "/stderr.txt");
    EXPECT_GT(fs::file_size(out), 1000u);
}

TEST(EncoderOnASmallDisk, AnInstalledCopyReadsMivoIniInTheUsersFolder) {
    SmallDisk disk(std::size_t{512} << 20); // room for the program, of any build
    if (!disk.mounted()) GTEST_SKIP() << "no read-only program folder: " << disk.refusal();
    const std::string program = disk.folder().substr(0, disk.folder().size() - 1);
    const std::string project = encoderFolder(program);
    const std::string config = scratchFolder("encoder-config");
    fs::create_directories(config + "/mivogui");
    fs::copy_file(program + "/DGDecode.dll", config + "/mivogui/DGDecode.dll");
    fs::remove(program + "/DGDecode.dll");
    const std::string out = config + "/out.m2v";
    writeText(config + "/mivogui/Mivo.ini", "*INFILE " + project + "\n*OUTFILE " + out + "\n*1PASS\n");
    disk.makeReadOnly();
    EXPECT_EQ(runEncoder(program, config, "XDG_CONFIG_HOME='" + config + "'"), 0)
        << readText(config + "/stderr.txt");
    EXPECT_GT(fs::file_size(out), 1000u);
}

} // namespace
} // namespace mivo::test
