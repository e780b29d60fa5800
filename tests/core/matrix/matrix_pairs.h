#pragma once
// Generated matrix pairs for the matrix tests.

#include "core/matrix/matrix_pair.h"

#include <random>

namespace mivo::test {

// Every value drawn from lo..hi.
inline MatrixPair randomPair(std::mt19937& rng, int lo, int hi) {
    std::uniform_int_distribution<int> value(lo, hi);
    MatrixPair pair;
    for (MatrixValues* m : {&pair.intra, &pair.nonIntra})
        for (int& v : *m)
            v = value(rng);
    return pair;
}

// A pair as the page holds it: values 1..255, intra DC 8.
inline MatrixPair randomCustomPair(std::mt19937& rng) {
    MatrixPair pair = randomPair(rng, kMatrixValueMin, kMatrixValueMax);
    pair.intra[0] = kIntraDcValue;
    return pair;
}

} // namespace mivo::test
