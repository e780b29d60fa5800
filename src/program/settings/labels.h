#pragma once
// Button texts the settings code writes and reads back.

#include <string_view>

namespace mivo::labels {

inline constexpr std::string_view inputNotSet = "input file name (*.d2v, *.avs)";
inline constexpr std::string_view outputNotSet = "output file name (not set)";
inline constexpr std::string_view logNotSet = "log file name (not set)";
// The folder buttons of Settings 3 read these once a folder is chosen; the writer asks them.
inline constexpr std::string_view dbPathSet = "DB path set";
inline constexpr std::string_view llPathSet = "LL path set";

} // namespace mivo::labels
