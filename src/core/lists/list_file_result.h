#pragma once
// What a list file import or export tells the page: whether it worked, and the whole report for the
// status line (the opening message and whatever continues it), to be shown in replace mode.

#include "base/whole_file.h"

#include <string>
#include <string_view>

namespace mivo::lists {

struct ListFileResult {
    bool ok = false;
    std::string status;
};

// The status text of a failed write: " error opening ..." when the file could not be made there (no such
// folder, a read-only one, or the name is a folder), else " error writing ..." (the disk filled up, or
// the finished file could not take the old one's place).
std::string_view writeFailure(WriteFailure failure, std::string_view notOpened, std::string_view notWritten);

} // namespace mivo::lists
