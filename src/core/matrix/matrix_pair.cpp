#include "core/matrix/matrix_pair.h"

#include "base/fixed_format.h"
#include "core/free_format.h"
#include "core/matrix/builtin_matrices.h"

#include <algorithm>

namespace mivo {

namespace {

int clampMatrixValue(int v) {
    return std::max(std::min(v, kMatrixValueMax), kMatrixValueMin);
}

// The drop-down's text is compared as a blank-padded field of this many characters.
constexpr std::size_t kDisplayNameChars = 20;

} // namespace

void normaliseCustomPair(MatrixPair& pair) {
    for (MatrixValues* m : {&pair.intra, &pair.nonIntra})
        for (int& v : *m)
            v = clampMatrixValue(v);
    pair.intra[0] = kIntraDcValue;
}

const MatrixPair* pairOfChoice(int choice, const MatrixPair& custom) {
    if (choice == kCustomMatrixChoice) return &custom;
    const BuiltInMatrix* m = builtInMatrix(choice);
    return m ? &m->pair : nullptr;
}

int matrixChoiceFromDisplayName(std::string_view text) {
    const std::string_view name = trimmedRight(text.substr(0, kDisplayNameChars));
    for (int choice = 1; choice <= kBuiltInMatrixCount; ++choice)
        if (matrixDisplayName(choice) == name) return choice;
    return 1;
}

MatrixGridTexts matrixGridTexts(const MatrixPair& pair) {
    MatrixGridTexts texts;
    for (std::size_t i = 0; i < 64; ++i) {
        texts[i] = leftInt(pair.intra[i], static_cast<int>(kMatrixFieldChars));
        texts[64 + i] = leftInt(pair.nonIntra[i], static_cast<int>(kMatrixFieldChars));
    }
    return texts;
}

MatrixPair readMatrixGrid(const MatrixGridTexts& texts, const MatrixPair& before) {
    // A field left empty stands for the flat value of the default non-intra matrix.
    constexpr int kEmptyFieldValue = 16;
    MatrixPair pair;
    for (std::size_t i = 0; i < kMatrixGridFields; ++i) {
        const bool intra = i < 64;
        const std::size_t element = intra ? i : i - 64;
        int v = intra ? before.intra[element] : before.nonIntra[element];
        const std::string_view text = std::string_view(texts[i]).substr(0, kMatrixFieldChars);
        if (trimmed(text).empty())
            v = kEmptyFieldValue;
        else
            ff::readInt(text, v); // a text that does not read leaves the value before
        (intra ? pair.intra : pair.nonIntra)[element] = clampMatrixValue(v);
    }
    pair.intra[0] = kIntraDcValue;
    return pair;
}

} // namespace mivo
