#pragma once
// Matrix files: the text form (.mtx: 64 intra values, then 64 non-intra values in free format, the second
// group starting on the line after the one that holds the 64th value) and the binary form (.cqm: 128
// bytes, intra first). Both hold raster order. Files in mpeg2enc's custom matrix form (see
// mpeg2enc_matrix_text.h) are read too when their name ends in neither extension.
//
// An import reads into a pair of its own and hands it over only when both matrices were read whole; no
// range check happens here (the page normalises the custom pair when it shows it). An export writes the
// whole file or leaves the old one as it was.

#include "core/matrix/matrix_pair.h"

#include <string>
#include <string_view>

namespace mivo {

enum class MatrixFileForm { Unknown, Text, Binary };

// By the last three characters of the path once trailing blanks are cut, in any case: "mtx" is the text
// form, "cqm" the binary one; no dot is needed before them. The path itself is never changed: on a
// case-sensitive file system a folded name would point at another file.
MatrixFileForm matrixFileFormOf(std::string_view path);

enum class MatrixFileResult {
    Ok,
    UnknownFormat, // neither extension, nor a file in mpeg2enc's form
    CannotOpen,
    CannotRead, // too few values, a value that is no integer, a binary file under 128 bytes
    CannotWrite,
};

// The status-line text after an import or an export, success included.
std::string_view matrixImportMessage(MatrixFileResult result);
std::string_view matrixExportMessage(MatrixFileResult result);

// The two forms held in memory. `pair` changes only when the result is Ok.
MatrixFileResult parseMtxText(std::string_view text, MatrixPair& pair);
MatrixFileResult parseCqmBytes(std::string_view bytes, MatrixPair& pair);

// The text form as written: 8 lines of 8 values for each matrix, each value right-aligned in 4
// characters, an empty line between the matrices, CR LF line ends (17 lines).
std::string mtxText(const MatrixPair& pair);
// The binary form: the low byte of each intra value, then of each non-intra value (128 bytes).
std::string cqmBytes(const MatrixPair& pair);

// Import: `pair` is replaced only when the result is Ok.
MatrixFileResult readMatrixFile(const std::string& path, MatrixPair& pair);
// Export, whole or not at all; a longer file already there is replaced, not overwritten in part.
MatrixFileResult writeMatrixMtx(const std::string& path, const MatrixPair& pair);
MatrixFileResult writeMatrixCqm(const std::string& path, const MatrixPair& pair);

} // namespace mivo
