#pragma once
// The sixteen built-in matrix pairs, indexed by their choice code 1..16, with the two names each goes by:
// the ini word of *MATRIX ("mpeg" ... "mpegstd") and the name in the Matrix page's drop-down list ("MPEG"
// ... "MPEG STANDARD"). The one table every user of a built-in pair reads: the page, the ini writer,
// the settings defaults and the encoder back end.

#include "core/matrix/matrix_pair.h"

#include <string_view>

namespace mivo {

inline constexpr int kBuiltInMatrixCount = 16;

struct BuiltInMatrix {
    std::string_view iniName;
    std::string_view displayName;
    MatrixPair pair;
};

// nullptr outside 1..16.
const BuiltInMatrix* builtInMatrix(int choice);

// Empty for codes outside 1..16.
std::string_view matrixIniName(int choice);
std::string_view matrixDisplayName(int choice);

// The default intra matrix of ISO/IEC 13818-2 and its flat non-intra one (all 16): the pair "MPEG
// STANDARD", and the custom pair's start-up values.
extern const MatrixValues kDefaultIntraMatrix;
extern const MatrixValues kDefaultNonIntraMatrix;

} // namespace mivo
