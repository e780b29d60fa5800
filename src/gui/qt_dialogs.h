#pragma once
// Real Qt dialogs behind the program's dialog interface.

#include "program/dialogs.h"

class QWidget;

namespace mivo {

class QtDialogs : public DialogService {
  public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    std::optional<std::string> chooseFile(const FileDialogSpec& spec) override;
    std::optional<std::string> chooseFolder(const std::string& title) override;
    MessageAnswer message(const std::string& title, const std::string& text, MessageButtons buttons) override;
    std::unique_ptr<ProgressView> showProgress(const std::string& title, const std::string& text) override;

  private:
    QWidget* parent_;
};

// Runs the event loop for ms milliseconds, so the window shows what was just written.
void pumpEvents(int ms);

} // namespace mivo
