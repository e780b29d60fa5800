#pragma once
// mpeg2enc's custom quantisation matrix file (its -K file=NAME option): comment lines starting with '#',
// then the 64 intra values and the 64 non-intra values in raster order, as 16 lines of 8 integers
// separated by commas. Such files carry no fixed extension, so the import looks at the content, and only
// takes a text that has this form beyond doubt.

#include "core/matrix/matrix_pair.h"

#include <string_view>

namespace mivo {

// True when the text has exactly this form: apart from comment lines and blank lines, exactly 16 lines,
// each of exactly 8 integers with one comma between neighbours (blanks around the commas allowed).
// `pair` changes only then.
bool parseMpeg2encMatrixText(std::string_view text, MatrixPair& pair);

} // namespace mivo
