// The progress window: when its bar is redrawn, its caption and its window state.

#include "search_fixture.h"

#include "omega/progress_window.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

namespace {

struct Report {
    int32_t current;
    int bar;     // afterwards
    bool drawn;  // by this report
};

class ProgressWindowTest : public testing::Test {
protected:
    void SetUp() override { search_test::StartApplication(); }

    static void Expect(const std::vector<Report>& reports)
    {
        for (const Report& report : reports) {
            const int64_t draws = CurrentProgress().BarDraws;
            UpdateProgress(report.current);
            EXPECT_EQ(CurrentProgress().BarValue, report.bar) << "report " << report.current;
            EXPECT_EQ(CurrentProgress().BarDraws - draws, report.drawn ? 1 : 0) << "report " << report.current;
        }
    }
};

TEST_F(ProgressWindowTest, RedrawsInStepsOfFivePercent)
{
    ShowProgress(200, QString(), 10, 10);
    QWidget* window = ProgressWindow();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->objectName(), QStringLiteral("PrcntgBar"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Percent Completed"));

    std::vector<Report> reports;
    for (int32_t i = 1; i <= 9; ++i)
        reports.push_back({i, 0, false});  // 9 is 4.5 percent, rounded to 4
    reports.push_back({10, 5, true});
    for (int32_t i = 11; i <= 18; ++i)
        reports.push_back({i, 5, false});
    reports.push_back({19, 10, true});    // 9.5, rounded to 10
    reports.push_back({180, 90, true});
    reports.push_back({189, 90, false});  // 94.5, rounded to 94
    reports.push_back({197, 100, true});  // 98, but within 4 of the end
    reports.push_back({250, 100, true});
    Expect(reports);
    EXPECT_EQ(CurrentProgress().ProgressPercent, 125);
    EXPECT_EQ(CurrentProgress().ProgressShown, 125);

    CloseProgress();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QString());

    ShowProgress(1000, QStringLiteral("Tessaport"), 10, 10);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tessaport"));
    Expect({{45, 0, false}, {50, 5, true}});  // starts from 0 again
    CloseProgress();
}

// Paint events reaching a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int Count() const { return count_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count_;
        return false;
    }

private:
    int count_ = 0;
};

TEST_F(ProgressWindowTest, PaintsTheBarOnlyWhenItsValueChanges)
{
    ShowProgress(200, QString(), 10, 10);
    auto* bar = ProgressWindow()->findChild<QWidget*>(QStringLiteral("Panel3D1"));
    ASSERT_NE(bar, nullptr);
    PaintCounter paints(bar);

    UpdateProgress(10);
    EXPECT_EQ(CurrentProgress().BarValue, 5);
    EXPECT_GT(paints.Count(), 0);
    UpdateProgress(199);  // 99.5, rounded to 100
    EXPECT_EQ(CurrentProgress().BarValue, 100);
    const int paintsWhenFull = paints.Count();
    const int64_t drawsWhenFull = CurrentProgress().BarDraws;
    for (int32_t current = 200; current < 260; ++current)
        UpdateProgress(current);
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.Count(), paintsWhenFull) << "a full bar is not painted again";
    EXPECT_EQ(CurrentProgress().BarDraws - drawsWhenFull, 60);
    EXPECT_EQ(CurrentProgress().BarValue, 100);
    CloseProgress();
}

TEST_F(ProgressWindowTest, NothingToCountShowsNoWindowAndDrawsAllDone)
{
    ShowProgress(0, QStringLiteral("Tessaport"), 10, 10);
    EXPECT_FALSE(ProgressWindow()->isVisible());
    Expect({{0, 100, true}, {3, 100, true}});
    CloseProgress();
}

TEST_F(ProgressWindowTest, FollowsTheMainWindowsState)
{
    FollowMainWindowState(Qt::WindowMinimized | Qt::WindowActive);
    EXPECT_EQ(ProgressWindow()->windowState(), Qt::WindowMinimized);
    FollowMainWindowState(Qt::WindowNoState);
    EXPECT_EQ(ProgressWindow()->windowState(), Qt::WindowNoState);
    EXPECT_FALSE(ProgressWindow()->isVisible());
}

} // namespace
