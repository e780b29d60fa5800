// The Disc page: its choices go into the ini file and come back from it, the audio the disc cannot carry
// is said to be converted, and "encode" refuses a disc whose tools are missing before the encoder runs.
#include "program/pages/disc_page.h"

#include "base/paths.h"
#include "core/status_line.h"
#include "program_world.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace mivo;
using namespace mivo::test;
namespace d = mivo::ids::disc;

namespace {

class DiscPageTest : public ProgramWorld {
  protected:
    std::string text(int id) { return controls().text(PageId::Disc, id); }
    void click(int id) { ASSERT_TRUE(controls().userClick(PageId::Disc, id)) << id; }
    void chooseFolder(const fs::path& folder) {
        dialogs.folders.push_back(folder.string());
        click(d::folderButton);
    }
    // A second of a tone in `codec` at 48 kHz, as a recorder leaves it.
    std::string audioFile(const std::string& codec, const std::string& name) {
        const fs::path file = prog / name;
        const std::string command = "ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                                    "sine=frequency=440:sample_rate=48000:duration=1 -ac 2 -c:a " +
                                    codec + " '" + file.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return file.string();
    }
};

TEST_F(DiscPageTest, ChoicesGoIntoTheIniFileAndComeBackFromIt) {
    start();
    openProject();
    EXPECT_EQ(text(d::folderButton), "DVD folder (not set, no disc)");
    EXPECT_FALSE(controls().enabled(PageId::Disc, d::imageButton)); // an image needs its folder
    chooseFolder(prog / "disc");
    dialogs.files.push_back((prog / "disc.iso").string());
    click(d::imageButton);
    ASSERT_TRUE(controls().userType(PageId::Disc, d::audioTrackEdit, "3"));
    EXPECT_EQ(controls().pos(PageId::Disc, d::audioTrackUpDown), 3);
    ASSERT_TRUE(controls().userType(PageId::Disc, d::audioTrackEdit, "9")); // no such track: kept
    EXPECT_EQ(program->settings().audioTrack, 3);
    // The line holds 200 characters: a deep test folder cuts the image's name.
    const std::string where =
        " disc in " + (prog / "disc").string() + "/VIDEO_TS and " + (prog / "disc.iso").string();
    EXPECT_EQ(status(), where.substr(0, StatusBuffer::kCapacity));

    controls().userClick(PageId::Main, ids::main::saveMivoIniButton);
    const std::string ini = readFile(prog / "Mivo.ini");
    EXPECT_NE(ini.find("*DVDFOLDER        " + (prog / "disc").string() + "\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("*DVDISO           " + (prog / "disc.iso").string() + "\r\n"), std::string::npos);
    EXPECT_NE(ini.find("*AUDIOTRACK       3\r\n"), std::string::npos);

    click(d::noDiscButton);
    EXPECT_EQ(program->settings().dvdFolder, "");
    EXPECT_EQ(program->settings().dvdIso, "");
    EXPECT_EQ(text(d::imageButton), "ISO image (not set)");
    controls().userClick(PageId::Main, ids::main::loadMivoIniButton);
    EXPECT_EQ(text(d::folderButton), "DVD folder: " + displayForm((prog / "disc").string()));
    EXPECT_EQ(text(d::imageButton), "ISO image: " + displayForm((prog / "disc.iso").string()));
    EXPECT_EQ(text(d::audioTrackEdit), "3");
    EXPECT_EQ(controls().pos(PageId::Disc, d::audioTrackUpDown), 3);

    // An audio file stands for the source's tracks: the track no longer counts.
    const std::string mp2 = audioFile("mp2", "music.mp2");
    dialogs.files.push_back(mp2);
    click(d::audioFileButton);
    EXPECT_EQ(program->settings().audioFile, mp2);
    EXPECT_FALSE(controls().enabled(PageId::Disc, d::audioTrackEdit));
    click(d::sourceAudioButton);
    EXPECT_EQ(program->settings().audioFile, "");
    EXPECT_TRUE(controls().enabled(PageId::Disc, d::audioTrackEdit));

    // A file that asks for no disc, and a broken one that named a folder before its error, leave none:
    // the next "encode" must not author the disc of the file loaded before.
    for (const std::string& ini : {std::string("*BITRATE          5000\r\n"),
                                   "*DVDFOLDER        " + (prog / "other").string() + "\r\n*WAIT soon\r\n"}) {
        SCOPED_TRACE(ini);
        controls().userClick(PageId::Main, ids::main::loadMivoIniButton);
        ASSERT_EQ(program->settings().dvdFolder, (prog / "disc").string());
        writeFile(prog / "other.ini", ini);
        dialogs.files.push_back((prog / "other.ini").string());
        controls().userClick(PageId::Main, ids::main::loadIniButton);
        EXPECT_EQ(program->settings().dvdFolder, "");
        EXPECT_EQ(program->settings().dvdIso, "");
        EXPECT_EQ(program->settings().audioTrack, 1);
        EXPECT_EQ(text(d::folderButton), "DVD folder (not set, no disc)");
    }
}

TEST_F(DiscPageTest, AudioTheDiscCannotCarrySaysItWillBeConverted) {
    struct Case {
        const char* rate;
        const char* size;
        const char* codec;
        const char* file;
        std::string info; // what the page says of the audio
        bool onStatus;    // the conversion is said on the status line too
    };
    const Case cases[] = {
        {"25 1", "720 576", "mp2", "a.mp2", "mp2 48 kHz 2 ch: copied", false},
        {"30000 1001", "720 480", "mp2", "a.mp2",
         "mp2 48 kHz 2 ch: will be converted to AC-3 192 kbit/s (an NTSC disc carries MPEG audio only beside "
         "AC-3)",
         true},
        {"30000 1001", "720 480", "ac3", "a.ac3", "ac3 48 kHz 2 ch: copied", false},
        {"25 1", "720 576", "pcm_s16le", "a.wav",
         "pcm_s16le 48 kHz 2 ch: will be converted to AC-3 192 kbit/s (a DVD carries AC-3, LPCM or MPEG "
         "audio)",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rate) + " " + c.file);
        program.reset();
        start();
        openProject(c.rate, c.size);
        chooseFolder(prog / "disc");
        dialogs.files.push_back(audioFile(c.codec, c.file));
        click(d::audioFileButton);
        EXPECT_EQ(text(d::audioInfo), c.info);
        EXPECT_EQ(status().find(" disc audio: " + c.info) != std::string::npos, c.onStatus) << status();
        // The DVD checks of a source opened with a disc asked say it too.
        dialogs.files.push_back((prog / "video" / "movie.d2v").string());
        controls().userClick(PageId::Main, ids::main::inputFileButton);
        EXPECT_EQ(status().find(", disc audio will be converted to AC-3") != std::string::npos, c.onStatus)
            << status();
    }
}

TEST_F(DiscPageTest, EncodeRefusesADiscWhoseToolIsMissingBeforeTheEncoderRuns) {
    start();
    openProject();
    placeEncoderDouble();
    writeFile(prog / "video" / "movie.m2v", "the earlier stream");
    dialogs.answers.push_back(MessageAnswer::Yes); // overwrite the output
    chooseFolder(prog / "disc");
    {
        fs::create_directories(prog / "nothing");
        ScopedEnv path("PATH", (prog / "nothing").string());
        program->discPage().refresh();
        EXPECT_EQ(text(d::toolsInfo),
                  "the disc needs mplex, which is not installed (Debian package mjpegtools)");
        encode();
        EXPECT_EQ(status(),
                  " the disc needs mplex, which is not installed (Debian package mjpegtools), encode "
                  "not started");
    }
    EXPECT_TRUE(encoderRuns().empty());
    EXPECT_EQ(readFile(prog / "video" / "movie.m2v"), "the earlier stream");
    EXPECT_FALSE(fs::exists(prog / "disc"));
    // With the tools there the same settings start the encoder.
    program->discPage().refresh();
    EXPECT_EQ(text(d::toolsInfo), "the tools of the disc steps are installed");
    dialogs.answers.push_back(MessageAnswer::Yes);
    encode();
    EXPECT_EQ(encoderRuns().size(), 1u) << status();
}

} // namespace
