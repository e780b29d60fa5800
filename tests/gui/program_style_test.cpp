// The program's look: indicators drawn once and reused must look exactly like the style draws them, for
// every state, and a style the user names wins over the program's.
#include "gui/app_main.h"
#include "gui/program_style.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

using mivo::ProgramStyle;

QImage drawIndicator(const QStyle& style, QStyle::PrimitiveElement element, QStyle::State state,
                     const QRect& rect) {
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(236, 233, 216));
    QStyleOptionButton option;
    option.rect = rect;
    option.state = state;
    option.palette = QApplication::palette();
    QPainter painter(&image);
    style.drawPrimitive(element, &option, &painter, nullptr);
    return image;
}

// Largest difference of any channel of any pixel. A pixmap laid over the background rounds its
// antialiased edges once more than drawing in place, so one step either way is the same look.
int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

class ProgramLook : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app = std::make_unique<QApplication>(argc, argv);
    }
    int argc = 1;
    char name[20] = "mivo_program_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};

TEST_F(ProgramLook, CachedIndicatorsLookLikeTheStyleDrawsThemInEveryState) {
    std::unique_ptr<QStyle> plain(QStyleFactory::create("Windows"));
    ASSERT_NE(plain, nullptr);
    ProgramStyle cached(QStyleFactory::create("Windows"));
    for (const auto element : {QStyle::PE_IndicatorRadioButton, QStyle::PE_IndicatorCheckBox}) {
        for (const QStyle::State on : {QStyle::State_On, QStyle::State_Off}) {
            for (const QStyle::State enabled : {QStyle::State_Enabled, QStyle::State_None}) {
                for (const QStyle::State pressed : {QStyle::State_None, QStyle::State_Sunken}) {
                    const QStyle::State state = on | enabled | pressed;
                    const QRect first(3, 5, 13, 13), second(21, 9, 13, 13);
                    // The second drawing comes from the cache, at another place.
                    EXPECT_LE(largestDifference(drawIndicator(cached, element, state, first),
                                                drawIndicator(*plain, element, state, first)),
                              1)
                        << "element " << element << " state " << state;
                    EXPECT_LE(largestDifference(drawIndicator(cached, element, state, second),
                                                drawIndicator(*plain, element, state, second)),
                              1)
                        << "element " << element << " state " << state;
                }
            }
        }
    }
}

TEST_F(ProgramLook, EachStateHasItsOwnPicture) {
    ProgramStyle cached(QStyleFactory::create("Windows"));
    const QRect rect(3, 5, 13, 13);
    const auto radio = QStyle::PE_IndicatorRadioButton;
    const QImage on = drawIndicator(cached, radio, QStyle::State_On | QStyle::State_Enabled, rect);
    const QImage off = drawIndicator(cached, radio, QStyle::State_Off | QStyle::State_Enabled, rect);
    const QImage greyedOn = drawIndicator(cached, radio, QStyle::State_On, rect);
    EXPECT_NE(on, off);
    EXPECT_NE(on, greyedOn);
    // A larger indicator is not the smaller one's picture.
    const QImage larger =
        drawIndicator(cached, radio, QStyle::State_On | QStyle::State_Enabled, QRect(3, 5, 17, 17));
    EXPECT_NE(on, larger);
}

TEST(UserNamedStyle, ArgumentsAndTheEnvironmentNameAStyle) {
    ::unsetenv("QT_STYLE_OVERRIDE");
    auto named = [](std::initializer_list<const char*> args) {
        std::vector<char*> argv;
        for (const char* a : args)
            argv.push_back(const_cast<char*>(a));
        argv.push_back(nullptr);
        return mivo::userNamedStyle(static_cast<int>(args.size()), argv.data());
    };
    EXPECT_FALSE(named({"mivo"}));
    EXPECT_FALSE(named({"mivo", "movie.d2v"}));
    // The program's own name is never read as an argument.
    EXPECT_FALSE(named({"-style"}));
    EXPECT_TRUE(named({"mivo", "-style", "fusion"}));
    EXPECT_TRUE(named({"mivo", "-style=fusion"}));
    EXPECT_TRUE(named({"mivo", "--style", "fusion"}));
    EXPECT_TRUE(named({"mivo", "--style=fusion"}));
    EXPECT_FALSE(named({"mivo", "-stylesheet", "x.qss"}));
    ::setenv("QT_STYLE_OVERRIDE", "fusion", 1);
    EXPECT_TRUE(named({"mivo"}));
    ::setenv("QT_STYLE_OVERRIDE", "", 1);
    EXPECT_FALSE(named({"mivo"}));
    ::unsetenv("QT_STYLE_OVERRIDE");
}

} // namespace
