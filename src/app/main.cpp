// The program's entry point. It takes no arguments.

#include "gui/app_main.h"

int main(int argc, char** argv) {
    return mivo::runProgram(argc, argv);
}
