// What the encoder back end finds beside itself in its program folder: its progress window's library and
// a frame server copied there.

#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace mivo::encoder {
namespace {

namespace fs = std::filesystem;
using mivo::test::readText;
using mivo::test::writeText;

// The progress window is a library the back end loads at run time. With it and a display the encode is
// shown in the window (a display that cannot be reached makes Qt draw nowhere, and the window closes by
// itself); without it, with *SILENT or without a display, the back end prints its progress on standard
// output instead. Every run encodes all the same.
TEST(ProgramFolder, ProgressWindowWhenItsLibraryLoadsElseProgressLines) {
    const std::string dir = mivo::test::scratchFolder("encoder-progress-window");
    const auto path = [&](const std::string& name) { return dir + "/" + name; };
    fs::copy_file(MIVO_ENCODER_PROGRAM, path("Dazuzer_024.exe"));
    fs::create_directories(path("DGDecode"));
    fs::copy_file(MIVO_DECODER_LIBRARY, path("DGDecode/DGDecode16.dll"));
    mivo::test::StreamSpec spec;
    spec.frames = 6;
    const std::string project = path("source.d2v");
    mivo::test::indexProject({mivo::test::makeStream(spec)}, project);
    const std::string ini = "*INFILE " + project + "\n*OUTFILE " + path("out.m2v") + "\n*1PASS\n";

    const std::string unreachable = "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:59999";
    // LeakSanitizer's tracer now and then crashes at the exit of a process whose Qt helper threads are
    // still winding down (a busy machine makes it likelier); the window's run is not checked for leaks.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    const std::string window =
        unreachable + " ASAN_OPTIONS=" + (sanitizer ? std::string(sanitizer) + ":" : "") + "detect_leaks=0";
    const std::string noDisplay = "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DISPLAY";
    struct Case {
        const char* what;
        const char* library; // "" none, "real" the built one, else the text of a file that is no library
        std::string environment;
        bool silent;
        bool progressLines;
    };
    const Case cases[] = {
        {"window library and a display", "real", window, false, false},
        {"no window library", "", unreachable, false, true},
        {"a window library that does not load", "not a shared object", unreachable, false, true},
        {"window library, *SILENT", "real", unreachable, true, true},
        {"window library, no display", "real", noDisplay, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(path("libmivo_progress_window.so"));
        fs::remove(path("out.m2v"));
        if (std::string(c.library) == "real")
            fs::copy_file(MIVO_PROGRESS_WINDOW_LIBRARY, path("libmivo_progress_window.so"));
        else if (*c.library)
            writeText(path("libmivo_progress_window.so"), c.library);
        writeText(path("Mivo.ini"), ini + (c.silent ? "*SILENT\n" : ""));
        const std::string command =
            "cd '" + dir + "' && " + c.environment + " ./Dazuzer_024.exe > stdout.txt 2> stderr.txt";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readText(path("stderr.txt"));
        EXPECT_TRUE(fs::exists(path("out.m2v")));
        const std::string lines = readText(path("stdout.txt"));
        EXPECT_EQ(lines.find("done: 6 frames") != std::string::npos, c.progressLines) << lines;
    }
}

// AviSynth+ copied beside the program keeps the name its build gave it; the back end finds it under
// any of them, without the variable that tests otherwise point it with.
TEST(ProgramFolder, FrameServerUnderAVersionedName) {
    for (const char* name : {"libavisynth.so", "libavisynth.so.11", "libavisynth.so.3.7.5"})
        if (void* installed = ::dlopen(name, RTLD_LAZY | RTLD_LOCAL)) {
            ::dlclose(installed);
            GTEST_SKIP() << "an installed frame server (" << name << ") would be found first";
        }
    const std::string dir = mivo::test::scratchFolder("encoder-versioned-frame-server");
    const auto path = [&](const std::string& name) { return dir + "/" + name; };
    fs::copy_file(MIVO_ENCODER_PROGRAM, path("Dazuzer_024.exe"));
    writeText(path("clip.avs"),
              "synthetic-source\nsize 352 288\nrate 25 1\nframes 5\nramp from 0\npixel YV12\n");
    writeText(path("Mivo.ini"),
              "*INFILE " + path("clip.avs") + "\n*OUTFILE " + path("out.m2v") + "\n*1PASS\n*SILENT\n");
    const auto run = [&] {
        const std::string command =
            "cd '" + dir +
            "' && env -u MIVO_FRAME_SERVER_LIBRARY ./Dazuzer_024.exe > stdout.txt 2> stderr.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run(), 1) << "no frame server beside the program yet";
    for (const char* name : {"libavisynth.so.3.7.5", "libavisynth.so.11"}) {
        SCOPED_TRACE(name);
        fs::remove(path("out.m2v"));
        fs::copy_file(MIVO_AVISYNTH_DOUBLE, path(name));
        ASSERT_EQ(run(), 0) << readText(path("stderr.txt"));
        EXPECT_GT(fs::file_size(path("out.m2v")), 0u);
    }
}

// The front-end's DGDecode.dll copy belongs to the job the window started; a queued job given as the
// argument loads its version's library from DGDecode/ even while such a copy lies beside the program.
TEST(ProgramFolder, AJobFileLeavesTheFrontEndsDecoderCopyAlone) {
    const std::string dir = mivo::test::scratchFolder("encoder-job-decoder-copy");
    const auto path = [&](const std::string& name) { return dir + "/" + name; };
    fs::copy_file(MIVO_ENCODER_PROGRAM, path("Dazuzer_024.exe"));
    fs::create_directories(path("DGDecode"));
    fs::copy_file(MIVO_DECODER_LIBRARY, path("DGDecode/DGDecode16.dll"));
    writeText(path("DGDecode.dll"), "not a library: the copy of another job");
    mivo::test::StreamSpec spec;
    spec.frames = 6;
    mivo::test::indexProject({mivo::test::makeStream(spec)}, path("source.d2v"));
    const std::string job =
        "*INFILE " + path("source.d2v") + "\n*OUTFILE " + path("out.m2v") + "\n*1PASS\n*SILENT\n";
    writeText(path("job.ini"), job);
    writeText(path("Mivo.ini"), job);
    const auto run = [&](const std::string& argument) {
        const std::string command =
            "cd '" + dir + "' && ./Dazuzer_024.exe " + argument + " > stdout.txt 2> stderr.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    ASSERT_EQ(run("job.ini"), 0) << readText(path("stderr.txt"));
    EXPECT_GT(fs::file_size(path("out.m2v")), 0u);
    EXPECT_EQ(run(""), 1) << "the front-end's own job takes the copy it was given";
}

} // namespace
} // namespace mivo::encoder
