// The program's whole start-up, ended as soon as the main window is shown: what the start-up benchmark
// times, process start to quit.
#include "gui/app_main.h"

int main(int argc, char** argv) {
    return mivo::runProgram(argc, argv, true);
}
