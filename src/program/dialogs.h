#pragma once
// The dialogs the program opens: file open and save, the folder browser and message boxes. The
// program shows real Qt dialogs; the scenario runner answers them from its script.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mivo {

struct FileDialogSpec {
    bool save = false;
    std::string title;
    std::string filterDescription; // "D2V or AVS files"
    std::string filterPattern;     // "*.d2v;*.avs"
    std::string defaultExtension;  // without the dot; appended to a typed name without extension
    std::string folder;            // starting folder (empty: the dialog's own choice)
    // Further filters the user may choose instead, each with its own default extension (may be empty).
    struct Filter {
        std::string description, pattern, extension;
    };
    std::vector<Filter> otherFilters;
};

// The window of a long task the user may cancel; it closes when destroyed.
class ProgressView {
  public:
    virtual ~ProgressView() = default;
    // The share done (0..1); false once the user asked to cancel. Lets the window breathe meanwhile.
    virtual bool update(double done) = 0;
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
    // Shows the progress of a long task; the default shows nothing and never cancels.
    virtual std::unique_ptr<ProgressView> showProgress(const std::string& title, const std::string& text);
};

// Appends the default extension when the chosen name's last path part has none.
std::string withDefaultExtension(const std::string& path, const std::string& extension);

} // namespace mivo
