#include "gui/qt_dialogs.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

namespace mivo {

std::optional<std::string> QtDialogs::chooseFile(const FileDialogSpec& spec) {
    QFileDialog dialog(parent_, QString::fromStdString(spec.title), QString::fromStdString(spec.folder));
    QString pattern = QString::fromStdString(spec.filterPattern);
    pattern.replace(';', ' ');
    dialog.setNameFilter(QString::fromStdString(spec.filterDescription) + " (" + pattern + ")");
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!spec.defaultExtension.empty())
        dialog.setDefaultSuffix(QString::fromStdString(spec.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return withDefaultExtension(dialog.selectedFiles().front().toStdString(), spec.defaultExtension);
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

void pumpEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace mivo
