#include "core/control_ids.h"
#include "core/control_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using mivo::ControlKind;
using mivo::ControlTemplate;
using mivo::PageId;
using mivo::PageTemplate;
namespace ids = mivo::ids;

constexpr PageId kPages[] = {PageId::Main,   PageId::Settings1, PageId::Settings2, PageId::Settings3,
                             PageId::Matrix, PageId::Chapters,  PageId::Zones,     PageId::PanScan,
                             PageId::Queue,  PageId::Disc};

const PageTemplate& page(PageId id) {
    for (const PageTemplate& p : mivo::pageTemplates())
        if (p.page == id) return p;
    throw std::out_of_range("no page");
}

const ControlTemplate* control(PageId p, int id) {
    for (const ControlTemplate& c : page(p).controls)
        if (c.id == id) return &c;
    return nullptr;
}

std::string where(PageId p, int id) {
    return std::string(mivo::pageName(p)) + " " + std::to_string(id);
}

std::vector<int> range(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i)
        v.push_back(i);
    return v;
}

bool isStaticKind(ControlKind k) {
    return k == ControlKind::Static || k == ControlKind::GroupBox;
}

bool overlap(const ControlTemplate& a, const ControlTemplate& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

bool inside(const ControlTemplate& inner, const ControlTemplate& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

// Texts the page shows without an id of their own (static texts and group box titles).
std::set<std::string_view> unnamedTexts(PageId p) {
    std::set<std::string_view> texts;
    for (const ControlTemplate& c : page(p).controls)
        if (c.id == 0) texts.insert(c.text);
    return texts;
}

TEST(PageTemplates, PagesInTabOrderWithTheirLabels) {
    const auto pages = mivo::pageTemplates();
    ASSERT_EQ(pages.size(), 11u);
    const std::string_view titles[] = {
        "  Main",           "Settings 1",    "Settings 2",      "Settings 3", "Matrix",
        "Preview/Chapters", "Preview/Zones", "Preview/PanScan", "Queue",      "Disc"};
    EXPECT_EQ(pages[0].page, PageId::Window);
    EXPECT_EQ(pages[0].dialogId, 101);
    for (int i = 0; i < 10; ++i) {
        const PageTemplate& p = pages[static_cast<std::size_t>(i) + 1];
        EXPECT_EQ(p.page, kPages[i]);
        EXPECT_EQ(p.dialogId, 103 + i);
        EXPECT_EQ(p.title, titles[i]);
        // A page must fit inside the tab control of the main window, below the tab row.
        EXPECT_LE(p.width, 417);
        EXPECT_LE(p.height, 184);
        EXPECT_FALSE(p.controls.empty()) << p.title;
    }
}

TEST(PageTemplates, IdsUniquePerPageAndModelBuilds) {
    for (const PageTemplate& p : mivo::pageTemplates()) {
        std::set<int> seen;
        for (const ControlTemplate& c : p.controls) {
            if (c.id == 0) {
                EXPECT_TRUE(isStaticKind(c.kind)) << "unnamed control of kind " << mivo::kindName(c.kind)
                                                  << " on " << mivo::pageName(p.page);
                continue;
            }
            EXPECT_TRUE(seen.insert(c.id).second) << "duplicate " << where(p.page, c.id);
        }
    }
    const mivo::ControlModel model;
    EXPECT_EQ(model.at(PageId::Settings1, ids::settings1::iniListing).kind, ControlKind::ListBox);
    EXPECT_THROW((void)model.at(PageId::Main, 9999), std::out_of_range);
}

// Every control the handler table binds exists on its page, with a kind its notification fits.
TEST(PageTemplates, HandlerTableControlsExistWithFittingKinds) {
    using K = ControlKind;
    struct Row {
        PageId page;
        std::vector<int> ids;
        K kind;
    };
    const Row rows[] = {
        {PageId::Main, range(1110, 1116), K::Button},
        {PageId::Main, {1120, 1121}, K::Radio},
        {PageId::Main, {1125}, K::Button},
        {PageId::Main, range(1130, 1137), K::Radio},
        {PageId::Main, range(1140, 1143), K::Radio},
        {PageId::Main, {1150, 1151, 1152, 1153, 1156, 1157}, K::CheckBox},
        {PageId::Main, {1154, 1122, 1123, 1124, 1126, 1127}, K::Edit},
        {PageId::Main, {1155}, K::UpDown},
        {PageId::Main, range(1101, 1105), K::Button},
        {PageId::Main, range(1160, 1167), K::Static},
        {PageId::Settings1, range(1201, 1206), K::Radio},
        {PageId::Settings1, {1219, 1220}, K::Radio},
        {PageId::Settings1, {1207, 1208, 1212, 1213, 1216, 1231}, K::Edit},
        {PageId::Settings1, {1209, 1210, 1217, 1218}, K::UpDown},
        {PageId::Settings1, {1211, 1214}, K::CheckBox},
        {PageId::Settings1, {1230}, K::Trackbar},
        {PageId::Settings2, {1305, 1306, 1321, 1322, 1323, 1324}, K::Edit},
        {PageId::Settings2, {1307, 1308, 1309, 1310, 1311, 1312, 1313, 1314, 1327}, K::CheckBox},
        {PageId::Settings2, {1320}, K::Trackbar},
        {PageId::Settings2, {1325, 1328, 1329}, K::ComboBox},
        {PageId::Settings3, {1401, 1402, 1403, 1404, 1424}, K::Edit},
        {PageId::Settings3, range(1414, 1423), K::Radio},
        {PageId::Settings3, range(1430, 1432), K::Radio},
        {PageId::Settings3, {1425, 1427, 1428}, K::Button},
        {PageId::Settings3, {1426}, K::CheckBox},
        {PageId::Settings3, {1429}, K::Static},
        {PageId::Matrix, {1501, 1502}, K::Radio},
        {PageId::Matrix, {1503}, K::ComboBox},
        {PageId::Matrix, {1504, 1505, 1506}, K::Button},
        {PageId::Matrix, {1507}, K::CheckBox},
        {PageId::Matrix, range(2001, 2064), K::Edit},
        {PageId::Matrix, range(2101, 2164), K::Edit},
        {PageId::Chapters, {1601, 1602, 1612, 1613, 1614, 1615, 1616, 1617}, K::Button},
        {PageId::Chapters, {1603}, K::Edit},
        {PageId::Chapters, {1604}, K::ListBox},
        {PageId::Zones, {1603, 1711}, K::Edit},
        {PageId::Zones, {1702}, K::ListBox},
        {PageId::Zones, range(1712, 1715), K::Button},
        {PageId::PanScan, {1811, 1812, 1813, 1814, 1815}, K::Edit},
        {PageId::PanScan, {1816, 1817, 1818, 1819, 1820, 1822, 1823, 1824, 1825}, K::Button},
        {PageId::PanScan, {1821}, K::ListBox},
        {PageId::Settings1, {1215}, K::ListBox},
        {PageId::Settings2, {1215}, K::ListBox},
        {PageId::Settings3, {1215}, K::ListBox},
    };
    for (const Row& row : rows) {
        for (int id : row.ids) {
            const ControlTemplate* c = control(row.page, id);
            ASSERT_NE(c, nullptr) << "missing " << where(row.page, id);
            EXPECT_EQ(c->kind, row.kind) << where(row.page, id) << " is a " << mivo::kindName(c->kind);
        }
    }
    // The preview controls stand with the same ids on all three preview pages.
    for (PageId p : {PageId::Chapters, PageId::Zones, PageId::PanScan}) {
        for (int id : range(1605, 1610)) {
            const ControlTemplate* c = control(p, id);
            ASSERT_NE(c, nullptr) << "missing " << where(p, id);
            EXPECT_EQ(c->kind, K::Button);
        }
        ASSERT_NE(control(p, ids::preview::slider), nullptr);
        EXPECT_EQ(control(p, ids::preview::slider)->kind, K::Trackbar);
        ASSERT_NE(control(p, ids::preview::picture), nullptr);
        EXPECT_EQ(control(p, ids::preview::picture)->kind, K::Picture);
    }
    EXPECT_EQ(control(PageId::PanScan, ids::preview::currentFrameEdit), nullptr);
    // Controls of the wrong page would be bound to the wrong handler.
    EXPECT_EQ(control(PageId::Main, 1201), nullptr);
    EXPECT_EQ(control(PageId::Zones, 1604), nullptr);
}

TEST(PageTemplates, UpDownsAndTrackbarsHaveRangesAndMatchingFields) {
    for (PageId p : kPages) {
        for (const ControlTemplate& c : page(p).controls) {
            if (c.kind != ControlKind::UpDown && c.kind != ControlKind::Trackbar) continue;
            EXPECT_LT(c.rangeMin, c.rangeMax) << where(p, c.id);
            EXPECT_GE(c.initial, c.rangeMin) << where(p, c.id);
            EXPECT_LE(c.initial, c.rangeMax) << where(p, c.id);
            if (c.kind != ControlKind::UpDown) continue;
            ASSERT_NE(c.buddy, 0) << "up-down " << where(p, c.id) << " without buddy";
            const ControlTemplate* buddy = control(p, c.buddy);
            ASSERT_NE(buddy, nullptr) << "up-down " << where(p, c.id) << " without buddy";
            EXPECT_EQ(buddy->kind, ControlKind::Edit) << where(p, c.id);
            // The up-down sits at the right edge of its field, on the same line.
            EXPECT_EQ(buddy->x + buddy->w, c.x) << where(p, c.id);
            EXPECT_EQ(buddy->y, c.y) << where(p, c.id);
        }
    }
    struct Expect {
        PageId page;
        int id;
        int lo, hi, initial;
        int field;                  // edit that shows the position (0: none)
        std::string_view fieldText; // what it shows at start
    };
    const Expect expected[] = {
        {PageId::Main, 1155, 12, 18, 15, 1154, "15"},      {PageId::Settings1, 1209, 1, 36, 15, 1208, "15"},
        {PageId::Settings1, 1210, 0, 2, 2, 1207, "2"},     {PageId::Settings1, 1217, 1, 32, 9, 1213, "1.00"},
        {PageId::Settings1, 1218, 1, 32, 9, 1216, "1.00"}, {PageId::Settings1, 1230, 0, 4, 2, 1231, "2"},
        {PageId::Settings2, 1320, 0, 4, 0, 1321, "0"},     {PageId::Chapters, 1611, 0, 1000, 0, 0, ""},
        {PageId::Zones, 1611, 0, 1000, 0, 0, ""},          {PageId::PanScan, 1611, 0, 1000, 0, 0, ""},
    };
    for (const Expect& e : expected) {
        const ControlTemplate* c = control(e.page, e.id);
        ASSERT_NE(c, nullptr) << where(e.page, e.id);
        EXPECT_EQ(c->rangeMin, e.lo) << where(e.page, e.id);
        EXPECT_EQ(c->rangeMax, e.hi) << where(e.page, e.id);
        EXPECT_EQ(c->initial, e.initial) << where(e.page, e.id);
        if (c->kind == ControlKind::UpDown) {
            EXPECT_EQ(c->buddy, e.field) << where(e.page, e.id);
        }
        if (e.field) {
            ASSERT_NE(control(e.page, e.field), nullptr);
            EXPECT_EQ(control(e.page, e.field)->text, e.fieldText) << where(e.page, e.field);
        }
    }
}

TEST(PageTemplates, RadioGroupsExcludeExactlyTheirMembers) {
    struct Set {
        PageId page;
        std::vector<int> ids;
        int checked; // the radio on at start-up
    };
    const Set sets[] = {
        {PageId::Main, {1120, 1121}, 1120},           {PageId::Main, range(1130, 1132), 1131},
        {PageId::Main, range(1133, 1137), 1135},      {PageId::Main, range(1140, 1143), 1141},
        {PageId::Settings1, range(1201, 1204), 1201}, {PageId::Settings1, {1205, 1206}, 1205},
        {PageId::Settings1, {1219, 1220}, 1219},      {PageId::Settings3, range(1414, 1419), 1414},
        {PageId::Settings3, range(1420, 1423), 1420}, {PageId::Settings3, range(1430, 1432), 1430},
        {PageId::Matrix, {1501, 1502}, 1501},
    };
    std::map<std::pair<PageId, int>, int> groupOwner; // (page, group) -> first id of its set
    std::size_t radiosInSets = 0;
    for (const Set& s : sets) {
        const int group = control(s.page, s.ids.front())->group;
        EXPECT_NE(group, 0) << where(s.page, s.ids.front());
        EXPECT_TRUE(groupOwner.emplace(std::make_pair(s.page, group), s.ids.front()).second)
            << "two sets share group " << group << " on " << mivo::pageName(s.page);
        for (int id : s.ids) {
            const ControlTemplate* c = control(s.page, id);
            ASSERT_NE(c, nullptr) << where(s.page, id);
            EXPECT_EQ(c->kind, ControlKind::Radio) << where(s.page, id);
            EXPECT_EQ(c->group, group) << where(s.page, id);
            EXPECT_EQ((c->flags & mivo::kChecked) != 0, id == s.checked) << where(s.page, id);
            ++radiosInSets;
        }
    }
    std::size_t radios = 0;
    for (PageId p : kPages)
        for (const ControlTemplate& c : page(p).controls)
            radios += c.kind == ControlKind::Radio;
    EXPECT_EQ(radios, radiosInSets) << "a radio outside the known groups";

    // Through the model: a radio turned on turns off only the others of its own group.
    mivo::ControlModel model;
    model.setChecked(PageId::Settings1, ids::settings1::progressiveRadio, true);
    EXPECT_FALSE(model.checked(PageId::Settings1, ids::settings1::autoDetectRadio));
    EXPECT_TRUE(model.checked(PageId::Settings1, ids::settings1::tffRadio));
    EXPECT_TRUE(model.checked(PageId::Settings1, ids::settings1::chromaProgressiveRadio));
    model.setChecked(PageId::Main, ids::main::aspectPanScanRadio, true);
    EXPECT_FALSE(model.checked(PageId::Main, ids::main::aspect16to9Radio));
    EXPECT_TRUE(model.checked(PageId::Main, ids::main::dcPrecision9Radio));
}

TEST(PageTemplates, ComboBoxListsAreExact) {
    auto items = [](PageId p, int id) {
        std::vector<std::string_view> v;
        const ControlTemplate* c = control(p, id);
        if (c && c->kind == ControlKind::ComboBox) v.assign(c->items.begin(), c->items.end());
        return v;
    };
    using V = std::vector<std::string_view>;
    EXPECT_EQ(items(PageId::Settings2, 1325), (V{"AUTO", "MP@ML", "MP@H-14", "MP@HL"}));
    EXPECT_EQ(items(PageId::Settings2, 1328),
              (V{"DEFAULT", "BT.709", "BT.470-2M", "BT.470-2BG", "SMPTE170M", "SMPTE240M"}));
    EXPECT_EQ(items(PageId::Settings2, 1329), (V{"AUTO", "TABLE 14", "TABLE 15"}));
    EXPECT_EQ(items(PageId::Matrix, 1503),
              (V{"MPEG", "QLB", "NOTCH", "DELM1", "MIVO", "MIVOLOW", "KORVA1CD", "HVSGOOD", "HVSBETTER",
                 "HVSBEST", "AVAMAT6", "AVAMAT7", "RUX1", "RUX2", "RUX3", "MPEG STANDARD"}));
    for (PageId p : kPages)
        for (const ControlTemplate& c : page(p).controls)
            if (c.kind == ControlKind::ComboBox) {
                EXPECT_FALSE(c.items.empty()) << where(p, c.id);
            } else {
                EXPECT_TRUE(c.items.empty())
                    << "list items on a " << mivo::kindName(c.kind) << " " << where(p, c.id);
            }
    // The model turns the items into the combo box's lines.
    const mivo::ControlModel model;
    EXPECT_EQ(model.at(PageId::Settings2, ids::settings2::colorimetryCombo).items.at(3), "BT.470-2BG");
}

// Controls must not cover each other, and texts must not run under a control next to them.
TEST(PageTemplates, LayoutHasNoOverlapsAndStaysOnThePage) {
    for (PageId p : kPages) {
        const PageTemplate& pt = page(p);
        const auto controls = pt.controls;
        for (const ControlTemplate& c : controls) {
            EXPECT_GT(c.w, 0) << where(p, c.id) << " " << c.text;
            EXPECT_GT(c.h, 0) << where(p, c.id) << " " << c.text;
            EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.x + c.w <= pt.width && c.y + c.h <= pt.height)
                << where(p, c.id) << " \"" << c.text << "\" leaves the page";
        }
        for (std::size_t i = 0; i < controls.size(); ++i) {
            for (std::size_t j = i + 1; j < controls.size(); ++j) {
                const ControlTemplate& a = controls[i];
                const ControlTemplate& b = controls[j];
                if (a.kind == ControlKind::GroupBox || b.kind == ControlKind::GroupBox) continue;
                EXPECT_FALSE(overlap(a, b)) << mivo::pageName(p) << ": " << a.id << " \"" << a.text
                                            << "\" and " << b.id << " \"" << b.text << "\" overlap";
            }
        }
        // Every control lies inside a group box it touches: a box never cuts through a control.
        for (const ControlTemplate& box : controls) {
            if (box.kind != ControlKind::GroupBox) continue;
            for (const ControlTemplate& c : controls) {
                if (&c == &box || c.kind == ControlKind::GroupBox || !overlap(c, box)) continue;
                EXPECT_TRUE(inside(c, box))
                    << where(p, c.id) << " \"" << c.text << "\" crosses box \"" << box.text << "\"";
            }
        }
    }
}

// About four dialog units per character of the default font; boxes and bullets need room of their own.
TEST(PageTemplates, TextsFitTheirControls) {
    for (PageId p : kPages) {
        for (const ControlTemplate& c : page(p).controls) {
            const int textW = 4 * static_cast<int>(c.text.size());
            switch (c.kind) {
            case ControlKind::Static:
                if (c.flags & mivo::kMultiLine) {
                    const int lines = (textW + c.w - 1) / c.w;
                    EXPECT_LE(8 * lines, c.h) << where(p, c.id) << " \"" << c.text << "\"";
                } else {
                    EXPECT_LE(textW, c.w) << where(p, c.id) << " \"" << c.text << "\"";
                    EXPECT_GE(c.h, 8) << where(p, c.id);
                }
                break;
            case ControlKind::CheckBox:
            case ControlKind::Radio:
                EXPECT_LE(textW + 10, c.w) << where(p, c.id) << " \"" << c.text << "\"";
                break;
            case ControlKind::Button:
                EXPECT_LE(textW + 4, c.w) << where(p, c.id) << " \"" << c.text << "\"";
                break;
            case ControlKind::GroupBox:
                EXPECT_LE(textW + 8, c.w) << "box \"" << c.text << "\"";
                break;
            default:
                break;
            }
        }
    }
}

TEST(PageTemplates, LabelsAndTextsAreExact) {
    struct Label {
        PageId page;
        int id;
        std::string_view text;
    };
    const Label labels[] = {
        {PageId::Main, 1110, "input file name (*.d2v, *.avs)"},
        {PageId::Main, 1111, "output file name (not set)"},
        {PageId::Main, 1112, "log file name (not set)"},
        {PageId::Main, 1115, "load Mivo.ini"},
        {PageId::Main, 1136, "2.21:1"},
        {PageId::Main, 1137, "4:3 PanScan"},
        {PageId::Main, 1140, "  8"},
        {PageId::Main, 1141, "  9"},
        {PageId::Main, 1143, "11"},
        {PageId::Main, 1151, "3:2 pulldown"},
        {PageId::Main, 1157, "1 pass VBR"},
        {PageId::Main, 1101, "reset GUI to default"},
        {PageId::Main, 1103, "Dazuzer info"},
        {PageId::Settings1, 1204, "Digital Video source"},
        {PageId::Settings1, 1211, "constant Quantization"},
        {PageId::Settings1, 1214, "check VBV/max bitrate"},
        {PageId::Settings2, 1308, "write seq endcode"},
        {PageId::Settings2, 1311, "silent (no encoder GUI)"},
        {PageId::Settings2, 1327, "allow 3 B-frames"},
        {PageId::Settings3, 1426, " use lossless file"},
        {PageId::Settings3, 1427, "lossless path (not set)"},
        {PageId::Settings3, 1428, "DB path (not set)"},
        {PageId::Settings3, 1430, "4:2:0 (YV12 or YUY2 input)"},
        {PageId::Settings3, 1431, "4:2:2 (YUY2 input)"},
        {PageId::Matrix, 1505, "save custom matrix (mtx)"},
        {PageId::Matrix, 1506, "save custom matrix (cqm)"},
        {PageId::Chapters, 1617, "create SCD chapter list"},
        {PageId::Chapters, 1612, "import chapter list from file"},
        {PageId::Zones, 1714, "clear zone list"},
        {PageId::Zones, 1711, "1.0"},
        {PageId::PanScan, 1816, "import panscan list from file"},
        {PageId::PanScan, 1817, "export panscan list to file"},
        {PageId::PanScan, 1609, "<<<"},
        {PageId::PanScan, 1610, ">>>"},
    };
    for (const Label& l : labels) {
        const ControlTemplate* c = control(l.page, l.id);
        ASSERT_NE(c, nullptr) << where(l.page, l.id);
        EXPECT_EQ(c->text, l.text) << where(l.page, l.id);
    }

    const std::map<PageId, std::vector<std::string_view>> texts = {
        {PageId::Main,
         {"bitrate", "profile", "aspect ratio", "dc prec", "miscellaneous", "movie info", "average (kb/s)",
          "maximum (kb/s)", "start frame", "end frame", "width x height", "fps / format", "movie length",
          "encoding length", "hms"}},
        {PageId::Settings1,
         {"current Mivo.ini", "Quant value", "(non-linear)", "Max GOP length for PAL = 15, NTSC = 18",
          "For 23.976 NTSC (pulldown) use GOP length 14 or less.",
          "One pass encoding, there's no bitrate control unless you check VBV/max bitrate.  Encoding size is "
          "unknown.",
          "AQ strength", "0", "4"}},
        {PageId::Settings2,
         {"current Mivo.ini", "VBR bias (0 - 100)", "wait for exit (sec)", "MPG level", "colorimetry",
          "IntraVLC", "Adapt matrix on dark scenes.", "Matrix values are decreased for dark scenes.",
          "0 = no matrix change", "4 = maximum matrix change",
          "Mask top and bottom lines.  Use shift lines to shift the video, positive values will shift the "
          "video "
          "upwards.",
          "All values must be even.", "nr. of top lines", "nr. of bottom lines", "nr. of shift lines"}},
        {PageId::Settings3,
         {"current Mivo.ini", "hour", "min", "sec", "frame", "AVS memory", "MB",
          "estimated size:", "Set the memory to be used by Avisynth.", "Equivalent to SetMemoryMax()",
          "No value: Avisynth default."}},
        {PageId::Matrix,
         {"matrix", "built in matrix", "custom matrix", "current matrix", "intra", "non-intra",
          "adaptive matrix (advanced)", "Use one of the built in matrices", "or use your own custom matrix.",
          "Matrices shown below", "will be used for encoding.", "Load/save your own matrices",
          "Supported formats:", "- simple text file (mtx)", "- binary format (cqm)",
          "Write your own code to adapt matrices,", "see the manual for more information how",
          "to create the DLL."}},
        {PageId::Chapters, {"preview", "current frame", "chapter list"}},
        {PageId::Zones,
         {"preview", "current frame", "frame | value", "Raise or lower the bitrate for parts of the video.",
          "Example: 0.5 will lower the bitrate starting at the current frame."}},
        {PageId::PanScan, {"preview", "current frame", "frame | value", "horizontal", "vertical", "w", "h"}},
    };
    for (const auto& [p, want] : texts) {
        const auto have = unnamedTexts(p);
        for (std::string_view t : want)
            EXPECT_TRUE(have.count(t)) << mivo::pageName(p) << " lacks \"" << t << "\"";
    }
}

TEST(PageTemplates, StartUpFlagsMatchTheStateWithoutASource) {
    auto flags = [](PageId p, int id) {
        const ControlTemplate* c = control(p, id);
        return c ? c->flags : ~0u;
    };
    // Edits that notify on every text change, and only those.
    const std::map<PageId, std::set<int>> notifying = {
        {PageId::Settings1, {1207, 1208}},
        {PageId::Settings2, {1305, 1306}},
        {PageId::Settings3, {1401, 1402, 1403, 1404, 1424}},
        {PageId::Chapters, {1603}},
        {PageId::Zones, {1603, 1711}},
        {PageId::PanScan, {1811}},
        {PageId::Disc, {1954}},
    };
    for (PageId p : kPages) {
        std::set<int> have;
        for (const ControlTemplate& c : page(p).controls) {
            if (c.flags & mivo::kNotifyChange) {
                EXPECT_EQ(c.kind, ControlKind::Edit) << where(p, c.id);
                have.insert(c.id);
            }
        }
        const auto it = notifying.find(p);
        EXPECT_EQ(have, it == notifying.end() ? std::set<int>{} : it->second) << mivo::pageName(p);
    }
    for (PageId p : {PageId::Settings1, PageId::Settings2, PageId::Settings3})
        EXPECT_TRUE(flags(p, 1215) & mivo::kMonospace) << mivo::pageName(p);

    // Always disabled, or disabled until a source is open or an option is chosen.
    const std::vector<std::pair<PageId, std::vector<int>>> disabled = {
        {PageId::Main, {1111, 1112, 1120, 1121, 1122, 1123, 1124, 1125, 1126, 1127, 1137, 1151}},
        {PageId::Settings1, {1207, 1208, 1209, 1210, 1212, 1213, 1214, 1216, 1217, 1218}},
        {PageId::Settings3, {1419, 1426, 1432}},
        {PageId::Matrix, {1504, 1505, 1506, 2001, 2064, 2101, 2164}},
        {PageId::Chapters,
         {1601, 1602, 1603, 1604, 1605, 1606, 1607, 1608, 1609, 1610, 1611, 1612, 1613, 1614, 1615, 1616,
          1617}},
        {PageId::Zones, {1603, 1605, 1606, 1607, 1608, 1609, 1610, 1611, 1711, 1712, 1713, 1714, 1715}},
        {PageId::PanScan, {1605, 1606, 1607, 1608, 1609, 1610, 1611, 1811, 1812, 1813, 1814,
                           1815, 1816, 1817, 1818, 1819, 1820, 1821, 1822, 1823, 1824, 1825}},
    };
    for (const auto& [p, list] : disabled)
        for (int id : list)
            EXPECT_TRUE(flags(p, id) & mivo::kDisabled) << where(p, id);
    const std::vector<std::pair<PageId, std::vector<int>>> enabled = {
        {PageId::Main,
         {1110, 1113, 1114, 1115, 1116, 1101, 1102, 1103, 1104, 1105, 1135, 1150, 1153, 1154, 1155}},
        {PageId::Settings1, {1201, 1205, 1206, 1211, 1230, 1215}},
        {PageId::Settings2, {1305, 1306, 1310, 1320, 1322, 1325, 1328, 1329}},
        {PageId::Settings3, {1401, 1414, 1418, 1424, 1425, 1427, 1428, 1431}},
        {PageId::Matrix, {1501, 1502, 1503, 1507}},
    };
    for (const auto& [p, list] : enabled)
        for (int id : list)
            EXPECT_FALSE(flags(p, id) & mivo::kDisabled) << where(p, id);

    const std::vector<std::pair<PageId, std::vector<int>>> checked = {
        {PageId::Main, {1152, 1153}},
        {PageId::Settings2, {1307, 1308}},
    };
    for (const auto& [p, list] : checked)
        for (int id : list)
            EXPECT_TRUE(flags(p, id) & mivo::kChecked) << where(p, id);
    for (int id : {1150, 1151, 1156, 1157})
        EXPECT_FALSE(flags(PageId::Main, id) & mivo::kChecked) << where(PageId::Main, id);
    for (int id : {1309, 1310, 1311, 1312, 1313, 1314, 1327})
        EXPECT_FALSE(flags(PageId::Settings2, id) & mivo::kChecked) << where(PageId::Settings2, id);

    // Start-up texts of the edits, as the reset leaves them.
    struct Text {
        PageId page;
        int id;
        std::string_view text;
    };
    const Text texts[] = {
        {PageId::Main, 1123, "4000"},   {PageId::Main, 1124, "8000"},   {PageId::Settings1, 1212, "5.000"},
        {PageId::Settings2, 1305, "5"}, {PageId::Settings2, 1306, "0"}, {PageId::Settings2, 1324, "0"},
        {PageId::Settings3, 1401, "0"}, {PageId::Settings3, 1404, "0"}, {PageId::Settings3, 1424, ""},
        {PageId::Settings3, 1429, ""},  {PageId::PanScan, 1812, "0"},   {PageId::Chapters, 1603, "0"},
    };
    for (const Text& t : texts) {
        ASSERT_NE(control(t.page, t.id), nullptr) << where(t.page, t.id);
        EXPECT_EQ(control(t.page, t.id)->text, t.text) << where(t.page, t.id);
    }
}

TEST(PageTemplates, MatrixGridsAreRasterOrderedInsideTheirBoxes) {
    EXPECT_EQ(ids::matrix::intraCell(0, 0), 2001);
    EXPECT_EQ(ids::matrix::intraCell(0, 7), 2008);
    EXPECT_EQ(ids::matrix::intraCell(1, 0), 2009);
    EXPECT_EQ(ids::matrix::intraCell(7, 7), 2064);
    EXPECT_EQ(ids::matrix::nonIntraCell(0, 0), 2101);
    EXPECT_EQ(ids::matrix::nonIntraCell(7, 7), 2164);

    const ControlTemplate* intraBox = nullptr;
    const ControlTemplate* nonIntraBox = nullptr;
    for (const ControlTemplate& c : page(PageId::Matrix).controls) {
        if (c.kind != ControlKind::GroupBox) continue;
        if (c.text == "intra") intraBox = &c;
        if (c.text == "non-intra") nonIntraBox = &c;
    }
    ASSERT_TRUE(intraBox && nonIntraBox);
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 8; ++col) {
            for (bool intra : {true, false}) {
                const auto cell = [&](int r, int c) {
                    return control(PageId::Matrix,
                                   intra ? ids::matrix::intraCell(r, c) : ids::matrix::nonIntraCell(r, c));
                };
                const ControlTemplate* c = cell(row, col);
                ASSERT_NE(c, nullptr);
                EXPECT_TRUE(inside(*c, intra ? *intraBox : *nonIntraBox)) << c->id;
                // Wide enough for three digits.
                EXPECT_GE(c->w, 12) << c->id;
                if (col < 7) {
                    EXPECT_EQ(cell(row, col + 1)->y, c->y) << c->id;
                    EXPECT_GT(cell(row, col + 1)->x, c->x) << c->id;
                }
                if (row < 7) {
                    EXPECT_EQ(cell(row + 1, col)->x, c->x) << c->id;
                    EXPECT_GT(cell(row + 1, col)->y, c->y) << c->id;
                }
            }
        }
    }
}

} // namespace
