#pragma once
// Controls named in scripts: each constant of the id table gives a name of lower-case words joined by
// "-" ("inputFileButton" is "input-file-button"). A page knows the names of its own namespace, and the
// Chapters, Zones and PanScan pages those of the shared preview controls too. A script may shorten a
// name to its first words while they pick one control of the page ("input"); a whole name always wins.

#include "core/control_model.h"

#include <functional>
#include <string>
#include <string_view>

namespace mivo::scenario {

// "inputFileButton" -> "input-file-button".
std::string controlName(std::string_view constant);

struct NameLookup {
    int id = 0;        // the control, when found
    std::string error; // otherwise why not: an unknown or an ambiguous name
};

// The control of `page` that `name` picks, among the ids `isControl` accepts (a constant whose value is
// not a control of the page, such as the matrix grid's size, names nothing).
NameLookup findControlByName(PageId page, std::string_view name, const std::function<bool(int)>& isControl);

} // namespace mivo::scenario
