#include "scripted_dialogs.h"

namespace mivo::scenario {

bool ScriptedDialogs::next(Answer& out, const std::string& what) {
    if (answers_.empty()) {
        if (unanswered_.empty()) unanswered_ = what;
        return false;
    }
    out = answers_.front();
    answers_.pop_front();
    return true;
}

std::optional<std::string> ScriptedDialogs::chooseFile(const FileDialogSpec& spec) {
    std::string line = std::string("dialog ") + (spec.save ? "save" : "open") + " title=\"" + spec.title +
                       "\" filter=\"" + spec.filterDescription + "|" + spec.filterPattern + "\" ext=\"" +
                       spec.defaultExtension + "\" folder=\"" + spec.folder + "\"";
    for (const FileDialogSpec::Filter& other : spec.otherFilters)
        line += " or=\"" + other.description + "|" + other.pattern + "\"";
    log_.push_back(std::move(line));
    Answer a;
    if (!next(a, "file dialog \"" + spec.title + "\"")) return std::nullopt;
    if (a.kind != AnswerKind::File) return std::nullopt;
    return withDefaultExtension(a.path, spec.defaultExtension);
}

namespace {

class ScriptedProgress final : public ProgressView {
  public:
    explicit ScriptedProgress(bool cancel) : cancel_(cancel) {}
    bool update(double) override { return !cancel_; }

  private:
    bool cancel_;
};

} // namespace

std::unique_ptr<ProgressView> ScriptedDialogs::showProgress(const std::string& title,
                                                            const std::string& text) {
    log_.push_back("progress title=\"" + title + "\" text=\"" + text + "\"");
    const bool cancel = !answers_.empty() && answers_.front().kind == AnswerKind::Cancel;
    if (cancel) answers_.pop_front();
    return std::make_unique<ScriptedProgress>(cancel);
}

std::optional<std::string> ScriptedDialogs::chooseFolder(const std::string& title) {
    log_.push_back("folder title=\"" + title + "\"");
    Answer a;
    if (!next(a, "folder dialog \"" + title + "\"")) return std::nullopt;
    if (a.kind != AnswerKind::Folder && a.kind != AnswerKind::File) return std::nullopt;
    return a.path;
}

MessageAnswer ScriptedDialogs::message(const std::string& title, const std::string& text,
                                       MessageButtons buttons) {
    log_.push_back("message title=\"" + title + "\" text=\"" + text + "\"");
    Answer a;
    if (!next(a, "message \"" + title + "\""))
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    switch (a.kind) {
    case AnswerKind::Yes:
        return MessageAnswer::Yes;
    case AnswerKind::No:
        return MessageAnswer::No;
    case AnswerKind::Ok:
        return MessageAnswer::Ok;
    default:
        return MessageAnswer::Cancel;
    }
}

std::vector<std::string> ScriptedDialogs::takeLog() {
    std::vector<std::string> out;
    out.swap(log_);
    return out;
}

bool ScriptedDialogs::takeUnanswered(std::string& what) {
    if (unanswered_.empty()) return false;
    what = unanswered_;
    unanswered_.clear();
    return true;
}

} // namespace mivo::scenario
