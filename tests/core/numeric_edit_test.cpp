#include "core/numeric_edit.h"

#include <gtest/gtest.h>

#include <array>

namespace mivo {
namespace {

// A small page set of its own: the rule needs only edit fields, one of them with the short text limit.
const ControlTemplate kMainEdits[] = {
    {.id = 1123, .kind = ControlKind::Edit},
    {.id = 1212, .kind = ControlKind::Edit},
};
const ControlTemplate kSettings2Edits[] = {
    {.id = 1305, .kind = ControlKind::Edit},
    {.id = 1322, .kind = ControlKind::Edit},
};
const std::array<PageTemplate, 2> kPages = {{
    {PageId::Main, 103, "main", 10, 10, kMainEdits},
    {PageId::Settings2, 105, "s2", 10, 10, kSettings2Edits},
}};

TEST(NumericEdit, IntegerFieldReadsBoundsAndWritesBack) {
    ControlModel model(kPages);
    model.setText(PageId::Main, 1123, "  9000  ");
    EXPECT_EQ(applyIntegerEdit(model, PageId::Main, 1123, 4000, 0, 20000), 9000);
    EXPECT_EQ(model.text(PageId::Main, 1123), "9000");

    model.setText(PageId::Main, 1123, "fast");
    EXPECT_EQ(applyIntegerEdit(model, PageId::Main, 1123, 4000, 0, 20000), 4000)
        << "unreadable: the value before";
    EXPECT_EQ(model.text(PageId::Main, 1123), "4000");

    model.setText(PageId::Main, 1123, "");
    EXPECT_EQ(applyIntegerEdit(model, PageId::Main, 1123, 123), 123);

    model.setText(PageId::Main, 1123, "30000, 5");
    EXPECT_EQ(applyIntegerEdit(model, PageId::Main, 1123, 4000, 0, 20000), 20000);
    EXPECT_EQ(model.text(PageId::Main, 1123), "20000");

    // A bound of the field's own: odd values lowered by one.
    model.setText(PageId::Settings2, 1322, "-7");
    EXPECT_EQ(applyIntegerEdit(model, PageId::Settings2, 1322, 0, [](int v) { return v % 2 ? v - 1 : v; }),
              -8);
    EXPECT_EQ(model.text(PageId::Settings2, 1322), "-8");

    // Values wider than the field of 8 show as its asterisks, as every number the program shows.
    model.setText(PageId::Settings2, 1322, "123456789");
    EXPECT_EQ(applyIntegerEdit(model, PageId::Settings2, 1322, 0), 123456789);
    EXPECT_EQ(model.text(PageId::Settings2, 1322), "********");
}

TEST(NumericEdit, TextLimits) {
    EXPECT_EQ(editTextLimit(PageId::Settings2, 1305), 20u);
    EXPECT_EQ(editTextLimit(PageId::Settings2, 1306), 20u);
    EXPECT_EQ(editTextLimit(PageId::Settings2, 1322), 80u);
    EXPECT_EQ(editTextLimit(PageId::Main, 1305), 80u);

    ControlModel model(kPages);
    // The wait field reads 20 characters only: a number that starts later is not seen.
    model.setText(PageId::Settings2, 1305, std::string(20, ' ') + "7");
    EXPECT_EQ(readIntegerField(model, PageId::Settings2, 1305), std::nullopt);
    model.setText(PageId::Settings2, 1322, std::string(20, ' ') + "7");
    EXPECT_EQ(readIntegerField(model, PageId::Settings2, 1322), 7);
    model.setText(PageId::Settings2, 1322, std::string(80, ' ') + "7");
    EXPECT_EQ(readIntegerField(model, PageId::Settings2, 1322), std::nullopt);
}

TEST(NumericEdit, RealFieldUsesTheCallersFormat) {
    ControlModel model(kPages);
    model.setText(PageId::Main, 1212, "4");
    EXPECT_FLOAT_EQ(applyRealEdit(model, PageId::Main, 1212, 5.0f, 1.0f, 31.0f, {8, 3}), 4.0f);
    EXPECT_EQ(model.text(PageId::Main, 1212), "4.000");
    model.setText(PageId::Main, 1212, "40");
    EXPECT_FLOAT_EQ(applyRealEdit(model, PageId::Main, 1212, 5.0f, 1.0f, 31.0f, {8, 3}), 31.0f);
    EXPECT_EQ(model.text(PageId::Main, 1212), "31.000");
    model.setText(PageId::Main, 1212, "abc");
    EXPECT_FLOAT_EQ(applyRealEdit(model, PageId::Main, 1212, 2.5f, 1.0f, 31.0f, {5, 2}), 2.5f);
    EXPECT_EQ(model.text(PageId::Main, 1212), "2.50");
}

} // namespace
} // namespace mivo
