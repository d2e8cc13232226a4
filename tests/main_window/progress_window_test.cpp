// The progress window: when its bar is redrawn, its caption and its window state.

#include "search_fixture.h"

#include "main_window/progress_window.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

struct Report {
    int32_t current;
    int bar;     // afterwards
    bool drawn;  // by this report
};

void Expect(const std::vector<Report>& reports)
{
    for (const Report& report : reports) {
        const int64_t draws = CurrentProgress().BarDraws;
        UpdateProgress(report.current);
        EXPECT_EQ(std::pair(CurrentProgress().BarValue, CurrentProgress().BarDraws - draws),
                  std::pair(report.bar, int64_t{report.drawn ? 1 : 0})) << "report " << report.current;
    }
}

TEST(ProgressWindowTest, RedrawsInStepsOfFivePercent)
{
    ShowProgress(200, QString(), 10, 10);
    QPointer<QWidget> window = ProgressWindow();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Percent Completed"));

    std::vector<Report> reports;
    for (int32_t i = 1; i <= 18; ++i)
        reports.push_back({i, i < 10 ? 0 : 5, i == 10});  // 9 is 4.5 percent, rounded to 4
    Expect(reports);
    Expect({{19, 10, true}, {180, 90, true}, {189, 90, false}, {197, 100, true}, {250, 100, true}});
    // 9.5 rounds to 10, 94.5 to 94; 98 is within 4 of the end.
    EXPECT_EQ(std::pair(CurrentProgress().ProgressPercent, CurrentProgress().ProgressShown), std::pair(125, 125));

    CloseProgress();
    window = ProgressWindow();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QString());

    ShowProgress(1000, QStringLiteral("Tessaport"), 10, 10);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tessaport"));
    Expect({{45, 0, false}, {50, 5, true}});  // starts from 0 again
    CloseProgress();
}

// Paint events reaching a widget.
struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override { return count += event->type() == QEvent::Paint, false; }
    int count = 0;
};

TEST(ProgressWindowTest, PaintsOnlyChangesDrawsAllDoneForNothingAndFollowsTheMainWindow)
{
    ShowProgress(200, QString(), 10, 10);
    auto* bar = ProgressWindow()->findChild<QWidget*>(QStringLiteral("percentBar"));
    ASSERT_NE(bar, nullptr);
    PaintCounter paints(bar);

    UpdateProgress(10);
    EXPECT_GT(paints.count, 0);
    UpdateProgress(199);  // 99.5, rounded to 100
    const int paintsWhenFull = paints.count;
    const int64_t drawsWhenFull = CurrentProgress().BarDraws;
    for (int32_t current = 200; current < 260; ++current)
        UpdateProgress(current);
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.count, paintsWhenFull) << "a full bar is not painted again";
    EXPECT_EQ(CurrentProgress().BarDraws - drawsWhenFull, 60);
    EXPECT_EQ(CurrentProgress().BarValue, 100);
    CloseProgress();

    // Nothing to count: no window, and all done.
    ShowProgress(0, QStringLiteral("Tessaport"), 10, 10);
    EXPECT_FALSE(ProgressWindow()->isVisible());
    Expect({{0, 100, true}, {3, 100, true}});
    CloseProgress();

    FollowMainWindowState(Qt::WindowMinimized | Qt::WindowActive);
    EXPECT_EQ(ProgressWindow()->windowState(), Qt::WindowMinimized);
    FollowMainWindowState(Qt::WindowNoState);
    EXPECT_EQ(ProgressWindow()->windowState(), Qt::WindowNoState);
    EXPECT_FALSE(ProgressWindow()->isVisible());
}

// A window manager may serve the map request, or hand the window the activation, after the
// operation has ended. Nothing may bring the window back then: its native window is gone
// when CloseProgress returns, and a late activation of what is left shows nothing.
TEST(ProgressWindowTest, NothingBringsTheWindowBackAfterClose)
{
    for (const int32_t total : {3, 200}) {
        ShowProgress(total, QStringLiteral("Tessaport"), 10, 10);
        QPointer<QWidget> shown = ProgressWindow();
        QPointer<QWindow> native = shown->windowHandle();
        ASSERT_TRUE(native && shown->isVisible());
        UpdateProgress(total);
        CloseProgress();

        EXPECT_TRUE(native.isNull()) << "the native window outlived the operation, total " << total;
        if (shown) {
            QApplication::setActiveWindow(shown);
            QCoreApplication::processEvents();
        }
        for (const QWidget* window : QApplication::topLevelWidgets())
            EXPECT_FALSE(window->objectName() == "progressWindow" && window->isVisible()) << "total " << total;
    }
}

// A run over many securities: one window for all of them, saying which security of how
// many, with a bar for the whole run; gone with the run.
TEST(ProgressWindowTest, RunWindowSaysWhichSecurityOfHowManyOverTheMainWindow)
{
    QWidget owner;
    owner.setGeometry(200, 150, 600, 400);
    owner.show();
    QPointer<QWidget> window;
    {
        RunProgress run(&owner, QStringLiteral("Exporting Listed Securities"), 3000);
        window = run.Window();
        ASSERT_TRUE(window && window->isVisible());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Exporting Listed Securities"));
        struct Step {
            int32_t index;
            const char* symbol;
            int32_t estimate;
            int32_t read;
            const char* text;
            int bar;
        };
        for (const Step& step : {Step{0, "S00001", 100, 0, "1 of 3,000: S00001", 0},
                                 Step{1500, "S01501", 200, 100, "1,501 of 3,000: S01501", 50},
                                 Step{2999, "S03000", 10, 400, "3,000 of 3,000: S03000", 100}}) {
            run.Begin(step.index, QString::fromLatin1(step.symbol), step.estimate);
            run.Records(step.read);
            EXPECT_EQ(run.Text(), QString::fromLatin1(step.text));
            EXPECT_EQ(run.BarValue(), step.bar) << step.text;
        }
        // Its own progress window stays as it was: hidden.
        EXPECT_FALSE(ProgressWindow()->isVisible());
    }
    EXPECT_TRUE(window.isNull());
}

} // namespace
