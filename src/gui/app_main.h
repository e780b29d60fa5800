#pragma once

#include <string>

namespace mivo {

// The whole program: start-up, message loop, teardown. quitWhenShown ends the loop as soon as the
// main window has been shown, and programFolder stands for the folder of the program file (both used
// to measure start-up).
int runProgram(int argc, char** argv, bool quitWhenShown = false, const std::string& programFolder = {});

// The program's look: the classic flat style with fully hinted text, unless the user named a style (a
// -style argument or QT_STYLE_OVERRIDE). The arguments are the ones the application object has not yet
// seen.
bool userNamedStyle(int argc, char** argv);
void useProgramStyle();

} // namespace mivo
