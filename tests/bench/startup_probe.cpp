// The program's whole start-up, ended as soon as the main window is shown: what the start-up benchmark
// times, process start to quit.
// usage: startup_probe [PROGRAM_FOLDER]  (the folder of the probe itself when none is given)
#include "gui/app_main.h"

#include <string>

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? std::string(argv[1]) + "/" : std::string();
    return mivo::runProgram(argc > 1 ? 1 : argc, argv, true, folder);
}
