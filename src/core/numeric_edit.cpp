#include "core/numeric_edit.h"

#include "base/fixed_format.h"
#include "core/free_format.h"

#include <algorithm>

namespace mivo {

namespace {
constexpr std::size_t kTextLimit = 80;
constexpr std::size_t kShortTextLimit = 20;
constexpr int kWaitForExitEdit = 1305;
constexpr int kVbrBiasEdit = 1306;

std::string_view limitedText(const ControlModel& model, PageId page, int id) {
    const std::string& text = model.text(page, id);
    return std::string_view(text).substr(0, editTextLimit(page, id));
}
} // namespace

std::size_t editTextLimit(PageId page, int id) {
    if (page == PageId::Settings2 && (id == kWaitForExitEdit || id == kVbrBiasEdit)) return kShortTextLimit;
    return kTextLimit;
}

std::optional<int> readIntegerField(const ControlModel& model, PageId page, int id) {
    int value = 0;
    if (ff::readInt(limitedText(model, page, id), value) != ff::ReadStatus::Ok) return std::nullopt;
    return value;
}

std::optional<float> readRealField(const ControlModel& model, PageId page, int id) {
    float value = 0.0f;
    if (ff::readReal(limitedText(model, page, id), value) != ff::ReadStatus::Ok) return std::nullopt;
    return value;
}

IntegerBound clampTo(int lo, int hi) {
    return [lo, hi](int v) { return std::clamp(v, lo, hi); };
}

int applyIntegerEdit(ControlModel& model, PageId page, int id, int previous, const IntegerBound& bound) {
    int value = readIntegerField(model, page, id).value_or(previous);
    if (bound) value = bound(value);
    model.setText(page, id, leftInt(value, 8));
    return value;
}

float applyRealEdit(ControlModel& model, PageId page, int id, float previous, float lo, float hi,
                    RealFormat format) {
    const float value = std::clamp(readRealField(model, page, id).value_or(previous), lo, hi);
    model.setText(page, id, leftReal(value, format.width, format.decimals));
    return value;
}

} // namespace mivo
