// "encode", "about Mivo" and "exit" with the encoder double: what the encoder finds when it runs, the
// window hidden for as long as it runs, the refusals, and the ways the encoder is started.
#include "program/pages/disc_page.h"
#include "program/pages/encoder_launch.h"

#include "../core/program_file_image.h"
#include "avisynth_test_support.h"
#include "program_world.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

using namespace mivo;
using namespace mivo::test;
namespace w = mivo::ids::window;

namespace {

class EncoderLaunch : public ProgramWorld {
  protected:
    std::vector<bool> visibility; // every call of the shell's window switch
    int whileEncodingCalls = 0;

    void SetUp() override {
        ProgramWorld::SetUp();
        shell.setWindowVisible = [this](bool v) { visibility.push_back(v); };
    }
    bool copyPresent() const { return fs::exists(prog / "DGDecode.dll"); }
};

TEST_F(EncoderLaunch, TheEncoderReadsWhatSaveMivoIniWrites) {
    start();
    openProject();
    placeEncoderDouble();
    controls().userClick(PageId::Main, ids::main::saveMivoIniButton);
    const std::string saved = readFile(prog / "Mivo.ini");
    ASSERT_FALSE(saved.empty());
    fs::remove(prog / "Mivo.ini");
    program->source().currentFrame = 7;

    encode();
    EXPECT_EQ(status(), " encoding finished");
    const std::vector<std::string> runs = encoderRuns();
    ASSERT_EQ(runs.size(), 1u);
    const std::string expectedHead = "--- run in " + prog.string() +
                                     "\narguments: 0\ninherited handles: none\n"
                                     "DGDecode.dll: copy of DGDecode/DGDecode16.dll\n";
    EXPECT_EQ(runs[0], expectedHead + saved);
    EXPECT_EQ(readFile(prog / "Mivo.ini"), saved);
    EXPECT_FALSE(copyPresent());
    EXPECT_EQ(program->source().currentFrame, 0);
    EXPECT_EQ(visibility, (std::vector<bool>{false, true}));
}

class EncoderLaunchAvisynth : public AvisynthDoubleTest {};

TEST_F(EncoderLaunchAvisynth, NoFrameServerObjectsWhileTheEncoderRuns) {
    QueuedDialogs dialogs;
    ProgramShell shell;
    std::vector<DoubleCounts> during;
    shell.whileEncoding = [&] { during.push_back(counts()); };
    const fs::path prog = fs::path(dir_) / "prog";
    fs::create_directories(prog);
    ProgramOptions options;
    options.programFolder = prog.string() + "/";
    options.cpuLevel = 2;
    Program program(dialogs, shell, options);
    program.startUp();
    fs::copy_file(fs::path(MIVO_DOUBLES_DIR) / "mivo_encoder_double", prog / "Dazuzer_024.exe");
    fs::permissions(prog / "Dazuzer_024.exe", fs::perms::owner_exec, fs::perm_options::add);
    const std::string script =
        writeScript("clip.avs", "synthetic-source\nsize 720 576\nrate 25 1\nframes 100\npixel YV12\n");
    dialogs.files = {script, (prog / "clip.m2v").string()};
    program.controls().userClick(PageId::Main, ids::main::inputFileButton);
    program.controls().userClick(PageId::Main, ids::main::outputFileButton);
    ASSERT_TRUE(program.source().sourceReady);
    ASSERT_EQ(counts().environments, 1);

    const ScopedEnv delay("MIVO_ENCODER_DOUBLE_MS", "300");
    program.controls().userClick(PageId::Window, w::encode);
    EXPECT_EQ(program.controls().text(PageId::Window, w::status),
              " encoding finished, Avisynth successfully re-initialized");
    ASSERT_FALSE(during.empty());
    for (const DoubleCounts& c : during) {
        EXPECT_EQ(c.environments, 0);
        EXPECT_EQ(c.clips, 0);
        EXPECT_EQ(c.clipHandles, 0);
    }
    EXPECT_EQ(counts().environments, 1);
    EXPECT_EQ(counts().clipHandles, 1);
    EXPECT_EQ(counts().misuse, 0);
    EXPECT_TRUE(program.source().sourceReady);
    EXPECT_FALSE(fs::exists(prog / "DGDecode.dll"));
    program.tearDown();
}

TEST_F(EncoderLaunch, RefusalsLeaveNoRunAndNoLibraryCopy) {
    start();
    openProject();
    placeEncoderDouble();

    // Constant quantisation with a value that is no number, as the keyboard leaves it when "encode" is
    // pressed without the field losing the focus.
    controls().setChecked(PageId::Settings1, ids::settings1::constantQuantCheck, true);
    controls().setText(PageId::Settings1, ids::settings1::quantValueEdit, "five");
    controls().notify(PageId::Window, w::encode, Notify::Default);
    EXPECT_EQ(status(), " Mivo.ini write aborted, invalid CQ value, not a number, can't start encode...");
    EXPECT_FALSE(fs::exists(prog / "Mivo.ini"));
    EXPECT_FALSE(copyPresent());
    EXPECT_TRUE(encoderRuns().empty());
    controls().setChecked(PageId::Settings1, ids::settings1::constantQuantCheck, false);

    // An existing output file and the answer No.
    writeFile(prog / "video" / "movie.m2v", "earlier");
    dialogs.answers.push_back(MessageAnswer::No);
    encode();
    EXPECT_EQ(status(), " please rename outputfile");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Mivo message|m2v output file already exists, OVERWRITE ?");
    EXPECT_FALSE(fs::exists(prog / "Mivo.ini"));
    EXPECT_TRUE(encoderRuns().empty());
    EXPECT_EQ(readFile(prog / "video" / "movie.m2v"), "earlier");

    // No encoder: the ini file is written all the same, the copy goes again.
    fs::remove(prog / "Dazuzer_024.exe");
    dialogs.answers.push_back(MessageAnswer::Yes);
    encode();
    EXPECT_EQ(status(), " encoder " + folder() + "Dazuzer_024.exe NOT found");
    EXPECT_TRUE(fs::exists(prog / "Mivo.ini"));
    EXPECT_FALSE(copyPresent());

    // The project's library cannot be copied: the encoder must not start with a stale one.
    placeEncoderDouble();
    fs::remove(prog / "Mivo.ini");
    fs::remove(prog / "DGDecode" / "DGDecode16.dll");
    writeFile(prog / "DGDecode.dll", "stale");
    dialogs.answers.push_back(MessageAnswer::Yes);
    encode();
    EXPECT_EQ(status(), " can't copy DGDecode16.dll to DGDecode.dll, encode not started");
    EXPECT_FALSE(copyPresent());
    EXPECT_FALSE(fs::exists(prog / "Mivo.ini"));
    EXPECT_TRUE(encoderRuns().empty());
    EXPECT_TRUE(visibility.empty());
}

TEST_F(EncoderLaunch, AWindowsProgramFileGoesThroughWine) {
    start();
    openProject();
    const std::vector<std::uint8_t> image = makeProgramFile(false, 0x00000018, 0x00000000);
    writeFile(prog / "Dazuzer_024.exe", std::string(image.begin(), image.end()));

    // A wine that notes its working folder and arguments.
    const fs::path bin = prog / "bin";
    writeFile(bin / "wine",
              "#!/bin/sh\nprintf '%s\\n' \"$(pwd -P)\" \"$#\" \"$@\" > \"${0%/*}/wine-called\"\n");
    fs::permissions(bin / "wine", fs::perms::owner_all);
    {
        const ScopedEnv path("PATH", bin.string());
        EXPECT_EQ(encoderLauncher((prog / "Dazuzer_024.exe").string()), (bin / "wine").string());
        encode();
    }
    EXPECT_EQ(status(), " encoding finished");
    EXPECT_EQ(readFile(bin / "wine-called"), prog.string() + "\n1\n" + folder() + "Dazuzer_024.exe\n");
    EXPECT_EQ(visibility, (std::vector<bool>{false, true}));

    // Without wine it cannot be started; the copy is removed and the frame position reset all the same.
    visibility.clear();
    program->source().currentFrame = 12;
    {
        const ScopedEnv path("PATH", (prog / "video").string());
        EXPECT_EQ(encoderLauncher((prog / "Dazuzer_024.exe").string()), std::nullopt);
        encode();
    }
    EXPECT_EQ(status(), " failed to start encoding, can't create process");
    EXPECT_FALSE(copyPresent());
    EXPECT_EQ(program->source().currentFrame, 0);
    EXPECT_TRUE(visibility.empty());

    // A program of this system is started as it is.
    placeEncoderDouble();
    EXPECT_EQ(encoderLauncher((prog / "Dazuzer_024.exe").string()), std::string());
}

TEST_F(EncoderLaunch, AFileThatCannotRunIsAFailedStart) {
    start();
    openProject();
    // Executable by its permissions, but neither a program nor a script.
    writeFile(prog / "Dazuzer_024.exe", "not a program\n");
    fs::permissions(prog / "Dazuzer_024.exe", fs::perms::owner_exec, fs::perm_options::add);
    encode();
    EXPECT_EQ(status(), " failed to start encoding, can't create process");
    // Not executable at all.
    fs::permissions(prog / "Dazuzer_024.exe", fs::perms::owner_exec, fs::perm_options::remove);
    encode();
    EXPECT_EQ(status(), " failed to start encoding, can't create process");
    EXPECT_TRUE(visibility.empty());
    EXPECT_FALSE(copyPresent());
}

TEST_F(EncoderLaunch, AboutBoxAndExit) {
    start();
    controls().userClick(PageId::Window, w::about);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const std::string& box = dialogs.messages[0];
    EXPECT_EQ(box.substr(0, box.find('|')), "Mivogui 024");
    const std::string text = box.substr(box.find('|') + 1);
    EXPECT_NE(text.find("MPEG-2"), std::string::npos);
    EXPECT_NE(text.find("0.24"), std::string::npos);
    EXPECT_NE(text.find("home page"), std::string::npos);
    // Two paragraphs.
    const std::size_t gap = text.find("\n\n");
    ASSERT_NE(gap, std::string::npos);
    EXPECT_EQ(text.find("\n\n", gap + 2), std::string::npos);

    int quitCode = -1;
    program->shell().postQuit = [&quitCode](int code) { quitCode = code; };
    controls().userClick(PageId::Window, w::exit);
    EXPECT_TRUE(program->quitPosted());
    EXPECT_EQ(quitCode, 0);
}

TEST(EncoderEndMessage, OnlyExitStatusZeroReadsAsFinished) {
    EXPECT_EQ(encoderEndMessage(0, "/v/enc.log"), " encoding finished");
    EXPECT_EQ(encoderEndMessage(1, "/v/enc.log"),
              " encoding FAILED, encoder exit code 1, see log file /v/enc.log");
    EXPECT_EQ(encoderEndMessage(-1, ""), " encoding FAILED, encoder exit code -1 (no log file chosen)");
}

TEST(EncoderEndMessage, ADiscRunSaysWhereTheDiscIsOrWhyThereIsNone) {
    const std::string log = "ERROR: an earlier run\nnote: x\nERROR: the disc needs mplex\r\n";
    const fs::path dir = fs::temp_directory_path() / ("mivo-disc-note-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const std::string folder = (dir / "d").string(), image = (dir / "d.iso").string();
    EXPECT_EQ(discEndNote(0, "", image, log), "");
    // A good end that left no disc (an encoder that knows no disc, a folder gone since) says so.
    EXPECT_EQ(discEndNote(0, folder, "", log), ", but NO disc was made in " + folder);
    fs::create_directories(dir / "d" / "VIDEO_TS");
    writeFile(dir / "d" / "VIDEO_TS" / "VIDEO_TS.IFO", "ifo");
    EXPECT_EQ(discEndNote(0, folder, "", log), ", disc in " + folder + "/VIDEO_TS");
    EXPECT_EQ(discEndNote(0, folder, image, log), ", but NO disc was made in " + folder);
    writeFile(image, "iso");
    EXPECT_EQ(discEndNote(0, folder, image, log), ", disc in " + folder + "/VIDEO_TS and " + image);
    EXPECT_EQ(discEndNote(1, folder, image, log), ": the disc needs mplex");
    EXPECT_EQ(discEndNote(1, folder, "", "no error line"), "");
    fs::remove_all(dir);
}

} // namespace
