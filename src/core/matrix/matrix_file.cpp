#include "core/matrix/matrix_file.h"

#include "base/fixed_format.h"
#include "base/whole_file.h"
#include "core/free_format.h"
#include "core/matrix/mpeg2enc_matrix_text.h"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace mivo {

namespace {

constexpr std::size_t kCqmBytes = 128;

// A file in mpeg2enc's form is a few hundred bytes; anything much larger is not one, and is not read in
// whole just to find that out.
constexpr std::uintmax_t kLargestMpeg2encFile = 64 * 1024;

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool endsWithFolded(std::string_view text, std::string_view lowerTail) {
    if (text.size() < lowerTail.size()) return false;
    text.remove_prefix(text.size() - lowerTail.size());
    for (std::size_t i = 0; i < lowerTail.size(); ++i)
        if (asciiLower(text[i]) != lowerTail[i]) return false;
    return true;
}

// Text editors on Windows like to start a UTF-8 file with a byte order mark; it is no part of a value.
std::string_view withoutByteOrderMark(std::string_view text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
    return text;
}

// The value right-aligned in 4 characters, as "%4d" would; a value that needs 4 or more characters keeps
// one blank before it, so that it never runs into the value before and the file still reads back.
void appendMtxValue(std::string& out, int v) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
    const std::size_t length = static_cast<std::size_t>(end - digits);
    out.append(length < 4 ? 4 - length : 1, ' ');
    out.append(digits, length);
}

MatrixFileResult readUnknownForm(const std::string& path, MatrixPair& pair) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) return MatrixFileResult::CannotOpen;
    if (size > kLargestMpeg2encFile) return MatrixFileResult::UnknownFormat;
    std::string text;
    if (!readWholeFile(path, text)) return MatrixFileResult::CannotOpen;
    return parseMpeg2encMatrixText(text, pair) ? MatrixFileResult::Ok : MatrixFileResult::UnknownFormat;
}

} // namespace

MatrixFileForm matrixFileFormOf(std::string_view path) {
    path = trimmedRight(path);
    if (endsWithFolded(path, "mtx")) return MatrixFileForm::Text;
    if (endsWithFolded(path, "cqm")) return MatrixFileForm::Binary;
    return MatrixFileForm::Unknown;
}

std::string_view matrixImportMessage(MatrixFileResult result) {
    switch (result) {
    case MatrixFileResult::Ok:
        return " matrix file successfully read";
    case MatrixFileResult::UnknownFormat:
        return "unknown format matrix file";
    case MatrixFileResult::CannotOpen:
        return "error opening matrix file";
    case MatrixFileResult::CannotRead:
        return "error reading matrix file";
    case MatrixFileResult::CannotWrite:
        break;
    }
    return "error writing matrix file";
}

std::string_view matrixExportMessage(MatrixFileResult result) {
    return result == MatrixFileResult::Ok ? " matrix file successfully written" : "error writing matrix file";
}

MatrixFileResult parseMtxText(std::string_view text, MatrixPair& pair) {
    ff::TextLines lines(withoutByteOrderMark(text), std::string_view::npos);
    MatrixPair read;
    for (MatrixValues* m : {&read.intra, &read.nonIntra}) {
        // A list read of its own: the non-intra values start on the line after the 64th intra value.
        ff::ListRead list(lines);
        for (int& v : *m)
            if (list.nextInt(v) != ff::ReadStatus::Ok) return MatrixFileResult::CannotRead;
    }
    pair = read;
    return MatrixFileResult::Ok;
}

MatrixFileResult parseCqmBytes(std::string_view bytes, MatrixPair& pair) {
    if (bytes.size() < kCqmBytes) return MatrixFileResult::CannotRead;
    for (std::size_t i = 0; i < 64; ++i) {
        pair.intra[i] = static_cast<unsigned char>(bytes[i]);
        pair.nonIntra[i] = static_cast<unsigned char>(bytes[64 + i]);
    }
    return MatrixFileResult::Ok;
}

std::string mtxText(const MatrixPair& pair) {
    std::string out;
    out.reserve(17 * 34);
    for (const MatrixValues* m : {&pair.intra, &pair.nonIntra}) {
        if (m == &pair.nonIntra) out += "\r\n";
        for (std::size_t row = 0; row < 8; ++row) {
            for (std::size_t col = 0; col < 8; ++col)
                appendMtxValue(out, (*m)[row * 8 + col]);
            out += "\r\n";
        }
    }
    return out;
}

std::string cqmBytes(const MatrixPair& pair) {
    std::string out(kCqmBytes, '\0');
    for (std::size_t i = 0; i < 64; ++i) {
        out[i] = static_cast<char>(static_cast<unsigned char>(pair.intra[i] & 0xFF));
        out[64 + i] = static_cast<char>(static_cast<unsigned char>(pair.nonIntra[i] & 0xFF));
    }
    return out;
}

MatrixFileResult readMatrixFile(const std::string& path, MatrixPair& pair) {
    const MatrixFileForm form = matrixFileFormOf(path);
    if (form == MatrixFileForm::Unknown) return readUnknownForm(path, pair);
    std::string bytes;
    if (!readWholeFile(path, bytes)) return MatrixFileResult::CannotOpen;
    return form == MatrixFileForm::Binary ? parseCqmBytes(bytes, pair) : parseMtxText(bytes, pair);
}

MatrixFileResult writeMatrixMtx(const std::string& path, const MatrixPair& pair) {
    return writeWholeFile(path, mtxText(pair)) ? MatrixFileResult::Ok : MatrixFileResult::CannotWrite;
}

MatrixFileResult writeMatrixCqm(const std::string& path, const MatrixPair& pair) {
    return writeWholeFile(path, cqmBytes(pair)) ? MatrixFileResult::Ok : MatrixFileResult::CannotWrite;
}

} // namespace mivo
