// The file buttons of the Matrix, Chapters and PanScan pages: their dialogs' descriptions, the empty-
// list refusals before any dialog, and names emptied by a cancel.

#include "core/control_ids.h"
#include "program/program.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

namespace mivo {
namespace {

class RecordingDialogs : public DialogService {
  public:
    std::vector<FileDialogSpec> seen;
    std::deque<std::optional<std::string>> answers;
    std::optional<std::string> chooseFile(const FileDialogSpec& spec) override {
        seen.push_back(spec);
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a ? std::optional<std::string>(withDefaultExtension(*a, spec.defaultExtension)) : a;
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return std::nullopt; }
    MessageAnswer message(const std::string&, const std::string&, MessageButtons) override {
        return MessageAnswer::Ok;
    }
};

struct FileButtons : ::testing::Test {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "mivo-file-buttons-test";
    RecordingDialogs dialogs;
    std::unique_ptr<Program> program;
    void SetUp() override {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        ProgramOptions options;
        options.programFolder = folder.string() + "/";
        options.cpuLevel = 6;
        program = std::make_unique<Program>(dialogs, ProgramShell{}, options);
        program->startUp();
    }
    void TearDown() override {
        program.reset();
        std::filesystem::remove_all(folder);
    }
    // The button's notification, as a click would raise it (the pages' enabling is not under test).
    void press(PageId page, int id) { program->controls().notify(page, id, Notify::Default); }
};

TEST_F(FileButtons, EveryListAndMatrixButtonOpensItsDialog) {
    struct Expected {
        PageId page;
        int id;
        bool save;
        const char *title, *description, *pattern, *ext;
    };
    const Expected expected[] = {
        {PageId::Chapters, ids::chapters::importButton, false, "import chapter file",
         "text file    (*.txt, *.eds_chpt)", "*.txt;*.eds_chpt", "txt"},
        {PageId::PanScan, ids::panscan::importButton, false, "import panscan file", "text file    (*.txt)",
         "*.txt", "txt"},
        {PageId::Matrix, ids::matrix::loadCustomButton, false, "import matrix file",
         "matrix file  (*.mtx, *.cqm)", "*.mtx;*.cqm", "mtx"},
        {PageId::Matrix, ids::matrix::saveMtxButton, true, "export matrix file as mtx",
         "matrix file  (*.mtx)", "*.mtx", "mtx"},
        {PageId::Matrix, ids::matrix::saveCqmButton, true, "export matrix file as cqm",
         "matrix file  (*.cqm)", "*.cqm", "cqm"},
    };
    for (const Expected& e : expected) {
        dialogs.seen.clear();
        press(e.page, e.id);
        ASSERT_EQ(dialogs.seen.size(), 1u) << e.title;
        const FileDialogSpec& s = dialogs.seen.front();
        EXPECT_EQ(s.save, e.save) << e.title;
        EXPECT_EQ(s.title, e.title);
        EXPECT_EQ(s.filterDescription, e.description);
        EXPECT_EQ(s.filterPattern, e.pattern);
        EXPECT_EQ(s.defaultExtension, e.ext);
    }
    // The chapter export offers dvdauthor's times as a second filter.
    dialogs.seen.clear();
    program->settings().chapterCount = 1;
    press(PageId::Chapters, ids::chapters::exportButton);
    ASSERT_EQ(dialogs.seen.size(), 1u);
    EXPECT_EQ(dialogs.seen[0].filterPattern, "*.txt");
    ASSERT_EQ(dialogs.seen[0].otherFilters.size(), 1u);
    EXPECT_EQ(dialogs.seen[0].otherFilters[0].pattern, "*.dvdauthor");
    EXPECT_EQ(dialogs.seen[0].otherFilters[0].extension, "dvdauthor");
    // The matrix import starts in the matrix folder, the exports where the system likes.
    dialogs.seen.clear();
    press(PageId::Matrix, ids::matrix::loadCustomButton);
    press(PageId::Matrix, ids::matrix::saveMtxButton);
    EXPECT_EQ(dialogs.seen[0].folder, program->paths().matrixFolder);
    EXPECT_EQ(dialogs.seen[1].folder, "");
}

TEST_F(FileButtons, ExportsOfEmptyListsRefuseBeforeAnyDialog) {
    press(PageId::Chapters, ids::chapters::exportButton);
    EXPECT_TRUE(dialogs.seen.empty());
    EXPECT_EQ(program->controls().text(PageId::Window, ids::window::status), " no chapters in list");
    press(PageId::PanScan, ids::panscan::exportButton);
    EXPECT_TRUE(dialogs.seen.empty());
    EXPECT_EQ(program->controls().text(PageId::Window, ids::window::status), " no panscan positions in list");

    // With entries the dialogs open: the chapter export as a save dialog, the pan-scan export as an open
    // one (it accepts a new name but shows an open button).
    program->settings().chapterCount = 1;
    program->settings().panScanCount = 1;
    press(PageId::Chapters, ids::chapters::exportButton);
    press(PageId::PanScan, ids::panscan::exportButton);
    ASSERT_EQ(dialogs.seen.size(), 2u);
    EXPECT_TRUE(dialogs.seen[0].save);
    EXPECT_EQ(dialogs.seen[0].title, "export chapter file");
    EXPECT_FALSE(dialogs.seen[1].save);
    EXPECT_EQ(dialogs.seen[1].title, "export panscan file");
}

TEST_F(FileButtons, ListDialogsStartInTheIniFolderAndACancelEmptiesTheName) {
    const std::string iniFolder = (folder / "inis").string() + "/";
    std::filesystem::create_directories(iniFolder);
    dialogs.answers = {iniFolder + "saved"};
    press(PageId::Main, ids::main::saveIniButton);
    ASSERT_TRUE(std::filesystem::exists(iniFolder + "saved.ini"));
    EXPECT_EQ(program->iniFileName(), iniFolder + "saved.ini");

    dialogs.seen.clear();
    press(PageId::Chapters, ids::chapters::importButton); // cancelled
    EXPECT_EQ(dialogs.seen.back().folder, iniFolder);
    EXPECT_EQ(program->chapterFileName(), "");
    // A cancelled ini dialog empties the ini name: the next list dialog opens in the default folder.
    press(PageId::Main, ids::main::loadIniButton);
    press(PageId::PanScan, ids::panscan::importButton);
    EXPECT_EQ(dialogs.seen.back().folder, "");
    EXPECT_EQ(program->iniFileName(), "");
}

TEST(DefaultExtension, AppendedOnlyToANameWithoutOne) {
    EXPECT_EQ(withDefaultExtension("/a/movie", "input"), "/a/movie.input");
    EXPECT_EQ(withDefaultExtension("/a/movie.d2v", "input"), "/a/movie.d2v");
    EXPECT_EQ(withDefaultExtension("/a.dir/movie", "txt"), "/a.dir/movie.txt");
    EXPECT_EQ(withDefaultExtension("C:\\a.dir\\movie", "txt"), "C:\\a.dir\\movie.txt");
    EXPECT_EQ(withDefaultExtension("/a/movie", ""), "/a/movie");
}

} // namespace
} // namespace mivo
