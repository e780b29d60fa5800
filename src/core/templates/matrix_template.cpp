#include "core/control_ids.h"
#include "core/templates/page_templates.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace mivo::templates {

using enum ControlKind;
using namespace ids::matrix;

namespace {

enum : int { kSourceGroup = 1 };

// The combo box's order is the order users know from earlier versions, not the order of the codes.
constexpr std::array<std::string_view, 16> kBuiltInNames = {
    "MPEG",      "QLB",     "NOTCH",   "DELM1",   "MIVO", "MIVOLOW", "KORVA1CD", "HVSGOOD",
    "HVSBETTER", "HVSBEST", "AVAMAT6", "AVAMAT7", "RUX1", "RUX2",    "RUX3",     "MPEG STANDARD"};

// clang-format off
constexpr ControlTemplate kFixedControls[] = {
    // --- choice of the matrix pair
    {.kind = GroupBox, .x = 2, .y = 2, .w = 150, .h = 176, .text = "matrix"},
    {.kind = Static, .x = 8, .y = 12, .w = 138, .h = 8, .text = "Use one of the built in matrices"},
    {.kind = Static, .x = 8, .y = 21, .w = 138, .h = 8, .text = "or use your own custom matrix."},

    {.kind = GroupBox, .x = 6, .y = 31, .w = 142, .h = 36, .text = "built in matrix"},
    {.id = builtInRadio, .kind = Radio, .x = 12, .y = 41, .w = 80, .h = 10, .text = "built in matrix", .flags = kChecked, .group = kSourceGroup},
    {.id = builtInCombo, .kind = ComboBox, .x = 12, .y = 52, .w = 100, .h = 12, .items = kBuiltInNames},

    {.kind = GroupBox, .x = 6, .y = 69, .w = 142, .h = 105, .text = "custom matrix"},
    {.id = customRadio, .kind = Radio, .x = 12, .y = 79, .w = 80, .h = 10, .text = "custom matrix", .group = kSourceGroup},
    {.kind = Static, .x = 12, .y = 91, .w = 130, .h = 8, .text = "Load/save your own matrices"},
    {.kind = Static, .x = 12, .y = 100, .w = 130, .h = 8, .text = "Supported formats:"},
    {.kind = Static, .x = 12, .y = 109, .w = 130, .h = 8, .text = "- simple text file (mtx)"},
    {.kind = Static, .x = 12, .y = 118, .w = 130, .h = 8, .text = "- binary format (cqm)"},
    {.id = loadCustomButton, .kind = Button, .x = 12, .y = 130, .w = 130, .h = 12, .text = "load custom matrix", .flags = kDisabled},
    {.id = saveMtxButton, .kind = Button, .x = 12, .y = 144, .w = 130, .h = 12, .text = "save custom matrix (mtx)", .flags = kDisabled},
    {.id = saveCqmButton, .kind = Button, .x = 12, .y = 158, .w = 130, .h = 12, .text = "save custom matrix (cqm)", .flags = kDisabled},

    // --- the pair in use, as two 8x8 grids (cells follow below)
    {.kind = GroupBox, .x = 156, .y = 2, .w = 252, .h = 128, .text = "current matrix"},
    {.kind = Static, .x = 162, .y = 11, .w = 84, .h = 8, .text = "Matrices shown below"},
    {.kind = Static, .x = 248, .y = 11, .w = 108, .h = 8, .text = "will be used for encoding."},
    {.kind = GroupBox, .x = 160, .y = 21, .w = 120, .h = 107, .text = "intra"},
    {.kind = GroupBox, .x = 284, .y = 21, .w = 120, .h = 107, .text = "non-intra"},

    // --- adaptive matrix
    {.kind = GroupBox, .x = 156, .y = 132, .w = 252, .h = 46, .text = "adaptive matrix (advanced)"},
    {.id = adaptiveMatrixCheck, .kind = CheckBox, .x = 162, .y = 145, .w = 72, .h = 10, .text = "adaptive matrix"},
    {.kind = Static, .x = 240, .y = 142, .w = 164, .h = 8, .text = "Write your own code to adapt matrices,"},
    {.kind = Static, .x = 240, .y = 151, .w = 164, .h = 8, .text = "see the manual for more information how"},
    {.kind = Static, .x = 240, .y = 160, .w = 164, .h = 8, .text = "to create the DLL."},
};
// clang-format on

constexpr std::size_t kFixedCount = std::size(kFixedControls);
constexpr std::size_t kCellCount = 2 * gridSize * gridSize;

// Cell geometry inside the "intra" and "non-intra" boxes.
constexpr int kCellW = 13, kCellH = 11, kCellStepX = 14, kCellStepY = 12;
constexpr int kIntraLeft = 166, kNonIntraLeft = 290, kGridTop = 31;

// The grid shows the built-in pair at start-up and only becomes editable with the custom pair, so every
// cell starts disabled. A cell takes digits only: a matrix value is never negative nor anything but a
// whole number.
constexpr std::array<ControlTemplate, kFixedCount + kCellCount> buildControls() {
    std::array<ControlTemplate, kFixedCount + kCellCount> all{};
    std::size_t n = 0;
    for (const ControlTemplate& c : kFixedControls)
        all[n++] = c;
    for (int nonIntra = 0; nonIntra < 2; ++nonIntra) {
        for (int row = 0; row < gridSize; ++row) {
            for (int col = 0; col < gridSize; ++col) {
                all[n++] = {.id = nonIntra ? nonIntraCell(row, col) : intraCell(row, col),
                            .kind = Edit,
                            .x = (nonIntra ? kNonIntraLeft : kIntraLeft) + col * kCellStepX,
                            .y = kGridTop + row * kCellStepY,
                            .w = kCellW,
                            .h = kCellH,
                            .flags = kDisabled | kDigitsOnly};
            }
        }
    }
    return all;
}

} // namespace

std::span<const ControlTemplate> matrixControls() {
    static constexpr auto controls = buildControls();
    return controls;
}

} // namespace mivo::templates
