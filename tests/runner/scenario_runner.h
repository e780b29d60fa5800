#pragma once
// The scenario runner: the program's start-up, pages, handlers and dialogs driven from a script.

#include "core/control_model.h"
#include "scripted_dialogs.h"

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class QWidget;

namespace mivo {
class Program;
class MainWindow;
} // namespace mivo

namespace mivo::scenario {

// Where the outside parts the script can put in place were built; empty when not built.
struct Parts {
    std::string syntheticDecoder;
    std::string syntheticDecoderNoClose;
    std::string realDecoder;
    std::string encoderDouble;
    std::string realEncoder;
    std::string queueRunner; // mivo-queue
    std::string avisynthDouble;
    // Points the program's frame-server lookup at a library (or at nothing); null until it exists.
    std::function<void(std::optional<std::string>)> frameServerSeam;
};

Parts defaultParts();

class Runner {
  public:
    Runner(std::string programFolder, std::ostream& out, Parts parts)
        : prog_(std::move(programFolder)), out_(out), parts_(std::move(parts)) {}
    ~Runner();
    // Runs the script; 0 when it ran to its end, 1 when a command failed.
    int run(const std::vector<std::string>& lines);

  private:
    std::string substitute(const std::string& line) const;
    static std::string word(std::string& rest);
    static std::string text(std::string rest);
    PageId page(const std::string& name) const;
    Control& control(PageId page, const std::string& idWord);
    void requireStarted() const;
    void out(const std::string& line);
    bool refusedIfDisabled(const Control& c);
    void placeFile(const std::string& from, const std::string& to, const char* what);
    void decoder(const std::string& version, const std::string& kind);
    void encoder(const std::string& kind);
    void avisynth(const std::string& kind);
    void start();
    void close();
    void printControl(const Control& c);
    void print(std::string rest);
    void writeFile(const std::string& path, const std::vector<std::string>& lines, bool crlf);
    void writeBytes(const std::string& path, const std::string& bytes);
    void waitScan(int limitMs);
    void queueRunner(const std::string& kind);
    void waitFor(PageId page, int id, const std::string& wanted, int limitMs);
    void compareGrab(QWidget& widget, const std::string& what, const std::string& reference, bool blockwise);
    void comparePicture(PageId page, const std::string& reference);
    void command(const std::string& line, std::vector<std::string>::const_iterator& next,
                 std::vector<std::string>::const_iterator end, int& lineNo);

    std::string prog_;
    std::ostream& out_;
    Parts parts_;
    ScriptedDialogs dialogs_;
    std::optional<int> cpuLevel_;
    std::unique_ptr<Program> program_;
    std::unique_ptr<MainWindow> window_;
};

} // namespace mivo::scenario
