#pragma once
// Control ids as named constants. The values are the dialog-template ids, so the code reads as words
// and still matches the templates and the scenario scripts.

namespace mivo::ids {

namespace window {
inline constexpr int tabs = 1001;
inline constexpr int about = 1002;
inline constexpr int encode = 1003;
inline constexpr int exit = 1004;
inline constexpr int status = 1005;
} // namespace window

} // namespace mivo::ids
