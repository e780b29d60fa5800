#pragma once
// Pieces of the Main page's information buttons that stand on their own.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mivo {

// The project versions whose decoder library is present ("06" ... "16", asked in that order), each
// behind two blanks, version 6 as one digit: "  6  10  11". Empty when none is present.
std::string decoderVersionList(const std::function<bool(std::string_view version)>& present);

// The file's version as four numbers joined by "." ("1.2.0.7"); nothing when the file has no version
// resource or cannot be read.
std::optional<std::string> fileVersionText(const std::string& path);

} // namespace mivo
