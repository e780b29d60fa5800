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

// For writers that stream into the temporary file themselves. Where the file waits until it is
// complete: beside the target, so the rename stays on one file system and replaces the old file in one
// step.
std::string temporaryBeside(const std::string& path);
// Puts the completed temporary file in place of `path`. On failure the temporary file is removed, the
// earlier file stays, and `why` (when given) says what went wrong.
bool replaceWithTemporary(const std::string& temporary, const std::string& path, std::string* why = nullptr);

} // namespace mivo
