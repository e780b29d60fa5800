#pragma once
// The matrix readers' promise, as one check over any bytes: every reader takes them without a crash, and
// a pair any of them reads survives being written in either form and read again, and being shown in the
// grid and read back from it. Shared by the fuzz target and the test that replays its corpus.

#include "core/matrix/matrix_file.h"
#include "core/matrix/mpeg2enc_matrix_text.h"

#include <string>
#include <string_view>

namespace mivo::test {

// Empty when the promise holds for `pair`; otherwise what broke.
inline std::string checkMatrixPairRoundTrip(const MatrixPair& pair) {
    MatrixPair again;
    if (parseMtxText(mtxText(pair), again) != MatrixFileResult::Ok || again != pair)
        return "the text form does not read back";
    if (parseCqmBytes(cqmBytes(pair), again) != MatrixFileResult::Ok) return "the binary form does not read";
    for (std::size_t i = 0; i < 64; ++i)
        if (again.intra[i] != (pair.intra[i] & 0xFF) || again.nonIntra[i] != (pair.nonIntra[i] & 0xFF))
            return "the binary form does not keep the low bytes";
    MatrixPair normalised = pair;
    normaliseCustomPair(normalised);
    if (readMatrixGrid(matrixGridTexts(pair), pair) != normalised) return "the grid does not read back";
    return {};
}

inline std::string checkMatrixReaders(std::string_view input) {
    MatrixPair pair;
    if (parseMtxText(input, pair) == MatrixFileResult::Ok) {
        if (std::string problem = checkMatrixPairRoundTrip(pair); !problem.empty()) return "text: " + problem;
    }
    if (parseCqmBytes(input, pair) == MatrixFileResult::Ok) {
        if (cqmBytes(pair) != input.substr(0, 128)) return "binary: the bytes do not come back";
    }
    if (parseMpeg2encMatrixText(input, pair)) {
        if (std::string problem = checkMatrixPairRoundTrip(pair); !problem.empty())
            return "mpeg2enc: " + problem;
    }
    return {};
}

} // namespace mivo::test
