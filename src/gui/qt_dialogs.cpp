#include "gui/qt_dialogs.h"

#include <algorithm>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>

namespace mivo {

std::optional<std::string> QtDialogs::chooseFile(const FileDialogSpec& spec) {
    QFileDialog dialog(parent_, QString::fromStdString(spec.title), QString::fromStdString(spec.folder));
    const auto filter = [](const std::string& description, const std::string& patterns) {
        QString pattern = QString::fromStdString(patterns);
        pattern.replace(';', ' ');
        return QString::fromStdString(description) + " (" + pattern + ")";
    };
    QStringList filters{filter(spec.filterDescription, spec.filterPattern)};
    for (const FileDialogSpec::Filter& other : spec.otherFilters)
        filters << filter(other.description, other.pattern);
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A typed name without extension takes the one of the filter chosen.
    std::string extension = spec.defaultExtension;
    if (!extension.empty()) dialog.setDefaultSuffix(QString::fromStdString(extension));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        const auto at = filters.indexOf(chosen);
        extension =
            at > 0 ? spec.otherFilters[static_cast<std::size_t>(at - 1)].extension : spec.defaultExtension;
        dialog.setDefaultSuffix(QString::fromStdString(extension));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return withDefaultExtension(dialog.selectedFiles().front().toStdString(), extension);
}

std::optional<std::string> QtDialogs::chooseFolder(const std::string& title) {
    const QString folder = QFileDialog::getExistingDirectory(parent_, QString::fromStdString(title));
    if (folder.isEmpty()) return std::nullopt;
    return folder.toStdString();
}

MessageAnswer QtDialogs::message(const std::string& title, const std::string& text, MessageButtons buttons) {
    // The program asks only before overwriting a file (a warning); its one notice is the about box.
    const bool question = buttons == MessageButtons::YesNo;
    QMessageBox box(question ? QMessageBox::Warning : QMessageBox::Information, QString::fromStdString(title),
                    QString::fromStdString(text),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent_);
    if (question) box.setDefaultButton(QMessageBox::No);
    box.raise();
    box.activateWindow();
    const int r = box.exec();
    if (!question) return MessageAnswer::Ok;
    return r == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

namespace {

// Modal, so nothing else of the window can be used while the task runs; the window still repaints and
// the status line shows what the task reports.
class QtProgress final : public ProgressView {
  public:
    QtProgress(QWidget* parent, const std::string& title, const std::string& text)
        : dialog_(QString::fromStdString(text), QStringLiteral("cancel"), 0, kSteps, parent) {
        dialog_.setWindowTitle(QString::fromStdString(title));
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(500); // a short task shows no window at all
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.setValue(0);
    }
    bool update(double done) override {
        dialog_.setValue(static_cast<int>(std::clamp(done, 0.0, 1.0) * kSteps));
        // Only once the window shows does it keep the user from starting something else meanwhile.
        if (dialog_.isVisible()) QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

  private:
    static constexpr int kSteps = 1000;
    QProgressDialog dialog_;
};

} // namespace

std::unique_ptr<ProgressView> QtDialogs::showProgress(const std::string& title, const std::string& text) {
    return std::make_unique<QtProgress>(parent_, title, text);
}

void pumpEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace mivo
