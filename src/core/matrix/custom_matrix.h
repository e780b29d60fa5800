#pragma once
// The custom pair as the settings record keeps it (two separate matrices), and the record's half of
// showing a matrix choice on the Matrix page.

#include "core/matrix/matrix_pair.h"
#include "core/settings/settings.h"

namespace mivo {

MatrixPair customMatrixPair(const Settings& settings);
void setCustomMatrixPair(Settings& settings, const MatrixPair& pair);

// Normalises the record's custom pair, then fills `shown` with the pair of settings.matrixChoice (left as
// it was for a code that stands for no pair). In this order, so that the grid never shows a custom value
// other than the one the encoder will get: a pair just loaded with 0, 300 or an intra DC of 16 shows as
// 1, 255 and 8 at once, and the page says the matrices shown are the ones used.
void updateShownMatrix(Settings& settings, MatrixPair& shown);

} // namespace mivo
