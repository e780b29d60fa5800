// The encoder's progress window is a library of the program folder that the back end loads at run time.
// With it and a display the encode is shown in the window (a display that cannot be reached makes Qt
// draw nowhere, and the window closes by itself); without it, with *SILENT or without a display, the
// back end prints its progress on standard output instead. Every run encodes all the same.

#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>

namespace mivo::encoder {
namespace {

namespace fs = std::filesystem;
using mivo::test::readText;
using mivo::test::writeText;

TEST(ProgressWindow, ShownWhenItsLibraryLoadsElseProgressLines) {
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
    const std::string noDisplay = "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DISPLAY";
    struct Case {
        const char* what;
        const char* library; // "" none, "real" the built one, else the text of a file that is no library
        std::string environment;
        bool silent;
        bool progressLines;
    };
    const Case cases[] = {
        {"window library and a display", "real", unreachable, false, false},
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

} // namespace
} // namespace mivo::encoder
