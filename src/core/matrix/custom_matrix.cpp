#include "core/matrix/custom_matrix.h"

namespace mivo {

MatrixPair customMatrixPair(const Settings& settings) {
    return MatrixPair{settings.customIntraMatrix, settings.customNonIntraMatrix};
}

void setCustomMatrixPair(Settings& settings, const MatrixPair& pair) {
    settings.customIntraMatrix = pair.intra;
    settings.customNonIntraMatrix = pair.nonIntra;
}

void updateShownMatrix(Settings& settings, MatrixPair& shown) {
    MatrixPair custom = customMatrixPair(settings);
    normaliseCustomPair(custom);
    setCustomMatrixPair(settings, custom);
    if (const MatrixPair* chosen = pairOfChoice(settings.matrixChoice, custom)) shown = *chosen;
}

} // namespace mivo
