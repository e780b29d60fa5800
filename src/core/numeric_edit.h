#pragma once
// The rule every numeric edit field follows when the focus leaves it: read the text in free format,
// keep the value held before when the text does not read, bound the value, and write it back
// left-justified. A field therefore never keeps a text the program did not accept.

#include "core/control_model.h"

#include <climits>
#include <functional>
#include <optional>
#include <string_view>

namespace mivo {

// How many characters of a field's text are read: 80, or 20 for the wait and VBR-bias fields of the
// Settings 2 page.
std::size_t editTextLimit(PageId page, int id);

// The field's text read as an integer or real in free format (within the field's text limit);
// std::nullopt when it does not read.
std::optional<int> readIntegerField(const ControlModel& model, PageId page, int id);
std::optional<float> readRealField(const ControlModel& model, PageId page, int id);

// Shapes a value after reading: clamping, lowering odd values, and so on.
using IntegerBound = std::function<int(int)>;
IntegerBound clampTo(int lo, int hi);

// Reads the field, falls back to `previous`, bounds the value, writes it back (formatted in a field of 8,
// then left-justified) and returns it.
int applyIntegerEdit(ControlModel& model, PageId page, int id, int previous, const IntegerBound& bound = {});
inline int applyIntegerEdit(ControlModel& model, PageId page, int id, int previous, int lo, int hi) {
    return applyIntegerEdit(model, page, id, previous, clampTo(lo, hi));
}

// How a real is written back: `decimals` decimals in a field of `width`, then left-justified.
struct RealFormat {
    int width = 8;
    int decimals = 3;
};

// As applyIntegerEdit for a real field, clamped to lo..hi.
float applyRealEdit(ControlModel& model, PageId page, int id, float previous, float lo, float hi,
                    RealFormat format);

} // namespace mivo
