// The Settings 1, 2 and 3 pages driven through the control model: after every action the three
// "current Mivo.ini" listings hold what the writer would write, in the listing's own order; the fields
// the pages check keep values within their bounds; rewrites raise no second notification; the folder
// browser keeps the record on a cancel.

#include "core/control_ids.h"
#include "core/free_format.h"
#include "program/pages/settings1_page.h"
#include "program/pages/settings3_page.h"
#include "program/program.h"
#include "program/settings/settings_operations.h"

#include "settings/listing_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

namespace mivo {
namespace {

namespace fs = std::filesystem;
namespace s1 = ids::settings1;
namespace s2 = ids::settings2;
namespace s3 = ids::settings3;

class FolderDialogs : public DialogService {
  public:
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> titles;
    std::optional<std::string> chooseFile(const FileDialogSpec&) override { return std::nullopt; }
    std::optional<std::string> chooseFolder(const std::string& title) override {
        titles.push_back(title);
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    MessageAnswer message(const std::string&, const std::string&, MessageButtons) override {
        return MessageAnswer::Ok;
    }
};

// The listing's order of the ini lines: keywords of one rank keep the writer's order among themselves.
const std::map<std::string, int>& listingRanks() {
    static const std::map<std::string, int> ranks = [] {
        const test::KeywordOrder& groups = test::listingOrder();
        std::map<std::string, int> r;
        for (std::size_t i = 0; i < groups.size(); ++i)
            for (const std::string& k : groups[i])
                r[k] = static_cast<int>(i);
        return r;
    }();
    return ranks;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a line without CR LF: " << text.substr(pos);
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// What the listing must show: the writer's lines, moved into the listing's order, file names cut to
// 127 characters; when the writer stopped at an unreadable quantiser, only what comes before the
// constant-quantisation lines in the listing's order.
std::vector<std::string> expectedListing(Settings& settings, const ControlModel& controls) {
    std::string text;
    const bool complete = renderIniText(settings, controls, text);
    struct Block {
        int rank;
        std::vector<std::string> lines;
    };
    std::vector<Block> blocks;
    for (std::string& line : splitLines(text)) {
        if (!line.empty() && line[0] == '*') {
            const std::string keyword = line.substr(0, line.find(' '));
            const auto rank = listingRanks().find(keyword);
            EXPECT_NE(rank, listingRanks().end()) << keyword;
            static const std::vector<std::string> names = {"*INFILE", "*OUTFILE", "*LOGFILE", "*DBPATH",
                                                           "*LLPATH"};
            if (std::find(names.begin(), names.end(), keyword) != names.end())
                line = line.substr(0, 18 + 127);
            blocks.push_back({rank == listingRanks().end() ? -1 : rank->second, {line}});
        } else {
            EXPECT_FALSE(blocks.empty()) << "an item line before any keyword: " << line;
            if (!blocks.empty()) blocks.back().lines.push_back(line);
        }
    }
    std::stable_sort(blocks.begin(), blocks.end(),
                     [](const Block& a, const Block& b) { return a.rank < b.rank; });
    const int cqRank = listingRanks().at("*CQ");
    std::vector<std::string> out;
    for (const Block& b : blocks)
        if (complete || b.rank < cqRank) out.insert(out.end(), b.lines.begin(), b.lines.end());
    return out;
}

std::optional<int> intOf(const ControlModel& c, PageId page, int id) {
    int v = 0;
    return ff::readInt(c.text(page, id), v) == ff::ReadStatus::Ok ? std::optional<int>(v) : std::nullopt;
}

class SettingsPages : public ::testing::Test {
  protected:
    fs::path folder;
    FolderDialogs dialogs;
    ProgramShell shell;
    std::unique_ptr<Program> program;
    int listingRebuilds = 0;

    void SetUp() override {
        folder =
            fs::temp_directory_path() / (std::string("mivo-settings-pages-") +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        program.reset();
        fs::remove_all(folder);
    }
    void start(const std::string& ini) {
        program.reset();
        fs::remove(folder / "Mivo.ini");
        if (!ini.empty()) std::ofstream(folder / "Mivo.ini", std::ios::binary) << ini;
        ProgramOptions options;
        options.programFolder = folder.string() + "/";
        options.cpuLevel = 4;
        program = std::make_unique<Program>(dialogs, shell, options);
        program->startUp();
        listingRebuilds = 0;
        program->controls().setObserver([this](const Control& c, Change what) {
            if (c.page == PageId::Settings1 && c.id == s1::iniListing && what == Change::Items)
                ++listingRebuilds;
        });
    }
    ControlModel& c() { return program->controls(); }

    // The three listings hold what the writer would write, in the listing's order.
    void expectListingMatchesWriter(const std::string& after) {
        const std::vector<std::string> expected = expectedListing(program->settings(), c());
        for (PageId page : {PageId::Settings1, PageId::Settings2, PageId::Settings3})
            ASSERT_EQ(c().at(page, s1::iniListing).lines(), expected) << "after " << after;
    }

    // The fields the pages check never keep a value outside their bounds.
    // `pending` is an edit typed into that has not lost the focus yet: its check is still to come.
    void expectFieldsWithinBounds(const std::string& after, std::optional<std::pair<PageId, int>> pending) {
        auto isPending = [&pending](PageId page, int id) { return pending == std::make_pair(page, id); };
        const ControlModel& m = c();
        const Settings& s = program->settings();
        SCOPED_TRACE("after " + after);
        EXPECT_EQ(s.maxConsecutiveB, m.checked(PageId::Settings2, s2::allow3BFramesCheck) ? 3 : 2);
        EXPECT_EQ(m.at(PageId::Settings1, s1::bFramesUpDown).rangeMax, s.maxConsecutiveB);
        EXPECT_EQ(intOf(m, PageId::Settings1, s1::gopLengthEdit),
                  m.pos(PageId::Settings1, s1::gopLengthUpDown));
        EXPECT_EQ(intOf(m, PageId::Settings1, s1::bFramesEdit), m.pos(PageId::Settings1, s1::bFramesUpDown));
        EXPECT_LE(intOf(m, PageId::Settings2, s2::waitForExitEdit).value_or(1000), 99);
        EXPECT_LE(intOf(m, PageId::Settings2, s2::vbrBiasEdit).value_or(1000), 100);
        for (int id : {s2::maskTopEdit, s2::maskBottomEdit, s2::maskShiftEdit}) {
            if (isPending(PageId::Settings2, id)) continue;
            const auto v = intOf(m, PageId::Settings2, id);
            ASSERT_TRUE(v.has_value()) << id;
            EXPECT_EQ(*v % 2, 0) << id;
        }
        if (!isPending(PageId::Settings2, s2::maskShiftEdit)) {
            EXPECT_LE(std::abs(intOf(m, PageId::Settings2, s2::maskShiftEdit).value_or(0)), 1152);
        }
        EXPECT_LE(intOf(m, PageId::Settings3, s3::timecodeHourEdit).value_or(1000), 23);
        for (int id : {s3::timecodeMinuteEdit, s3::timecodeSecondEdit, s3::timecodeFrameEdit})
            EXPECT_LE(intOf(m, PageId::Settings3, id).value_or(1000), 59);
        // The output size: empty, or an even size the encoder takes.
        for (auto [id, largest] : {std::pair{s3::frameWidthEdit, 1920}, {s3::frameHeightEdit, 1152}}) {
            if (isPending(PageId::Settings3, id) || m.text(PageId::Settings3, id).empty()) continue;
            const auto v = intOf(m, PageId::Settings3, id);
            ASSERT_TRUE(v.has_value()) << m.text(PageId::Settings3, id);
            EXPECT_EQ(*v % 2, 0) << id;
            EXPECT_GE(*v, 16) << id;
            EXPECT_LE(*v, largest) << id;
        }
        const std::string& memory = m.text(PageId::Settings3, s3::avsMemoryEdit);
        if (!memory.empty()) {
            const auto v = intOf(m, PageId::Settings3, s3::avsMemoryEdit);
            ASSERT_TRUE(v.has_value()) << memory;
            EXPECT_GE(*v, 1);
            EXPECT_LE(*v, 1024);
        }
        if (!isPending(PageId::Settings1, s1::quantValueEdit)) {
            float q = 0.0f;
            ASSERT_EQ(ff::readReal(m.text(PageId::Settings1, s1::quantValueEdit), q), ff::ReadStatus::Ok);
            EXPECT_GE(q, 1.0f);
            EXPECT_LE(q, 31.0f);
        }
        if (m.checked(PageId::Settings2, s2::silentCheck)) {
            EXPECT_FALSE(m.checked(PageId::Settings2, s2::previewCheck));
            EXPECT_FALSE(m.enabled(PageId::Settings2, s2::previewCheck));
        }
        const bool cq = m.checked(PageId::Settings1, s1::constantQuantCheck);
        for (int id : {s1::quantValueEdit, s1::checkVbvCheck, s1::pFactorUpDown, s1::bFactorUpDown})
            EXPECT_EQ(m.enabled(PageId::Settings1, id), cq) << id;
        EXPECT_EQ(m.enabled(PageId::Settings2, s2::vbrBiasEdit), !cq);
        EXPECT_EQ(m.enabled(PageId::Settings1, s1::tffRadio),
                  !m.checked(PageId::Settings1, s1::progressiveRadio));
    }
};

TEST_F(SettingsPages, ListingEqualsTheWritersLinesAfterEveryAction) {
    const std::vector<std::string> edits = {
        "",    "0",    "1",    "2",  "3",  "5",   "12",  "15",  "16",  "18",  "19",
        "23",  "30",   "36",   "40", "45", "59",  "60",  "99",  "100", "120", "150",
        "512", "1024", "2048", "-1", "-7", "abc", " 7 ", "7 8", "1,2", "1e3", "2147483648"};
    const std::vector<std::string> quantisers = {"20", "0.5", "4", "31.5", "abc", "", "7.25", "1e1", "12,5"};
    const std::vector<std::string> masks = {"7", "-7", "2000", "-3000", "5",  "0",
                                            "x", "-1", "1152", "8",     "721"};
    const std::vector<std::optional<std::string>> folders = {std::string("/data/intermediate"), std::nullopt,
                                                             std::string("/mnt/") + std::string(200, 'd'),
                                                             std::string("D:\\work\\db")};
    // Autogop on (GOP fields locked); a fixed GOP; constant quantisation with three B-frames, a time
    // code, folders and a long input name that the listing cuts short.
    std::vector<std::string> inis = {
        "",
        "*GOP              15 2\r\n*AQ               1\r\n",
        "*CQ               4.5\r\n*GOP              18 3\r\n*B3\r\n*TIMECODE         1 2 3 4\r\n"
        "*DBPATH           /db\r\n*LLPATH           /ll\r\n*CQ_PFACTOR       1.07\r\n*LUMGAIN          2\r\n"
        "*WAIT             0\r\n*BIAS             20\r\n*COLOUR           5\r\n*MPEGLEVEL        MP@HL\r\n",
    };

    // A DVD-sized source behind a name longer than the listing shows, with pan-scan positions, chapters
    // and zones: the name is cut, the item lines follow their keywords.
    const fs::path decoder = fs::path(MIVO_DOUBLES_DIR) / "libmivo_synthetic_decoder.so";
    ASSERT_TRUE(fs::exists(decoder)) << "build the mivo_synthetic_decoder target first";
    fs::create_directories(folder / "DGDecode");
    fs::copy_file(decoder, folder / "DGDecode" / "DGDecode16.dll", fs::copy_options::overwrite_existing);
    const std::string name = (folder / (std::string(150, 'm') + ".syn")).string();
    std::ofstream(name, std::ios::binary)
        << "synthetic-source\nsize 720 576\nrate 25 1\nframes 900\npixel YV12\n";
    const std::string project = (folder / (std::string(150, 'p') + ".d2v")).string();
    std::ofstream(project, std::ios::binary) << "DGIndexProjectFile16\r\n1\r\n" << name << "\r\n";
    inis.push_back("*INFILE           " + project +
                   "\r\n*PANSCAN          540 576 2\r\n0        -90    0\r\n100       30    0\r\n"
                   "*CHAPTER          2\r\n0\r\n500\r\n*ZONE             1\r\n200        0.5\r\n"
                   "*CUSTOMMATRIX\r\n" +
                   [] {
                       std::string rows;
                       for (int i = 0; i < 17; ++i)
                           rows += i == 8 ? "\r\n" : "  16  16  16  16  16  16  16  16\r\n";
                       return rows;
                   }());

    int compared = 0, aborted = 0;
    for (std::size_t run = 0; run < 12; ++run) {
        start(inis[run % inis.size()]);
        if (run % inis.size() == 3) {
            ASSERT_TRUE(program->source().sourceReady);
            ASSERT_TRUE(program->settings().panScanOn);
        }
        std::mt19937 rng(static_cast<unsigned>(1000 + run));
        auto pick = [&rng](std::size_t n) {
            return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
        };
        // The candidates of every page, by what the user can do with them.
        std::vector<std::pair<PageId, const Control*>> all;
        for (PageId page : {PageId::Settings1, PageId::Settings2, PageId::Settings3})
            for (const Control* ctl : c().controls(page))
                if (ctl->id != 0 && ctl->id != s1::iniListing) all.emplace_back(page, ctl);
        // More weight where the listing can be cut short: a quantiser typed but not yet checked, then an
        // up-down that leaves the focus where it is.
        for (int id : {s1::quantValueEdit, s1::gopLengthUpDown, s1::bFramesUpDown, s1::constantQuantCheck})
            for (int i = 0; i < 6; ++i)
                all.emplace_back(PageId::Settings1, &c().at(PageId::Settings1, id));

        std::optional<std::pair<PageId, int>> pending;
        for (int step = 0; step < 400; ++step) {
            auto [page, ctl] = all[pick(all.size())];
            // A quantiser left unchecked is followed, often, by an up-down that leaves the focus on it.
            if (pending == std::make_pair(PageId::Settings1, s1::quantValueEdit) && pick(2) == 0) {
                page = PageId::Settings1;
                ctl = &c().at(page, pick(2) == 0 ? s1::gopLengthUpDown : s1::bFramesUpDown);
            }
            if (!ctl->enabled) continue;
            const int id = ctl->id;
            std::string what = std::string(pageName(page)) + " " + std::to_string(id);
            const unsigned flags = ctl->tpl ? ctl->tpl->flags : 0u;
            const int before = listingRebuilds;
            bool notifies = true;
            switch (ctl->kind) {
            case ControlKind::CheckBox:
            case ControlKind::Radio:
            case ControlKind::Button:
                if (id == s3::losslessPathButton || id == s3::dbPathButton)
                    dialogs.answers.push_back(folders[pick(folders.size())]);
                c().userClick(page, id);
                break;
            case ControlKind::UpDown:
            case ControlKind::Trackbar: {
                const int pos =
                    ctl->rangeMin - 1 +
                    static_cast<int>(pick(static_cast<std::size_t>(ctl->rangeMax - ctl->rangeMin + 3)));
                what += " to " + std::to_string(pos);
                if (ctl->kind == ControlKind::UpDown)
                    c().userSpin(page, id, pos);
                else
                    c().userSlide(page, id, pos);
                break;
            }
            case ControlKind::ComboBox:
                c().userSelect(page, id, static_cast<int>(pick(ctl->items.size())));
                break;
            case ControlKind::Edit:
                if (flags & kReadOnly) continue;
                if (flags & kNotifyChange) {
                    const std::string t = edits[pick(edits.size())];
                    if (t == ctl->text) continue; // no change, no notification
                    what += " typed \"" + t + "\"";
                    c().userType(page, id, t);
                } else {
                    // Checked when the focus leaves: sometimes right away, sometimes by the next action.
                    const std::string t = id == s1::quantValueEdit ? quantisers[pick(quantisers.size())]
                                                                   : masks[pick(masks.size())];
                    what += " typed \"" + t + "\"";
                    c().userType(page, id, t);
                    if (pick(3) == 0) {
                        pending = std::make_pair(page, id);
                        notifies = false;
                    } else {
                        c().userLeave();
                    }
                }
                break;
            default:
                continue;
            }
            if (!notifies) continue;
            if (c().focused() != pending) pending.reset();
            ASSERT_GT(listingRebuilds, before) << "no listing after " << what;
            std::string rendered;
            if (!renderIniText(program->settings(), c(), rendered)) ++aborted;
            expectListingMatchesWriter(what);
            expectFieldsWithinBounds(what, pending);
            ++compared;
        }
    }
    // The walk reached enough states, among them listings cut short by an unreadable quantiser.
    EXPECT_GT(compared, 3000);
    EXPECT_GT(aborted, 0);
}

// A handler that rewrites the field whose change it handles must not be called again by its own write.
TEST_F(SettingsPages, RewritingAnEditedFieldRaisesNoSecondNotification) {
    start("*GOP              15 2\r\n");
    Settings1Page page(*program);
    std::map<int, int> calls;
    for (int id : {s1::gopLengthEdit, s1::bFramesEdit})
        c().bind(PageId::Settings1, id, Notify::Change, [&](PageId, int i, Notify) {
            ++calls[i];
            page.onChange(i);
        });
    c().userType(PageId::Settings1, s1::gopLengthEdit, "40");
    c().userType(PageId::Settings1, s1::bFramesEdit, "9");
    c().userType(PageId::Settings1, s1::bFramesEdit, "x");
    EXPECT_EQ(c().text(PageId::Settings1, s1::gopLengthEdit), "36");
    EXPECT_EQ(c().text(PageId::Settings1, s1::bFramesEdit), "2");
    EXPECT_EQ(calls[s1::gopLengthEdit], 1);
    EXPECT_EQ(calls[s1::bFramesEdit], 2);
}

TEST_F(SettingsPages, FolderBrowserKeepsTheRecordUnlessAFolderIsChosen) {
    start("");
    Settings3Page page(*program);
    Settings& s = program->settings();

    dialogs.answers = {std::string("/video/ll"), std::nullopt, std::string(""), std::string(600, 'x')};
    EXPECT_TRUE(page.chooseFolder(FolderKind::Lossless));
    EXPECT_EQ(s.llPath, "/video/ll");
    EXPECT_EQ(c().text(PageId::Settings3, s3::losslessPathButton), "LL path set");
    EXPECT_EQ(c().text(PageId::Settings3, s3::dbPathButton), "DB path (not set)");
    // A cancel, an empty answer and a path longer than the record holds all leave it as it was.
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(page.chooseFolder(FolderKind::Lossless)) << i;
        EXPECT_EQ(s.llPath, "/video/ll") << i;
        EXPECT_EQ(c().text(PageId::Settings3, s3::losslessPathButton), "LL path set") << i;
    }
    dialogs.answers = {std::nullopt};
    EXPECT_FALSE(page.chooseFolder(FolderKind::Database));
    EXPECT_TRUE(s.dbPath.empty());
    EXPECT_EQ(c().text(PageId::Settings3, s3::dbPathButton), "DB path (not set)");
    EXPECT_EQ(dialogs.titles, (std::vector<std::string>{
                                  "Select folder for lossless file:", "Select folder for lossless file:",
                                  "Select folder for lossless file:", "Select folder for lossless file:",
                                  "Select folder for database file:"}));

    // The writer goes by the button: a folder listed but not chosen on this run is not written.
    std::string text;
    ASSERT_TRUE(renderIniText(s, c(), text));
    EXPECT_NE(text.find("*LLPATH           /video/ll\r\n"), std::string::npos);
    EXPECT_EQ(text.find("*DBPATH"), std::string::npos);
}

TEST_F(SettingsPages, ListingScrollsAsFarAsTheLongestNameInTheWindowsFont) {
    // The window tells the listing font's character width; a shell that does not (the runner) gets 7.
    for (const int width : {0, 9}) {
        shell.listingCharWidth = width ? std::function<int()>([width] { return width; }) : nullptr;
        start("*OUTFILE /out/movie.m2v\n");
        c().userClick(PageId::Settings2, s2::vbvCheck);
        const std::string line = "*OUTFILE          /out/movie.m2v";
        EXPECT_EQ(c().at(PageId::Settings3, s1::iniListing).horizontalExtent,
                  static_cast<int>(line.size() + 2) * (width ? width : 7));
    }
}

} // namespace
} // namespace mivo
