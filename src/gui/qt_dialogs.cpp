#include "gui/qt_dialogs.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
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
    if (!spec.otherFilterPattern.empty())
        filters << filter(spec.otherFilterDescription, spec.otherFilterPattern);
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(spec.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A typed name without extension takes the one of the filter chosen.
    std::string extension = spec.defaultExtension;
    if (!extension.empty()) dialog.setDefaultSuffix(QString::fromStdString(extension));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        const bool other = filters.size() > 1 && chosen == filters[1];
        extension = other ? spec.otherExtension : spec.defaultExtension;
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

void pumpEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace mivo
