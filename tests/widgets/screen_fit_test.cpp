// Windows on a screen smaller than they were drawn for: every conversion of the design
// shrinks by one factor, and a window is made to fit the screen's available area.

#include "widgets/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

TEST(ScreenFit, WindowLargerThanTheScreenIsFittedIntoItsAvailableArea)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        QSize size;
        QPoint at;
    };
    for (const Case& test : {Case{area.size() * 2, area.topLeft() + QPoint(300, 200)},
                             Case{QSize(200, 100), area.topLeft() + QPoint(area.width() - 50, area.height() - 20)},
                             Case{QSize(200, 100), area.topLeft() + QPoint(10, 10)}}) {
        QWidget window;
        window.setMinimumSize(test.size / 2);
        window.resize(test.size);
        window.move(test.at);
        widgets::FitOnScreen(&window);
        const QRect placed(window.pos(), window.size());
        EXPECT_TRUE(area.contains(placed)) << placed.x() << "," << placed.y();
        // A window that fits keeps its size.
        if (test.size.width() < area.width() / 2) {
            EXPECT_EQ(window.size(), test.size);
        }
    }
}

TEST(ScreenFit, TwipsScaleShrinksEveryConversion)
{
    const int full = widgets::TwipsToPixelsY(1440);
    widgets::SetTwipsScale(0.5);
    EXPECT_EQ(widgets::TwipsToPixelsY(1440), (full + 1) / 2);
    EXPECT_EQ(widgets::TwipsScale(), 0.5);
    widgets::SetTwipsScale(3);  // never larger than the design
    EXPECT_EQ(widgets::TwipsToPixelsY(1440), full);
    widgets::SetTwipsScale(1);
}

} // namespace
