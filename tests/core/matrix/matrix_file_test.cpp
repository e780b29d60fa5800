// Matrix files: which form a name selects, the import of both forms and of mpeg2enc's form, the export
// layouts, round trips over generated pairs, and failures that change nothing.

#include "matrix_pairs.h"

#include "base/whole_file.h"
#include "core/matrix/builtin_matrices.h"
#include "core/matrix/matrix_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mivo {
namespace {

namespace fs = std::filesystem;

fs::path scratch(const std::string& name) {
    const fs::path dir = fs::path(MIVO_BINARY_DIR) / "test-tmp" / "matrix" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string joined(const MatrixValues& m, std::size_t from, std::size_t count, const char* separator) {
    std::string out;
    for (std::size_t i = from; i < from + count; ++i)
        out += (i > from ? separator : "") + std::to_string(m[i]);
    return out;
}

// The pair as lines of `perLine` values, each matrix on lines of its own.
std::string lines(const MatrixPair& p, std::size_t perLine, const char* separator,
                  const std::string& between) {
    std::string out;
    for (const MatrixValues* m : {&p.intra, &p.nonIntra}) {
        if (m == &p.nonIntra) out += between;
        for (std::size_t i = 0; i < 64; i += perLine)
            out += joined(*m, i, perLine, separator) + "\n";
    }
    return out;
}

TEST(MatrixFile, TheLastThreeLettersOfTheNameChooseTheForm) {
    using F = MatrixFileForm;
    const std::pair<std::string_view, F> cases[] = {
        {"a.mtx", F::Text},   {"/x/A.MTX", F::Text}, {"plainmtx", F::Text},  {"a.Mtx  ", F::Text},
        {"a.cqm", F::Binary}, {"B.CqM", F::Binary},  {"a.txt", F::Unknown},  {"mtx.txt", F::Unknown},
        {"tx", F::Unknown},   {"", F::Unknown},      {"a.mtx.", F::Unknown}, {"a.cqmx", F::Unknown},
    };
    for (const auto& [path, form] : cases)
        EXPECT_EQ(matrixFileFormOf(path), form) << path;
}

TEST(MatrixFile, ImportReadsWhatItCanAndOtherwiseChangesNothing) {
    using R = MatrixFileResult;
    const fs::path dir = scratch("import");
    std::mt19937 rng(5);
    const MatrixPair p = test::randomPair(rng, 0, 255);
    const MatrixPair& notch = builtInMatrix(3)->pair;
    MatrixPair sentinel;
    sentinel.intra.fill(-1);

    std::string cqm = cqmBytes(p);
    std::string bigCqm = cqmBytes(notch) + std::string(72, '\x07');
    const std::string oneLine = joined(p.intra, 0, 64, " ") + " " + joined(p.nonIntra, 0, 64, " ") + "\n";
    const std::string mpeg2enc = "# made by hand\n#\n" + lines(p, 8, ",", "# non-intra\n");
    std::string sevenValues = lines(p, 8, ",", ""); // the first line loses its last value
    const std::size_t firstEnd = sevenValues.find('\n'), lastComma = sevenValues.rfind(',', firstEnd);
    sevenValues.erase(lastComma, firstEnd - lastComma);
    std::string blankForComma = lines(p, 8, ",", "");
    blankForComma[blankForComma.find(',')] = ' ';
    struct Case {
        std::string name;
        std::string content; // no file when empty
        R result;
        const MatrixPair* pair;
    };
    const Case cases[] = {
        {"written.mtx", mtxText(p), R::Ok, &p},
        {"sixteen.mtx", lines(p, 8, " ", ""), R::Ok, &p},
        // Values after the 64th on its line belong to no matrix.
        {"extra.mtx", joined(p.intra, 0, 64, " ") + " 999 998\n" + joined(p.nonIntra, 0, 64, " "), R::Ok, &p},
        {"commas.mtx", "\n\n" + lines(p, 16, ", ", "\n \n"), R::Ok, &p},
        {"halves.mtx", joined(p.intra, 0, 64, " ") + "\r\n" + joined(p.nonIntra, 0, 64, "\t"), R::Ok, &p},
        {"bom.mtx", "\xEF\xBB\xBF" + mtxText(p), R::Ok, &p},
        {"UPPER.MTX", mtxText(p), R::Ok, &p}, // found under its own name, not a folded one
        {"nodotmtx", mtxText(p), R::Ok, &p},
        {"oneline.mtx", oneLine, R::CannotRead, &sentinel},
        {"short.mtx", mtxText(p).substr(0, 546 - 6), R::CannotRead, &sentinel}, // 127 values
        {"word.mtx", "8 x" + mtxText(p).substr(4), R::CannotRead, &sentinel},
        {"hash.mtx", mpeg2enc, R::CannotRead, &sentinel}, // a .mtx is read as the text form only
        {"p.cqm", cqm, R::Ok, &p},
        {"long.CQM", bigCqm, R::Ok, &notch},
        {"short.cqm", cqm.substr(0, 127), R::CannotRead, &sentinel},
        {"gone.mtx", "", R::CannotOpen, &sentinel},
        {"gone.cqm", "", R::CannotOpen, &sentinel},
        {"hand.txt", mpeg2enc, R::Ok, &p},
        {"hand", lines(p, 8, " , ", "\r\n"), R::Ok, &p},
        {"plain.txt", mtxText(p), R::UnknownFormat, &sentinel},
        {"ninth.txt", mpeg2enc + "1,2,3,4,5,6,7,8\n", R::UnknownFormat, &sentinel},
        {"seven.txt", sevenValues, R::UnknownFormat, &sentinel},
        {"blank.txt", blankForComma, R::UnknownFormat, &sentinel},
        {"gone.txt", "", R::CannotOpen, &sentinel},
        {"huge.txt", std::string(70 * 1024, '#'), R::UnknownFormat, &sentinel},
    };
    for (const Case& c : cases) {
        const std::string path = (dir / c.name).string();
        if (!c.content.empty()) {
            ASSERT_TRUE(writeWholeFile(path, c.content));
        }
        MatrixPair pair = sentinel;
        EXPECT_EQ(readMatrixFile(path, pair), c.result) << c.name;
        EXPECT_EQ(pair, *c.pair) << c.name;
    }
}

TEST(MatrixFile, ExportWritesTheLayoutsWholeAndReportsFailure) {
    const fs::path dir = scratch("export");
    const MatrixPair& mpeg = builtInMatrix(1)->pair;
    const std::string mtx = (dir / "m.mtx").string(), cqm = (dir / "m.cqm").string();
    ASSERT_TRUE(writeWholeFile(cqm, std::string(1000, 'x'))); // a longer file is replaced, not overwritten

    EXPECT_EQ(writeMatrixMtx(mtx, mpeg), MatrixFileResult::Ok);
    EXPECT_EQ(writeMatrixCqm(cqm, mpeg), MatrixFileResult::Ok);
    std::string text, bytes;
    ASSERT_TRUE(readWholeFile(mtx, text));
    ASSERT_TRUE(readWholeFile(cqm, bytes));
    EXPECT_TRUE(text.starts_with("   8  16  19  22  26  27  29  34\r\n  16  16  22  24  27  29  34  37\r\n"));
    EXPECT_NE(text.find("  27  29  35  38  46  56  69  83\r\n\r\n  16  17  18  19  20  21  22  23\r\n"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("  23  24  25  27  28  30  31  33\r\n"));
    EXPECT_EQ(text.size(), 16u * 34 + 2); // 16 lines of 32 characters and an empty line, CR LF each
    ASSERT_EQ(bytes.size(), 128u);
    EXPECT_EQ(bytes.substr(0, 8), "\x08\x10\x13\x16\x1a\x1b\x1d\x22"); // the first intra row
    EXPECT_EQ(bytes.substr(120), "\x17\x18\x19\x1b\x1c\x1e\x1f\x21");  // the last non-intra row

    // The low byte of each value goes into the binary form.
    MatrixPair wide = mpeg;
    wide.nonIntra[63] = 256 + 5;
    EXPECT_EQ(cqmBytes(wide).back(), '\x05');

    // A write that cannot happen is reported and leaves what was there.
    for (const std::string& target : {(dir / "missing" / "m.mtx").string(), (dir / "folder.cqm").string()}) {
        fs::create_directories(dir / "folder.cqm");
        EXPECT_EQ(writeMatrixMtx(target, mpeg), MatrixFileResult::CannotWrite) << target;
        EXPECT_EQ(writeMatrixCqm(target, mpeg), MatrixFileResult::CannotWrite) << target;
    }
    EXPECT_TRUE(fs::is_empty(dir / "folder.cqm"));
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_NE(entry.path().extension(), ".writing") << entry.path();
}

TEST(MatrixFile, ExportThenImportGivesTheSamePair) {
    const fs::path dir = scratch("round-trip");
    const std::string mtx = (dir / "r.mtx").string(), cqm = (dir / "r.cqm").string();
    std::mt19937 rng(11);
    for (int i = 0; i < 100; ++i) {
        const MatrixPair pair = test::randomCustomPair(rng);
        MatrixPair fromMtx, fromCqm;
        ASSERT_EQ(writeMatrixMtx(mtx, pair), MatrixFileResult::Ok);
        ASSERT_EQ(writeMatrixCqm(cqm, pair), MatrixFileResult::Ok);
        ASSERT_EQ(readMatrixFile(mtx, fromMtx), MatrixFileResult::Ok);
        ASSERT_EQ(readMatrixFile(cqm, fromCqm), MatrixFileResult::Ok);
        ASSERT_EQ(fromMtx, pair) << "case " << i;
        ASSERT_EQ(fromCqm, pair) << "case " << i;
        ASSERT_EQ(fs::file_size(cqm), 128u);
    }
}

TEST(MatrixFile, TheShippedExamplesAreTheirPairs) {
    MatrixPair flat;
    flat.intra.fill(16);
    flat.nonIntra.fill(16);
    flat.intra[0] = kIntraDcValue;
    const std::pair<const char*, MatrixPair> examples[] = {{"flat16.mtx", flat},
                                                           {"notch.mtx", builtInMatrix(3)->pair},
                                                           {"mivolow.mtx", builtInMatrix(12)->pair}};
    for (const auto& [name, expected] : examples) {
        const fs::path shipped = fs::path(MIVO_BINARY_DIR) / "bin" / "matrix" / name;
        MatrixPair read;
        ASSERT_EQ(readMatrixFile(shipped.string(), read), MatrixFileResult::Ok) << shipped;
        EXPECT_EQ(read, expected) << name;
        std::string text;
        ASSERT_TRUE(readWholeFile(shipped.string(), text));
        EXPECT_EQ(text, mtxText(read)) << name << " is laid out as the export writes it";
    }
}

TEST(MatrixFile, MessagesForTheStatusLine) {
    using R = MatrixFileResult;
    const std::tuple<R, std::string_view, std::string_view> cases[] = {
        {R::Ok, " matrix file successfully read", " matrix file successfully written"},
        {R::UnknownFormat, "unknown format matrix file", "error writing matrix file"},
        {R::CannotOpen, "error opening matrix file", "error writing matrix file"},
        {R::CannotRead, "error reading matrix file", "error writing matrix file"},
        {R::CannotWrite, "error writing matrix file", "error writing matrix file"},
    };
    for (const auto& [result, import, exported] : cases) {
        EXPECT_EQ(matrixImportMessage(result), import);
        EXPECT_EQ(matrixExportMessage(result), exported);
    }
}

} // namespace
} // namespace mivo
