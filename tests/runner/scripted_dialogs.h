#pragma once
// Dialogs answered from a scenario script: every dialog the program opens is logged and takes the next
// queued answer. A dialog that finds no answer is remembered, and the runner fails the script.

#include "program/dialogs.h"

#include <deque>
#include <string>
#include <vector>

namespace mivo::scenario {

enum class AnswerKind { File, Folder, Cancel, Yes, No, Ok };

struct Answer {
    AnswerKind kind;
    std::string path;
};

class ScriptedDialogs : public DialogService {
  public:
    void queue(Answer a) { answers_.push_back(std::move(a)); }
    std::optional<std::string> chooseFile(const FileDialogSpec& spec) override;
    std::optional<std::string> chooseFolder(const std::string& title) override;
    MessageAnswer message(const std::string& title, const std::string& text, MessageButtons buttons) override;
    // Logged; cancelled at once when a cancel answer is queued first, else left to run to its end.
    std::unique_ptr<ProgressView> showProgress(const std::string& title, const std::string& text) override;

    // The log lines since the last call, and whether a dialog went unanswered (then cleared).
    std::vector<std::string> takeLog();
    bool takeUnanswered(std::string& what);

  private:
    bool next(Answer& out, const std::string& what);
    std::deque<Answer> answers_;
    std::vector<std::string> log_;
    std::string unanswered_;
};

} // namespace mivo::scenario
