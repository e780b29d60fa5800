#include "program/pages/encoder_launch.h"

#include "base/whole_file.h"
#include "core/control_ids.h"
#include "core/source/d2v_check.h"
#include "platform/platform.h"
#include "program/pages/disc_page.h"
#include "program/preview/frame_preview.h"
#include "program/program.h"
#include "program/scan/scene_scan.h"

#include <fstream>

namespace mivo {

namespace {

// The encoder opens the library copy as soon as it starts; give the file system a moment to settle.
constexpr int kLibraryCopyPauseMs = 500;
// How often the wait for the encoder looks up (it has no time limit).
constexpr int kEncoderPollMs = 100;

// Windows program files start with the "MZ" of their DOS header.
bool isWindowsProgramFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[2] = {};
    return in.read(head, 2) && head[0] == 'M' && head[1] == 'Z';
}

// The copy is there only for the encoder. One that cannot be deleted is said, so nobody takes a library
// left behind for the project's own.
void removeLibraryCopy(Program& p) {
    if (!removeDecoderLibraryCopy(p.paths())) p.status().append(kLibraryCopyNotDeleted);
}

// The encoder loads the decoder library of the project's version under one fixed name. False, with the
// reason shown, when the copy cannot be made: the encoder would find no library or a stale one.
bool placeLibraryCopy(Program& p) {
    const SourceState& source = p.source();
    removeLibraryCopy(p);
    if (!platform::copyFile(source.decoderLibraryPath, p.paths().dgdecodeCopy)) {
        p.status().show(" can't copy " + decoderLibraryName(source.projectVersion) +
                        " to DGDecode.dll, encode not started");
        removeLibraryCopy(p);
        return false;
    }
    platform::sleepMs(kLibraryCopyPauseMs);
    return true;
}

// Runs the encoder to its end with the window hidden; its exit status, or nothing when it could not be
// started.
std::optional<int> runEncoder(Program& p) {
    const std::string& encoder = p.paths().encoder;
    const std::optional<std::string> launcher = encoderLauncher(encoder);
    platform::Process process;
    if (!launcher || !process.start(encoder, p.paths().programFolder, *launcher)) return std::nullopt;

    ProgramShell& shell = p.shell();
    if (shell.setWindowVisible) shell.setWindowVisible(false);
    if (shell.whileEncoding) {
        while (!process.waitFor(kEncoderPollMs))
            shell.whileEncoding();
    } else {
        process.wait();
    }
    const int exitCode = process.wait();
    process.closeHandles();
    if (shell.setWindowVisible) shell.setWindowVisible(true);
    p.controls().userLeave();
    return exitCode;
}

} // namespace

bool removeDecoderLibraryCopy(const ProgramPaths& paths) {
    return !platform::fileExists(paths.dgdecodeCopy) || platform::removeFile(paths.dgdecodeCopy);
}

std::string encoderEndMessage(int exitCode, const std::string& logFile) {
    if (exitCode == 0) return " encoding finished";
    // An encoder that refused its job or broke off must not read as a finished encode.
    const std::string text = " encoding FAILED, encoder exit code " + std::to_string(exitCode);
    return text + (logFile.empty() ? " (no log file chosen)" : ", see log file " + logFile);
}

const char* const kAboutTitle = "Mivogui 024";
const char* const kAboutText =
    "Mivogui 0.24 is the graphical front-end of the Dazuzer MPEG-2 encoder, release 0.24: it composes "
    "the encoder's settings, checks them against the DVD-Video rules, shows the source and starts the "
    "two-pass encode.\n\n"
    "News, downloads and help are on the program's home page, whose address comes with the program in "
    "its README.";

std::optional<std::string> encoderLauncher(const std::string& programFile) {
#ifdef _WIN32
    (void)programFile;
    return std::string();
#else
    if (!isWindowsProgramFile(programFile)) return std::string();
    std::string wine = platform::findOnPath("wine");
    if (wine.empty()) return std::nullopt;
    return wine;
#endif
}

void encodeButton(Program& p) {
    StatusLine& status = p.status();
    Settings& settings = p.settings();
    SourceState& source = p.source();

    if (p.scanRunning()) {
        status.show(" can't start encode while scene change detection scan is running");
        return;
    }
    if (platform::fileExists(settings.outputFile) &&
        p.dialogs().message("Mivo message", "m2v output file already exists, OVERWRITE ?",
                            MessageButtons::YesNo) != MessageAnswer::Yes) {
        status.show(" please rename outputfile");
        return;
    }
    // A disc whose tools are missing would fail only after the encode: say so before it starts.
    if (const std::optional<std::string> refusal = discRefusal(p)) {
        status.show(" " + *refusal + ", encode not started");
        return;
    }
    if (source.projectVersion > 0 && !placeLibraryCopy(p)) return;
    if (!writeIniFile(IniMode::Default, p.paths().defaultIni, settings, p.controls(), status)) {
        status.append(", can't start encode...");
        removeLibraryCopy(p);
        return;
    }
    if (!platform::fileExists(p.paths().encoder)) {
        status.show(" encoder " + p.paths().encoder + " NOT found");
        removeLibraryCopy(p);
        return;
    }
    // The encoder reads the script itself; the front-end holds nothing of the frame server meanwhile.
    if (source.isAvisynthScript) p.avisynth().releaseAvisynth();

    if (const std::optional<int> exitCode = runEncoder(p)) {
        std::string log;
        if (*exitCode != 0 && source.logChosen) readWholeFile(settings.logFile, log);
        status.show(encoderEndMessage(*exitCode, source.logChosen ? settings.logFile : std::string()) +
                    discEndNote(*exitCode, settings.dvdFolder, settings.dvdIso, log));
    } else
        status.show(" failed to start encoding, can't create process");

    removeLibraryCopy(p);
    if (source.isAvisynthScript) {
        AvisynthSourceContext ctx = p.avisynthContext();
        reopenAvisynthSource(ctx);
    }
    source.currentFrame = 0;
    // The preview pages go back to frame 0 with it: chapters and zones are set at the frame they show.
    p.preview().showCurrentFrame();
}

void aboutButton(Program& p) {
    p.dialogs().message(kAboutTitle, kAboutText, MessageButtons::Ok);
}

void exitButton(Program& p) {
    p.scan().abort();
    p.postQuit(0);
}

} // namespace mivo
