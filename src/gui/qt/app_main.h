#pragma once

namespace mivo {

// The whole program: start-up, message loop, teardown. quitWhenShown ends the loop as soon as the
// main window has been shown (used to measure start-up).
int runProgram(int argc, char** argv, bool quitWhenShown = false);

} // namespace mivo
