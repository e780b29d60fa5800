#pragma once
// The dialogs the program opens: file open and save, the folder browser and message boxes. The
// program shows real Qt dialogs; the scenario runner answers them from its script.

#include <optional>
#include <string>

namespace mivo {

struct FileDialogSpec {
    bool save = false;
    std::string title;
    std::string filterDescription; // "D2V or AVS files"
    std::string filterPattern;     // "*.d2v;*.avs"
    std::string defaultExtension;  // without the dot; appended to a typed name without extension
    std::string folder;            // starting folder (empty: the dialog's own choice)
    // A second filter the user may choose instead, with its own default extension (empty: none).
    std::string otherFilterDescription;
    std::string otherFilterPattern;
    std::string otherExtension;
};

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No, Cancel };

class DialogService {
  public:
    virtual ~DialogService() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> chooseFile(const FileDialogSpec& spec) = 0;
    virtual std::optional<std::string> chooseFolder(const std::string& title) = 0;
    virtual MessageAnswer message(const std::string& title, const std::string& text,
                                  MessageButtons buttons) = 0;
};

// Appends the default extension when the chosen name's last path part has none.
std::string withDefaultExtension(const std::string& path, const std::string& extension);

} // namespace mivo
