#pragma once
// Files the program writes are written whole or not at all: the bytes go to a temporary file beside the
// target, which replaces the target only once everything reached the disk. A failure leaves the earlier
// file as it was.

#include <string>
#include <string_view>

namespace mivo {

// True when `path` now holds exactly `bytes`.
bool writeWholeFile(const std::string& path, std::string_view bytes);

// The file's bytes; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& bytes);

} // namespace mivo
