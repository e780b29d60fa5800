#pragma once
// Path rules shared by the front-end, the decoder library and the companion tools: '/' and '\' are both
// separators (projects and ini files made on Windows name drive paths), extensions compare without
// regard to case and a name is never folded, since on a case-sensitive file system a folded name points
// at another file.

#include <functional>
#include <string>
#include <string_view>

namespace mivo {

using FileExistsFn = std::function<bool(const std::string&)>;

// Everything up to and including the last '/' or '\'; empty when the path has neither.
std::string folderPart(std::string_view path);

// A stored name without its trailing blanks and without one trailing zero byte.
std::string_view unpadded(std::string_view name);

// The unpadded name ends in ext, letters compared
// without regard to case.
bool hasExtension(std::string_view name, std::string_view ext);

// A path as shown on a button: names longer than 40 characters become their first 5 characters, "..."
// and their last 32 characters. Trailing blanks are not part of the name, unless the caller keeps them.
enum class TrailingBlanks { Drop, Keep };
std::string displayForm(std::string_view path, TrailingBlanks blanks = TrailingBlanks::Drop);

// Where a video file listed in a D2V project really is: as written (relative paths against the
// project's folder, '\' read as a separator), else the same file name beside the project (projects made
// on another machine list its drive paths). Empty when neither exists.
std::string resolveListedPath(std::string_view listed, std::string_view projectPath,
                              const FileExistsFn& exists);

} // namespace mivo
