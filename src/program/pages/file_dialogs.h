#pragma once
// The dialog of every file button: title, filter, default extension, starting folder and kind.

#include "core/control_model.h"
#include "program/dialogs.h"

#include <optional>
#include <string>

namespace mivo {

// Which starting folder a button's dialog opens in.
enum class StartFolder { Input, Output, Log, Ini, Matrix, None };

struct FileButtonDialog {
    PageId page;
    int id;
    bool save;
    const char* title;
    const char* filterDescription;
    const char* filterPattern;
    const char* defaultExtension;
    StartFolder folder;
};

// The dialog of a file button, or nothing for a button without one.
std::optional<FileButtonDialog> fileButtonDialog(PageId page, int id);

// The request handed to the dialog service: the button's dialog, starting in `folder`, with the second
// filter of the one dialog that has one (dvdauthor's chapter times beside the chapter block form).
FileDialogSpec fileDialogSpec(const FileButtonDialog& d, const std::string& folder);

} // namespace mivo
