#pragma once
// The custom pair as the settings record keeps it (two separate matrices), and the record's half of
// showing a matrix choice on the Matrix page.

#include "core/matrix/matrix_pair.h"
#include "core/settings/settings.h"

namespace mivo {

MatrixPair customMatrixPair(const Settings& settings);
void setCustomMatrixPair(Settings& settings, const MatrixPair& pair);

// Fills `shown` with the pair of settings.matrixChoice (left as it was for a code that stands for no
// pair), then normalises the record's custom pair. In this order, so that a custom pair just loaded shows
// its values as loaded until the first grid edit rewrites them.
void updateShownMatrix(Settings& settings, MatrixPair& shown);

} // namespace mivo
