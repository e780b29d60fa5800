#include "core/lists/list_file_result.h"

#include <filesystem>

namespace mivo::lists {

std::string_view writeFailure(const std::string& path, std::string_view notOpened,
                              std::string_view notWritten) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target(path);
    const fs::path folder = target.parent_path();
    const bool noFolder = !folder.empty() && !fs::is_directory(folder, ec);
    return noFolder || fs::is_directory(target, ec) || path.empty() ? notOpened : notWritten;
}

} // namespace mivo::lists
