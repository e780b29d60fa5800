#include "core/control_model.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace mivo {
namespace {

// A small page of its own, so the model's rules are tested apart from the real templates.
const ControlTemplate kControls[] = {
    {.id = 10, .kind = ControlKind::Edit, .text = "15", .flags = kNotifyChange},
    {.id = 11, .kind = ControlKind::Edit, .text = "0"},
    {.id = 12, .kind = ControlKind::Edit, .text = "16", .flags = kDigitsOnly},
    {.id = 20, .kind = ControlKind::Radio, .text = "a", .flags = kChecked, .group = 1},
    {.id = 21, .kind = ControlKind::Radio, .text = "b", .group = 1},
    {.id = 22, .kind = ControlKind::Radio, .text = "other group", .flags = kChecked, .group = 2},
    {.id = 30, .kind = ControlKind::CheckBox, .text = "box"},
    {.id = 31, .kind = ControlKind::CheckBox, .text = "off", .flags = kDisabled},
    {.id = 40, .kind = ControlKind::UpDown, .rangeMin = 12, .rangeMax = 18, .initial = 15, .buddy = 10},
    {.id = 50, .kind = ControlKind::Button, .text = "go"},
    {.id = 60, .kind = ControlKind::ListBox},
    {.id = 70, .kind = ControlKind::Picture},
};
const PageTemplate kPages[] = {{PageId::Main, 103, "test", 100, 100, kControls}};

struct Recorder {
    std::vector<std::string> events;
    ControlModel::Handler handler() {
        return [this](PageId, int id, Notify n) {
            static const char* names[] = {"default", "gain", "lose", "change"};
            events.push_back(std::to_string(id) + ":" + names[static_cast<int>(n)]);
        };
    }
};

TEST(ControlModel, UserActionsNotifyAndProgramWritesDoNot) {
    ControlModel m(kPages);
    Recorder r;
    for (int id : {10, 11, 20, 21, 30, 31, 40, 50})
        for (Notify n : {Notify::Default, Notify::GainFocus, Notify::LoseFocus, Notify::Change})
            m.bind(PageId::Main, id, n, r.handler());

    m.setText(PageId::Main, 10, "20");
    m.setChecked(PageId::Main, 30, true);
    m.setPos(PageId::Main, 40, 99); // clamped to the range
    EXPECT_TRUE(r.events.empty());
    EXPECT_EQ(m.pos(PageId::Main, 40), 18);

    // Typing: focus first, then one change notification per new text (none for the same text).
    m.userType(PageId::Main, 10, "21");
    m.userType(PageId::Main, 10, "21");
    // A click moves the focus: the edit loses it before the button's own notification.
    m.userClick(PageId::Main, 50);
    EXPECT_EQ(r.events,
              (std::vector<std::string>{"10:gain", "10:change", "10:lose", "50:gain", "50:default"}));

    // An edit without change notification only changes its text.
    r.events.clear();
    m.userType(PageId::Main, 11, "7");
    EXPECT_EQ(r.events, (std::vector<std::string>{"50:lose", "11:gain"}));
    m.userLeave();
    EXPECT_EQ(r.events.back(), "11:lose");
}

TEST(ControlModel, RadiosExcludeWithinTheirGroupAndDisabledControlsRefuse) {
    ControlModel m(kPages);
    Recorder r;
    m.bind(PageId::Main, 31, Notify::Default, r.handler());
    EXPECT_TRUE(m.checked(PageId::Main, 20));
    m.userClick(PageId::Main, 21);
    EXPECT_FALSE(m.checked(PageId::Main, 20));
    EXPECT_TRUE(m.checked(PageId::Main, 21));
    EXPECT_TRUE(m.checked(PageId::Main, 22)) << "another group is not touched";
    m.userClick(PageId::Main, 21);
    EXPECT_TRUE(m.checked(PageId::Main, 21)) << "a radio stays on when clicked again";

    m.userClick(PageId::Main, 30);
    EXPECT_TRUE(m.checked(PageId::Main, 30));
    m.userClick(PageId::Main, 30);
    EXPECT_FALSE(m.checked(PageId::Main, 30));

    EXPECT_FALSE(m.userClick(PageId::Main, 31));
    EXPECT_FALSE(m.checked(PageId::Main, 31));
    EXPECT_TRUE(r.events.empty());
    EXPECT_THROW(m.at(PageId::Main, 999), std::out_of_range);
}

TEST(ControlModel, ADigitsOnlyEditTakesTheDigitsOfWhatIsTyped) {
    ControlModel m(kPages);
    m.userType(PageId::Main, 12, " 1a-2.3 ");
    EXPECT_EQ(m.text(PageId::Main, 12), "123");
    m.userType(PageId::Main, 12, "");
    EXPECT_EQ(m.text(PageId::Main, 12), "");
    m.userType(PageId::Main, 11, "-1a");
    EXPECT_EQ(m.text(PageId::Main, 11), "-1a") << "other edits take any text";
}

TEST(ControlModel, ObserverSeesEveryProgramWrite) {
    ControlModel m(kPages);
    std::vector<std::pair<int, Change>> seen;
    m.setObserver([&](const Control& c, Change what) { seen.emplace_back(c.id, what); });
    m.setText(PageId::Main, 10, "15"); // unchanged: nothing to mirror
    m.setChecked(PageId::Main, 21, true);
    m.setEnabled(PageId::Main, 50, false);
    const std::vector<std::pair<int, Change>> expected = {
        {20, Change::Checked}, {21, Change::Checked}, {50, Change::Enabled}};
    EXPECT_EQ(seen, expected);
}

TEST(ControlModel, ListLinesComeFromAProviderOrOneByOne) {
    ControlModel m(kPages);
    std::vector<Change> seen;
    m.setObserver([&](const Control&, Change what) { seen.push_back(what); });
    int asked = 0;
    m.setLines(PageId::Main, 60, 640000, [&asked](int i) {
        ++asked;
        return "line " + std::to_string(i);
    });
    const Control& list = m.at(PageId::Main, 60);
    EXPECT_EQ(list.itemCount(), 640000);
    EXPECT_EQ(asked, 0) << "no line is made before it is asked for";
    EXPECT_EQ(list.item(639999), "line 639999");
    EXPECT_EQ(list.item(640000), "") << "past the end";
    m.setSelected(PageId::Main, 60, 639999);
    EXPECT_EQ(m.selectedText(PageId::Main, 60), "line 639999");
    m.setSelected(PageId::Main, 60, 640000);
    EXPECT_EQ(m.selected(PageId::Main, 60), -1);

    // Provided lines become plain ones when one is added; a plain list replaces a provider.
    m.setLines(PageId::Main, 60, 2, [](int i) { return std::to_string(i); });
    m.addItem(PageId::Main, 60, "x");
    EXPECT_EQ(list.lines(), (std::vector<std::string>{"0", "1", "x"}));
    m.setItems(PageId::Main, 60, {"a"});
    EXPECT_EQ(list.lines(), std::vector<std::string>{"a"});
    m.setLines(PageId::Main, 60, -4, [](int) { return std::string("?"); });
    EXPECT_EQ(list.itemCount(), 0);

    // A picture is mirrored at every write: the same pixels may hold a new frame.
    const std::uint8_t pixels[12] = {};
    const PictureImage image{pixels, 2, 2, 6, 3};
    seen.clear();
    m.setPicture(PageId::Main, 70, image);
    m.setPicture(PageId::Main, 70, image);
    EXPECT_EQ(seen, (std::vector<Change>{Change::Picture, Change::Picture}));
    EXPECT_EQ(m.at(PageId::Main, 70).picture.rows, pixels);
}

} // namespace
} // namespace mivo
