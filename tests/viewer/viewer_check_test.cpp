// Check data in the viewer: the findings of a pattern file's rows listed, their rows
// tinted in the table and dotted on the chart; a long table checked a security at a time.

#include "sheet/sheet_file.h"
#include "widgets/message_box.h"
#include "sheet_check.h"
#include "sheet_loader.h"
#include "sheet_table_model.h"
#include "viewer_sheet.h"
#include "price_chart.h"
#include "viewer_window.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "pattern_file_writer.h"
#include "qt_printers.h"

namespace {

// Weekdays from Monday 3 January 2000 (day 36528), the close rising by 0.25 a day.
// Rows 0-based as in the sheet: row 0 holds the labels.
std::vector<std::vector<QString>> PriceRows(int days)
{
    std::vector<std::vector<QString>> rows = {{"Date", "XYZ_Open", "XYZ_High", "XYZ_Low", "XYZ_Close", "XYZ_Volume"}};
    for (int i = 0, day = 36528; i < days; ++day) {
        if (DayNumberToDate(day)->dayOfWeek() > 5)
            continue;
        const double close = 20 + 0.25 * i++;
        rows.push_back({QString::number(day), QString::number(close - 0.5), QString::number(close + 1),
                        QString::number(close - 1), QString::number(close), QStringLiteral("1000")});
    }
    return rows;
}

bool IsMarkRed(const QColor& colour) { return colour.red() > 150 && colour.green() < 80 && colour.blue() < 80; }

TEST(ViewerCheckData, ListsTheFindingsAndMarksTheirRows)
{
    QTemporaryDir folder;
    std::vector<std::vector<QString>> rows = PriceRows(40);
    rows[10][4] = rows[10][2] = "60";  // 2000-01-14: the close jumps and is back the next day
    std::swap(rows[25][2], rows[25][3]);  // 2000-02-04: high below low
    rows[30][4] = "*";  // a missing price: not a finding
    ViewerWindow window;
    ASSERT_TRUE(window.OpenFile(WritePatternFile(folder.filePath("XYZ.pat"), rows)));
    auto* check = window.findChild<QAction*>("checkDataAction");
    auto* list = window.findChild<QTreeWidget*>("lstFindings");
    auto* panel = window.findChild<QWidget*>("FindingsPanel");
    ASSERT_TRUE(check && list && panel && check->isEnabled());

    check->trigger();
    EXPECT_FALSE(panel->isHidden());

    EXPECT_EQ(window.findChild<QLabel*>("findingsLabel")->text(), "2 findings in 40 rows, checked as daily data.");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    auto line = [&](int i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        return item->text(0) + ' ' + item->text(1) + ' ' + item->text(2);
    };
    EXPECT_EQ(line(0), "11 2000-01-14 bad-tick");
    EXPECT_EQ(line(1), "26 2000-02-04 high-below-low");

    // Table rows are sheet rows less the label row.
    const auto* model = static_cast<const SheetTableModel*>(window.findChild<QTableView*>("tblCells")->model());
    EXPECT_TRUE(model->index(9, 3).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model->index(10, 3).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(model->index(24, 2).data(Qt::ToolTipRole).toString(), "high-below-low: the high is below the low");

    // The jump's dot sits on the line at the top of the price pane.
    auto* chart = window.findChild<PriceChart*>("chart");
    ASSERT_TRUE(chart);
    chart->resize(640, 360);
    const QImage image = chart->grab().toImage();
    const std::optional<QPointF> jump = chart->PointOfRow(10);
    ASSERT_TRUE(jump);
    EXPECT_LT(jump->y() - chart->PriceArea().top(), chart->PriceArea().height() * 0.1);
    EXPECT_TRUE(IsMarkRed(image.pixelColor(jump->toPoint())));

    list->setCurrentItem(list->topLevelItem(1));
    emit list->itemActivated(list->topLevelItem(1), 0);
    EXPECT_EQ(window.findChild<QTableView*>("tblCells")->currentIndex().row(), 24);

    // Opening another file forgets the findings and their dots.
    ASSERT_TRUE(window.OpenFile(WritePatternFile(folder.filePath("XYZ.pat"), PriceRows(40))));
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(model->index(9, 3).data(Qt::BackgroundRole).isValid());
    const QImage after = chart->grab().toImage();
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            ASSERT_FALSE(IsMarkRed(after.pixelColor(x, y))) << x << "," << y;
}

// Headings in any case, the dates in any column.
TEST(ViewerCheckData, FindsColumnsByTheirHeadingsAndThePeriodByTheDates)
{
    QTemporaryDir folder;
    std::vector<std::vector<QString>> rows = {{"Vol", "DATE", "ABC CLOSE", "ABC Open Interest", "Open"}};
    for (int week = 0; week < 30; ++week)
        rows.push_back({"5", QString::number(36532 + 7 * week), QString::number(10 + week % 3), "-1", "10"});
    const ViewerLoadResult loaded = LoadViewerSheet(WritePatternFile(folder.filePath("XYZ.pat"), rows));
    ASSERT_TRUE(loaded.sheet);
    const PriceColumns columns = FindPriceColumns(*loaded.sheet);
    EXPECT_EQ(std::vector<int>({columns.open, columns.high, columns.low, columns.close, columns.volume, columns.openInterest}),
              std::vector<int>({4, -1, -1, 2, 0, 3}));
    EXPECT_EQ(DefaultChartColumn(*loaded.sheet), 2);
    EXPECT_EQ(loaded.sheet->Date(1), QDate(2000, 1, 7));
    const SheetCheck check = CheckSheet(*loaded.sheet);
    EXPECT_EQ(check.period, quality::Period::Weekly);
    ASSERT_EQ(check.findings.size(), 30u);  // every open interest below zero
    EXPECT_EQ(check.findings.front().finding.kind, quality::FindingKind::NegativeVolume);

    const ViewerLoadResult noClose =
        LoadViewerSheet(WritePatternFile(folder.filePath("XYZ.pat"), {{"Date", "Price"}, {"36528", "1"}}));
    ASSERT_TRUE(noClose.sheet);
    EXPECT_FALSE(CheckSheet(*noClose.sheet).pricesFound);
}

// A long table, as tessaport-import writes one: two securities, the second from the first
// one's first day again and at another level. The window shows and checks one at a time.
TEST(ViewerCheckData, LongTableShowsAndChecksOneSecurityAtATime)
{
    QTemporaryDir folder;
    std::vector<std::vector<QString>> rows = {{"Date", "Symbol", "Open", "High", "Low", "Close", "Volume"}};
    const std::vector<std::vector<QString>> prices = PriceRows(30);
    for (const QString symbol : {"AAA", "BBB"}) {
        for (size_t i = 1; i < prices.size(); ++i) {
            std::vector<QString> row = prices[i];
            for (size_t column = 1; symbol == "BBB" && column < 5; ++column)
                row[column] = QString::number(row[column].toDouble() + 50);
            row.insert(row.begin() + 1, symbol);
            rows.push_back(row);
        }
    }
    widgets::RecordedMessages messages;
    ViewerWindow window;
    ASSERT_TRUE(window.OpenFile(WritePatternFile(folder.filePath("LONG.pat"), rows)));
    auto* securities = window.findChild<QComboBox*>("securityCombo");
    const QAbstractItemModel* table = window.findChild<QTableView*>("tblCells")->model();
    ASSERT_EQ(securities->count(), 2);
    EXPECT_FALSE(securities->isHidden());
    for (const QString symbol : {"AAA", "BBB"}) {
        window.SetSecurity(symbol);
        ASSERT_EQ(table->rowCount(), 30);
        for (int row = 0; row < 30; ++row)
            EXPECT_EQ(table->index(row, window.Sheet()->SymbolColumn()).data().toString(), symbol);
        EXPECT_EQ(window.findChild<PriceChart*>("chart")->Series().size(), 30u);
        window.findChild<QAction*>("checkDataAction")->trigger();
        EXPECT_EQ(window.findChild<QLabel*>("findingsLabel")->text(), "No findings in 30 rows, checked as daily data.") << symbol.toStdString();
    }
    EXPECT_TRUE(messages.All().empty());
}

// The Help menu: what the viewer opens, what the checks mean, About.
TEST(ViewerHelp, MenuEntriesSayWhatTheViewerOpensAndChecks)
{
    widgets::RecordedMessages messages;
    ViewerWindow window;
    const std::pair<const char*, const char*> entries[] = {
        {"helpFilesAction", "xlsx workbooks and CSV files"}, {"helpChecksAction", "out-of-order: a date earlier"},
        {"aboutAction", "Tessaport " TESSAPORT_TEST_VERSION}};
    for (const auto& [name, text] : entries) {
        window.findChild<QAction*>(name)->trigger();
        ASSERT_FALSE(messages.All().empty()) << name;
        EXPECT_TRUE(messages.All().back().text.contains(QLatin1String(text))) << name;
    }
}

} // namespace
