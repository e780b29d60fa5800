// An installed copy: the program folder cannot be written, so Mivo.ini, the decoder library copy and
// the bitmaps live in the user's own folder ($XDG_CONFIG_HOME/mivogui/), which start-up reads from.

#include "../support/small_disk.h"
#include "program_world.h"

namespace mivo::test {
namespace {

using InstalledCopy = ProgramWorld;

TEST_F(InstalledCopy, KeepsWhatItWritesInTheUsersFolder) {
    SmallDisk disk(std::size_t{64} << 20);
    if (!disk.mounted()) GTEST_SKIP() << "no read-only program folder: " << disk.refusal();
    prog = disk.folder().substr(0, disk.folder().size() - 1);
    placeDecoder("16");
    disk.makeReadOnly();
    const fs::path config = fs::path(MIVO_BINARY_DIR) / "test-tmp" / "installed-config";
    fs::remove_all(config);
    const fs::path own = config / "mivogui";
    writeFile(config / "movie.vob", "synthetic-source\nframes 10\nramp\n");
    writeFile(config / "movie.d2v",
              "DGIndexProjectFile16\r\n1\r\n" + (config / "movie.vob").string() + "\r\n");
    writeFile(own / "Mivo.ini", "*INFILE           " + (config / "movie.d2v").string() + "\r\n");
    ScopedEnv xdg("XDG_CONFIG_HOME", config.string());

    start();
    EXPECT_TRUE(program->source().sourceReady) << status();
    EXPECT_EQ(program->paths().defaultIni, (own / "Mivo.ini").string());
    controls().userClick(PageId::Main, ids::main::saveMivoIniButton);
    EXPECT_EQ(status(), " file successfully written");
    EXPECT_NE(readFile(own / "Mivo.ini").find("*BITRATE"), std::string::npos) << "written by the program";
    controls().userSelect(PageId::Window, ids::window::tabs, 6);
    controls().userClick(PageId::Zones, ids::zones::createBitmapButton);
    EXPECT_EQ(status(), " bitmap created:   " + (own / "000000.bmp").string());
    EXPECT_TRUE(fs::exists(own / "000000.bmp"));
}

} // namespace
} // namespace mivo::test
