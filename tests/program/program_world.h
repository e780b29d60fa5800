#pragma once
// The whole program without a window, in a scratch program folder: dialogs answered from queues, the
// decoder library, encoder and frame-server doubles put in place on demand, and a PAL or film project.

#include "core/control_ids.h"
#include "platform/frame_server.h"
#include "program/dialogs.h"
#include "program/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace mivo::test {

namespace fs = std::filesystem;

class QueuedDialogs : public DialogService {
  public:
    std::deque<std::string> files;
    std::deque<std::string> folders;
    std::deque<MessageAnswer> answers;
    std::vector<std::string> messages; // "title|text" of every message box
    int progressShown = 0;             // progress windows opened
    bool cancelProgress = false;       // the user cancels the next progress window at once

    std::optional<std::string> chooseFile(const FileDialogSpec&) override {
        if (files.empty()) return std::nullopt;
        std::string f = files.front();
        files.pop_front();
        return f;
    }
    std::optional<std::string> chooseFolder(const std::string&) override {
        if (folders.empty()) return std::nullopt;
        std::string f = folders.front();
        folders.pop_front();
        return f;
    }
    MessageAnswer message(const std::string& title, const std::string& text,
                          MessageButtons buttons) override {
        messages.push_back(title + "|" + text);
        if (answers.empty()) return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::unique_ptr<ProgressView> showProgress(const std::string&, const std::string&) override {
        struct View final : ProgressView {
            bool cancel;
            explicit View(bool c) : cancel(c) {}
            bool update(double) override { return !cancel; }
        };
        ++progressShown;
        return std::make_unique<View>(std::exchange(cancelProgress, false));
    }
};

inline void writeFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << text;
}

inline std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Sets an environment variable for one test.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// Controls with behaviour of their own: not static texts, group boxes, the preview picture or list boxes
// that only show text.
inline bool userActsOn(const ControlTemplate& c) {
    switch (c.kind) {
    case ControlKind::Static:
    case ControlKind::GroupBox:
    case ControlKind::Picture:
        return false;
    case ControlKind::ListBox:
        return (c.flags & kReadOnly) == 0;
    default:
        return c.id != 0;
    }
}

class ProgramWorld : public ::testing::Test {
  protected:
    fs::path prog;
    QueuedDialogs dialogs;
    ProgramShell shell;
    std::unique_ptr<Program> program;

    void SetUp() override {
        prog = fs::path(MIVO_BINARY_DIR) / "test-tmp" / "program" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(prog);
        fs::create_directories(prog);
        // Start-up would otherwise find the system's frame server and whatever Mivo.ini it names.
        platform::setFrameServerLibrary(std::string("none"));
    }
    void TearDown() override {
        program.reset();
        platform::setFrameServerLibrary(std::nullopt);
    }

    void start() {
        ProgramOptions options;
        options.programFolder = prog.string() + "/";
        options.cpuLevel = 2;
        program = std::make_unique<Program>(dialogs, shell, options);
        program->startUp();
    }

    ControlModel& controls() { return program->controls(); }
    // The status line's text with its line breaks back as blanks (long paths wrap it).
    std::string status() const {
        std::string text = program->controls().text(PageId::Window, ids::window::status);
        std::replace(text.begin(), text.end(), '\n', ' ');
        return text;
    }
    // The program folder as messages name it, with its separator.
    std::string folder() const { return prog.string() + "/"; }

    void placeEncoderDouble() {
        fs::copy_file(fs::path(MIVO_DOUBLES_DIR) / "mivo_encoder_double", prog / "Dazuzer_024.exe",
                      fs::copy_options::overwrite_existing);
        fs::permissions(prog / "Dazuzer_024.exe", fs::perms::owner_exec, fs::perm_options::add);
    }
    void placeDecoder(const std::string& version) {
        fs::create_directories(prog / "DGDecode");
        fs::copy_file(fs::path(MIVO_DOUBLES_DIR) / "libmivo_synthetic_decoder.so",
                      prog / "DGDecode" / ("DGDecode" + version + ".dll"),
                      fs::copy_options::overwrite_existing);
    }

    // A version-16 project over a synthetic source, chosen with the input button, and an output name.
    void openProject(const std::string& rate = "25 1", const std::string& size = "720 576") {
        placeDecoder("16");
        writeFile(prog / "video" / "movie.vob", "synthetic-source\nsize " + size + "\nrate " + rate +
                                                    "\nframes 2500\npixel YV12\nflat 60 128 128\n");
        writeFile(prog / "video" / "movie.d2v", "DGIndexProjectFile16\r\n1\r\n" +
                                                    (prog / "video" / "movie.vob").string() +
                                                    "\r\n\r\nStream_Type=1\r\n");
        dialogs.files.push_back((prog / "video" / "movie.d2v").string());
        controls().userClick(PageId::Main, ids::main::inputFileButton);
        dialogs.files.push_back((prog / "video" / "movie.m2v").string());
        controls().userClick(PageId::Main, ids::main::outputFileButton);
        ASSERT_TRUE(program->source().sourceReady) << status();
    }

    void encode() { controls().userClick(PageId::Window, ids::window::encode); }

    // The runs the encoder double logged, one text each (the lines between "--- run in" and "--- end").
    std::vector<std::string> encoderRuns() const {
        std::vector<std::string> runs;
        const std::string log = readFile(prog / "encoder-runs.log");
        std::size_t at = 0;
        while ((at = log.find("--- run in ", at)) != std::string::npos) {
            const std::size_t end = log.find("--- end\n", at);
            if (end == std::string::npos) break;
            runs.push_back(log.substr(at, end - at));
            at = end;
        }
        return runs;
    }
};

} // namespace mivo::test
