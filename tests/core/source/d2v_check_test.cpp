#include "core/source/d2v_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;
using namespace mivo;

namespace {

// Records every path asked about, answers from a fixed set.
struct FakeFiles {
    std::set<std::string> present;
    std::vector<std::string> asked;
    FileExistsFn fn() {
        return [this](const std::string& p) {
            asked.push_back(p);
            return present.count(p) > 0;
        };
    }
};

D2vCheck check(const std::string& text, FakeFiles& files, const std::string& project = "/p/movie.d2v") {
    std::istringstream in(text);
    return checkD2vProject(in, project, files.fn());
}

fs::path freshFolder(const std::string& name) {
    const fs::path dir = fs::path(MIVO_BINARY_DIR) / "test-tmp" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void writeFile(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

} // namespace

TEST(D2vCheck, NamesAndDisplayForm) {
    EXPECT_TRUE(hasExtension("movie.d2v", ".d2v"));
    EXPECT_TRUE(hasExtension("MOVIE.D2V   ", ".d2v"));
    EXPECT_TRUE(hasExtension(std::string("a.AvS\0", 6), ".avs"));
    EXPECT_FALSE(hasExtension("movie.d2", ".d2v"));
    EXPECT_FALSE(hasExtension("movie.input", ".d2v"));
    EXPECT_FALSE(hasExtension("d2v", ".d2v"));

    EXPECT_EQ(folderPart("/a/b/c.d2v"), "/a/b/");
    EXPECT_EQ(folderPart("C:\\x\\y.d2v"), "C:\\x\\");
    EXPECT_EQ(folderPart("y.d2v"), "");

    const std::string fifty = "/home/user/videos/holiday/2024/summer/movie-01.d2v";
    ASSERT_EQ(fifty.size(), 50u);
    const std::string shown = displayForm(fifty + "   ");
    EXPECT_EQ(shown.size(), 40u);
    EXPECT_EQ(shown, "/home..." + fifty.substr(18));
    const std::string forty(40, 'x');
    EXPECT_EQ(displayForm(forty), forty);
    // Characters, not bytes: 40 two-byte letters stay whole; 45 keep 5 + 32 of them, none cut.
    std::string umlauts;
    for (int i = 0; i < 45; ++i)
        umlauts += i < 40 ? "\xC3\xA4" : "\xC3\xB6";
    EXPECT_EQ(displayForm(umlauts.substr(0, 80)), umlauts.substr(0, 80));
    EXPECT_EQ(displayForm(umlauts), umlauts.substr(0, 10) + "..." + umlauts.substr(90 - 64));

    EXPECT_EQ(decoderLibraryName(6), "DGDecode06.dll");
    EXPECT_EQ(decoderLibraryName(16), "DGDecode16.dll");
    EXPECT_EQ(decoderLibraryName(14), "");
    EXPECT_EQ(decoderLoadMessage(16), ", DGDecode.dll (project version 16) loaded");
    EXPECT_EQ(decoderLoadMessage(6), ", DGDecode.dll (project version 6) loaded");
}

TEST(D2vCheck, VersionAndHeaderRules) {
    FakeFiles files;
    files.present = {"/v/a.vob"};

    D2vCheck c = check("DGIndexProjectFile16\r\n1\r\n/v/a.vob\r\n\r\nStream_Type=1\r\n", files);
    EXPECT_EQ(c.version, 16);
    EXPECT_TRUE(c.versionValid);
    EXPECT_TRUE(c.filesFound);

    c = check("DGIndexProjectFile16   \n1\n/v/a.vob\n", files); // trailing blanks, LF only
    EXPECT_EQ(c.version, 16);
    EXPECT_TRUE(c.versionValid);

    files.asked.clear();
    c = check("DGIndexProjectFile14\n1\n/v/a.vob\n", files);
    EXPECT_EQ(c.version, 14);
    EXPECT_FALSE(c.versionValid);
    EXPECT_TRUE(c.filesFound); // a mismatch, not a missing file
    EXPECT_TRUE(files.asked.empty());

    // Unreadable headers are treated like an unknown version (the shared header reading test has the
    // single rules); one that lacks a known format line reports no version at all.
    c = check("movie16\n1\n/v/a.vob\n", files);
    EXPECT_EQ(c.version, 0);
    EXPECT_FALSE(c.versionValid);
    EXPECT_TRUE(c.filesFound);
}

TEST(D2vCheck, FileListStopsAtFirstMissingFile) {
    FakeFiles files;
    files.present = {"/v/a.vob", "/v/c.vob"};
    D2vCheck c = check("DGIndexProjectFile16\n3\n/v/a.vob\n/v/b.vob\n/v/c.vob\n", files);
    EXPECT_FALSE(c.filesFound);
    EXPECT_FALSE(c.versionValid);
    for (const std::string& p : files.asked)
        EXPECT_EQ(p.find("c.vob"), std::string::npos) << p;

    // Fewer lines than announced: the missing lines are missing files.
    c = check("DGIndexProjectFile16\n2\n/v/a.vob\n", files);
    EXPECT_FALSE(c.filesFound);

    // Version 6 lines carry a length field; the path keeps its case.
    files.present = {"C:\\video\\A.vob"};
    files.asked.clear();
    c = check("DGIndexProjectFile06\n1\n14 C:\\video\\A.vob  \n", files);
    EXPECT_TRUE(c.filesFound);
    ASSERT_FALSE(files.asked.empty());
    EXPECT_EQ(files.asked.front(), "C:\\video\\A.vob");
}

TEST(D2vCheck, ListedPathResolution) {
    FakeFiles files;
    files.present = {"/p/sub/b.vob", "/p/a.vob"};
    auto fn = files.fn();
    EXPECT_EQ(resolveListedPath("sub\\b.vob", "/p/movie.d2v", fn), "/p/sub/b.vob");
    EXPECT_EQ(resolveListedPath("sub/b.vob", "/p/movie.d2v", fn), "/p/sub/b.vob");
    // A drive path of another machine falls back to the same name beside the project.
    EXPECT_EQ(resolveListedPath("D:\\caps\\a.vob", "/p/movie.d2v", fn), "/p/a.vob");
    EXPECT_EQ(resolveListedPath("/elsewhere/a.vob", "/p/movie.d2v", fn), "/p/a.vob");
    EXPECT_EQ(resolveListedPath("D:\\caps\\x.vob", "/p/movie.d2v", fn), "");
    EXPECT_EQ(resolveListedPath("   ", "/p/movie.d2v", fn), "");
    EXPECT_EQ(resolveListedPath("D:\\caps\\", "/p/movie.d2v", fn), "");
}

TEST(D2vCheck, ClassifyInputOnRealFiles) {
    const fs::path dir = freshFolder("classify");
    writeFile(dir / "a.vob", "x");
    writeFile(dir / "MOVIE.D2V", "DGIndexProjectFile16\r\n1\r\nD:\\caps\\a.vob\r\n");
    writeFile(dir / "old.d2v", "DGIndexProjectFile14\r\n1\r\na.vob\r\n");
    writeFile(dir / "gone.d2v", "DGIndexProjectFile13\r\n2\r\na.vob\r\nb.vob\r\n");
    const auto exists = [](const std::string& p) { return fs::is_regular_file(p); };

    SourceState s;
    classifyInput(s, (dir / "MOVIE.D2V").string() + "  ", "/prog/DGDecode/", exists);
    EXPECT_TRUE(s.isD2vProject);
    EXPECT_FALSE(s.isAvisynthScript);
    EXPECT_EQ(s.projectVersion, 16);
    EXPECT_TRUE(s.projectVersionValid);
    EXPECT_TRUE(s.projectFilesFound);
    EXPECT_EQ(s.decoderLibraryPath, "/prog/DGDecode/DGDecode16.dll");
    EXPECT_FALSE(s.isVideoFile);

    classifyInput(s, (dir / "old.d2v").string(), "/prog/DGDecode/", exists);
    EXPECT_FALSE(s.isD2vProject);
    EXPECT_FALSE(s.isVideoFile); // a project refused is not tried as a video file
    EXPECT_EQ(s.projectVersion, 14);
    EXPECT_FALSE(s.projectVersionValid);
    EXPECT_TRUE(s.projectFilesFound);

    classifyInput(s, (dir / "gone.d2v").string(), "/prog/DGDecode/", exists);
    EXPECT_FALSE(s.isD2vProject);
    EXPECT_FALSE(s.projectFilesFound);
    EXPECT_EQ(s.decoderLibraryPath, "/prog/DGDecode/DGDecode13.dll");

    classifyInput(s, (dir / "script.AVS").string(), "/prog/DGDecode/", exists);
    EXPECT_TRUE(s.isAvisynthScript);
    EXPECT_FALSE(s.isD2vProject);
    EXPECT_FALSE(s.isVideoFile);
    EXPECT_EQ(s.projectVersion, 0);

    // Any other name is a video file for the libraries to judge, ".d2" as well as ".mkv".
    for (const char* name : {"movie.input", "movie.d2", "clip.MKV  "}) {
        classifyInput(s, (dir / name).string(), "/prog/DGDecode/", exists);
        EXPECT_FALSE(s.isAvisynthScript) << name;
        EXPECT_FALSE(s.isD2vProject) << name;
        EXPECT_TRUE(s.isVideoFile) << name;
    }
    classifyInput(s, "   ", "/prog/DGDecode/", exists);
    EXPECT_FALSE(s.isVideoFile);

    // A project that cannot be opened is not usable.
    classifyInput(s, (dir / "absent.d2v").string(), "/prog/DGDecode/", exists);
    EXPECT_FALSE(s.isD2vProject);
    EXPECT_FALSE(s.projectVersionValid);
}
