#include "program/pages/matrix_page.h"

#include "core/control_ids.h"
#include "core/matrix/custom_matrix.h"
#include "core/matrix/matrix_file.h"
#include "program/program.h"

#include <string_view>

namespace mivo {

namespace {

using namespace ids::matrix;
constexpr PageId kPage = PageId::Matrix;

constexpr std::string_view kBuiltInActivated =
    " built in matrix activated, just pick one of the matrices in the combo box";
constexpr std::string_view kCustomActivated =
    " custom matrix activated, load/save your favorite matrix (mtx or "
    "cqm format) or create your own matrix";
constexpr std::string_view kAdaptiveOn = " adaptive matrix turned on, matrix.dll should be present";
constexpr std::string_view kAdaptiveOff = " adaptive matrix turned off";

// Grid index i below 64 is intra field 2001 + i, index 64 + i is non-intra field 2101 + i.
constexpr std::size_t kMatrixSize = 64;
int gridField(std::size_t index) {
    return index < kMatrixSize ? intraFirst + static_cast<int>(index)
                               : nonIntraFirst + static_cast<int>(index - kMatrixSize);
}

bool isGridField(int id) {
    return (id >= intraFirst && id <= intraLast) || (id >= nonIntraFirst && id <= nonIntraLast);
}

void enableFileButtons(ControlModel& c, bool on) {
    for (int id : {loadCustomButton, saveMtxButton, saveCqmButton})
        c.setEnabled(kPage, id, on);
}

} // namespace

void MatrixPage::onDefault(int id) {
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    switch (id) {
    case builtInRadio:
    case builtInCombo:
        if (id == builtInRadio) {
            c.setEnabled(kPage, builtInCombo, true);
            enableFileButtons(c, false);
        }
        s.matrixChoice = matrixChoiceFromDisplayName(c.text(kPage, builtInCombo));
        showMatrix();
        enableGrid(false);
        if (id == builtInRadio) p_.status().show(kBuiltInActivated);
        break;
    case customRadio:
        c.setEnabled(kPage, builtInCombo, false);
        enableFileButtons(c, true);
        s.matrixChoice = kCustomMatrixChoice;
        showMatrix();
        enableGrid(true);
        p_.status().show(kCustomActivated);
        break;
    case adaptiveMatrixCheck:
        // The ini writer reads the switch from the box itself; only the user is told.
        p_.status().show(c.checked(kPage, adaptiveMatrixCheck) ? kAdaptiveOn : kAdaptiveOff);
        break;
    default:
        break;
    }
}

void MatrixPage::onLoseFocus(int id) {
    // A grid that shows a built-in pair is never read: its values would replace the user's custom pair.
    if (!isGridField(id) || p_.settings().matrixChoice != kCustomMatrixChoice) return;
    ControlModel& c = p_.controls();
    Settings& s = p_.settings();
    MatrixGridTexts texts;
    for (std::size_t i = 0; i < kMatrixGridFields; ++i)
        texts[i] = c.text(kPage, gridField(i));
    const MatrixPair pair = readMatrixGrid(texts, customMatrixPair(s));
    setCustomMatrixPair(s, pair);
    shown_ = pair;
    const MatrixGridTexts corrected = matrixGridTexts(pair);
    // The intra DC field is not the user's to change, so it is not rewritten either.
    for (std::size_t i = 1; i < kMatrixGridFields; ++i)
        c.setText(kPage, gridField(i), corrected[i]);
    p_.status().clear();
}

void MatrixPage::showMatrix() {
    updateShownMatrix(p_.settings(), shown_);
    const MatrixGridTexts texts = matrixGridTexts(shown_);
    for (std::size_t i = 0; i < kMatrixGridFields; ++i)
        p_.controls().setText(kPage, gridField(i), texts[i]);
}

void MatrixPage::enableGrid(bool on) {
    for (std::size_t i = 0; i < kMatrixGridFields; ++i)
        p_.controls().setEnabled(kPage, gridField(i), on && gridField(i) != intraFirst);
}

void MatrixPage::importFile(const std::string& path) {
    Settings& s = p_.settings();
    MatrixPair pair = customMatrixPair(s);
    const MatrixFileResult result = readMatrixFile(path, pair);
    if (result == MatrixFileResult::Ok) {
        setCustomMatrixPair(s, pair);
        s.matrixChoice = kCustomMatrixChoice;
        showMatrix();
    }
    p_.status().show(matrixImportMessage(result));
}

void MatrixPage::exportFile(int button, const std::string& path) {
    const MatrixPair pair = customMatrixPair(p_.settings());
    const MatrixFileResult result =
        button == saveCqmButton ? writeMatrixCqm(path, pair) : writeMatrixMtx(path, pair);
    p_.status().show(matrixExportMessage(result));
}

} // namespace mivo
