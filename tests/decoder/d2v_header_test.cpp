// The D2V header as the front-end's check and the decoder library read it: each project below is handed
// to both, and both must come to the same verdict on it (and the library find the same file).

#include "d2v_project.h"

#include "base/paths.h"
#include "core/source/d2v_check.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <vector>

namespace mivo::test {
namespace {

enum class Verdict { Reads, Mismatch, FilesMissing };

const char* name(Verdict v) {
    return v == Verdict::Reads ? "reads" : v == Verdict::Mismatch ? "mismatch" : "files missing";
}

const std::string kLongPath = "/v/" + std::string(600, 'n') + ".vob";
// As long as a header line may be, and present but longer than that.
const std::string kLongestPath = "/v/" + std::string(kMaxD2vHeaderLine - 7, 'n') + ".vob";
const std::string kTooLongPath = "/v/" + std::string(5000, 'n') + ".vob";
const std::set<std::string> kPresent = {"/v/a.vob", "/v/b c.vob", "/p/c.vob",
                                        kLongPath,  kLongestPath, kTooLongPath};
const std::string kProject = "/p/movie.d2v";

struct Case {
    std::string header; // format line, count and file lines
    Verdict expected;
    std::string found = {}; // the first listed file, as resolved, when the project reads
};

// Settings and one data line in the layout of the header's format, so the library reads on to the end.
std::string withBody(const std::string& header) {
    const bool six = header.find("File06") != std::string::npos;
    const bool sixteen = header.find("File16") != std::string::npos;
    return header + "\r\nStream_Type=1\r\n\r\n" +
           (six       ? "7 0 0 0 0 12\r\n"
            : sixteen ? "900 5 0 0 0 0 0 d2\r\n"
                      : "900 5 0 0 0 0 d2\r\n");
}

Verdict frontEnd(const std::string& header) {
    std::istringstream in(withBody(header));
    const D2vCheck c =
        checkD2vProject(in, kProject, [](const std::string& p) { return kPresent.count(p) > 0; });
    if (!c.filesFound) return Verdict::FilesMissing;
    return c.versionValid ? Verdict::Reads : Verdict::Mismatch;
}

// The library has one refusal for both kinds; it opens every listed file as the check looks for it.
bool library(const std::string& header, std::string& found) {
    const mpeg2::ProjectParse r = mpeg2::parseD2vProject(withBody(header));
    if (!r.ok) return false;
    std::vector<std::string> paths;
    for (const std::string& listed : r.project.files) {
        paths.push_back(
            resolveListedPath(listed, kProject, [](const std::string& p) { return kPresent.count(p) > 0; }));
        if (paths.back().empty()) return false;
    }
    found = paths.front();
    return true;
}

TEST(D2vHeader, FrontEndCheckAndLibraryReadEveryHeaderAlike) {
    const std::string v16 = "DGIndexProjectFile16\r\n";
    const Case cases[] = {
        {v16 + "1\r\n/v/a.vob\r\n", Verdict::Reads, "/v/a.vob"},
        {"DGIndexProjectFile16\n1\n/v/a.vob\n", Verdict::Reads, "/v/a.vob"},
        {v16 + "1\r\n \t/v/b c.vob \t\r\n", Verdict::Reads, "/v/b c.vob"},
        {v16 + "1\r\nD:\\caps\\c.vob\r\n", Verdict::Reads, "/p/c.vob"},
        {v16 + "2\r\n/v/a.vob\r\n/v/gone.vob\r\n", Verdict::FilesMissing},
        {v16 + "2\r\n/v/a.vob\r\n", Verdict::FilesMissing}, // the list ends early
        {v16 + "1\r\n   \r\n", Verdict::FilesMissing},
        // A long path is read whole, not cut at some buffer's length; one longer than any path is refused.
        {v16 + "1\r\n" + kLongPath + "\r\n", Verdict::Reads, kLongPath},
        {v16 + "1\r\n" + kLongestPath + "\r\n", Verdict::Reads, kLongestPath}, // the CR is no part of it
        {v16 + "1\r\n" + kTooLongPath + "\r\n", Verdict::FilesMissing},
        // Length fields: formats before 11 carry one, and the path is what follows it.
        {"DGIndexProjectFile10\r\n1\r\n8 /v/a.vob\r\n", Verdict::Reads, "/v/a.vob"},
        {"DGIndexProjectFile06\r\n1\r\n8 /v/a.vob\r\n", Verdict::Reads, "/v/a.vob"},
        {"DGIndexProjectFile06\r\n1\r\n10 /v/b c.vob  \r\n", Verdict::Reads, "/v/b c.vob"},
        {"DGIndexProjectFile06\r\n1\r\n123 /v/a.vob\r\n", Verdict::Reads, "/v/a.vob"}, // value not held
        {"DGIndexProjectFile10\r\n1\r\n 8 /v/a.vob\r\n", Verdict::Reads, "/v/a.vob"},  // blank, then length
        {"DGIndexProjectFile06\r\n1\r\n /v/a.vob\r\n", Verdict::FilesMissing},         // blank, no length
        {"DGIndexProjectFile10\r\n1\r\n/v/a.vob\r\n", Verdict::FilesMissing},
        {"DGIndexProjectFile06\r\n1\r\n8\r\n", Verdict::FilesMissing},          // a length and no path
        {"DGIndexProjectFile11\r\n1\r\n8 /v/a.vob\r\n", Verdict::FilesMissing}, // "8 /v/a.vob" is the path
        // 12 and 15: a length field only where it counts the rest of the line exactly.
        {"DGIndexProjectFile15\r\n1\r\n8 /v/a.vob\r\n", Verdict::Reads, "/v/a.vob"},
        {"DGIndexProjectFile12\r\n1\r\n8 /v/a.vob   \r\n", Verdict::Reads, "/v/a.vob"},
        {"DGIndexProjectFile12\r\n1\r\n9 /v/a.vob\r\n", Verdict::FilesMissing},
        // The format line.
        {"  dgindexprojectfile13 \r\r\n1\r\n/v/a.vob\r\n", Verdict::Reads, "/v/a.vob"},
        {"DGIndexProjectFile14\r\n1\r\n/v/a.vob\r\n", Verdict::Mismatch},
        {"DGIndexProjectFile08\r\n1\r\n8 /v/a.vob\r\n", Verdict::Mismatch}, // no library reads 8
        {"movie16\r\n1\r\n/v/a.vob\r\n", Verdict::Mismatch},
        {"DGIndexProjectFile161\r\n1\r\n/v/a.vob\r\n", Verdict::Mismatch},
        {"DGIndexProjectFile" + std::string(5000, '0') + "16\r\n1\r\n/v/a.vob\r\n", Verdict::Mismatch},
        {"", Verdict::Mismatch},
        // The file count.
        {v16 + " +1 \r\n/v/a.vob\r\n", Verdict::Reads, "/v/a.vob"},
        {v16 + "0\r\n", Verdict::Mismatch},
        {v16 + "-1\r\n/v/a.vob\r\n", Verdict::Mismatch},
        {v16 + "1 2\r\n/v/a.vob\r\n", Verdict::Mismatch},
        {v16 + "4097\r\n/v/a.vob\r\n", Verdict::Mismatch},
        {v16 + "99999999999999999999\r\n/v/a.vob\r\n", Verdict::Mismatch},
        {v16, Verdict::Mismatch},
    };
    for (const Case& c : cases) {
        const std::string shown = c.header.substr(0, 80);
        const Verdict checked = frontEnd(c.header);
        EXPECT_EQ(name(checked), name(c.expected)) << shown;
        std::string found;
        EXPECT_EQ(library(c.header, found), c.expected == Verdict::Reads) << shown;
        EXPECT_EQ(found, c.found) << shown;
    }
}

} // namespace
} // namespace mivo::test
