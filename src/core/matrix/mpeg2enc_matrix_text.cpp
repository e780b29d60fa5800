#include "core/matrix/mpeg2enc_matrix_text.h"

#include "base/fixed_format.h"
#include "core/free_format.h"

namespace mivo {

namespace {

// One data line: exactly eight integers, one comma between neighbours. An empty value, a missing or a
// ninth value, or blanks in place of a comma make the line (and so the file) not of this form.
bool readEightValues(std::string_view line, int* out) {
    for (int i = 0; i < 8; ++i) {
        const std::size_t comma = line.find(',');
        const bool last = i == 7;
        if (last != (comma == std::string_view::npos)) return false;
        if (!ff::parseInt(trimmed(line.substr(0, comma)), out[i])) return false;
        if (!last) line.remove_prefix(comma + 1);
    }
    return true;
}

} // namespace

bool parseMpeg2encMatrixText(std::string_view text, MatrixPair& pair) {
    ff::TextLines lines(text, std::string_view::npos);
    MatrixPair read;
    int dataLines = 0;
    while (const auto line = lines.next()) {
        const std::string_view content = trimmed(*line);
        if (content.empty() || content.front() == '#') continue;
        if (dataLines == 16) return false; // values beyond the two matrices
        int* row = dataLines < 8 ? &read.intra[static_cast<std::size_t>(dataLines) * 8]
                                 : &read.nonIntra[static_cast<std::size_t>(dataLines - 8) * 8];
        if (!readEightValues(content, row)) return false;
        ++dataLines;
    }
    if (dataLines != 16) return false;
    pair = read;
    return true;
}

} // namespace mivo
