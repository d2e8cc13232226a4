// The viewer: pattern files of each type as a table and a chart, and damaged files
// refused with a message.

#include "widgets/message_box.h"
#include "price_chart.h"
#include "sheet/cell_kinds.h"
#include "sheet/sheet_reader.h"
#include "sheet/sheet_file.h"
#include "sheet_table_model.h"
#include "sheet_loader.h"
#include "viewer_sheet.h"
#include "viewer_window.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

#include "pattern_file_writer.h"
#include "qt_printers.h"

namespace {

// A price sheet as the import writes it: a label row, then one row per day, "*" where a
// price is missing; a price that is not exact as a double is shown in its shortest decimals.
// Day 36528 is 3 January 2000.
const std::vector<std::vector<QString>> kSample = {
    {"Date", "XYZ Open", "XYZ Close", "XYZ Vol"}, {"36528", "1234567.89", "11", "1200"}, {"36529", "11", "*", "1300"},
    {"36530", "11.5", "12", "1400"}, {"36531", "*", "12.5", "1500"}, {"36532", "12", "13", "1600"},
};

// Volumes go in as integer cells, prices and dates as numbers.
QString WriteSample(const QTemporaryDir& folder, int16_t fileType)
{
    return WritePatternFile(folder.filePath("XYZ.pat"), kSample, fileType, 3);
}

// "2000-01-03 11" a row, "-" for a missing date or value.
QString SeriesText(const ChartSeries& series)
{
    QStringList rows;
    for (size_t i = 0; i < series.size(); ++i) {
        const double day = series.days[i], value = series.values[i];
        rows << (std::isnan(day) ? QStringLiteral("-") : QDate::fromJulianDay(static_cast<qint64>(day)).toString(Qt::ISODate))
                + u' ' + (std::isnan(value) ? QStringLiteral("-") : QString::number(value));
    }
    return rows.join(QStringLiteral(", "));
}

class ViewerFileTypeTest : public testing::TestWithParam<int16_t> {};

TEST_P(ViewerFileTypeTest, ShowsCellsUnderTheLabelRowWithNamesMarked)
{
    QTemporaryDir folder;
    const ViewerLoadResult loaded = LoadViewerSheet(WriteSample(folder, GetParam()));
    ASSERT_TRUE(loaded.sheet) << loaded.error.toStdString();
    const ViewerSheet& sheet = *loaded.sheet;
    EXPECT_EQ(sheet.FileTypeName(), QString::fromStdString(SheetFileTypeName(GetParam())));
    EXPECT_EQ(sheet.UsedRangeText(), "A1:D6");

    SheetTableModel model;
    model.SetSheet(&sheet);
    ASSERT_TRUE(model.rowCount() == 5 && model.columnCount() == 4);
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), kSample[0][column]);
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), "2 WK1BEGIN");
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toString(), "3");
    auto text = [&](int row, int column) { return model.index(row, column).data().toString(); };
    EXPECT_EQ(text(4, 0) + ' ' + text(0, 1) + ' ' + text(1, 2) + ' ' + text(4, 3), "2000-01-07 1234567.89 * 1600");
    // WK1BEGIN is cell A2: the first body cell of the date column.
    EXPECT_TRUE(model.index(0, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.index(1, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(model.index(0, 0).data(Qt::ToolTipRole).toString(), "Day 36528\nWK1BEGIN");

    const ChartSeries series = ReadChartSeries(sheet, DefaultChartColumn(sheet));
    EXPECT_EQ(series.title, "XYZ Close");
    EXPECT_EQ(series.firstRow, 1);
    EXPECT_EQ(SeriesText(series), "2000-01-03 11, 2000-01-04 -, 2000-01-05 12, 2000-01-06 12.5, 2000-01-07 13");
    EXPECT_EQ(series.volumes, std::vector<double>({1200, 1300, 1400, 1500, 1600}));
    EXPECT_EQ(series.minimumStep, 1);
}

INSTANTIATE_TEST_SUITE_P(Types, ViewerFileTypeTest, testing::Values(kSheetWk1, kSheetBiff2, kSheetBiff3, kSheetBiff4),
                         [](const testing::TestParamInfo<int16_t>& type) { return SheetFileTypeName(type.param); });

// Day numbers count from 30 December 1899; a damaged file's are no dates, not a crash.
TEST(DayNumberToDate, CountsFromThe30thOfDecember1899)
{
    EXPECT_EQ(DayNumberToDate(2), QDate(1900, 1, 1));
    EXPECT_EQ(DayNumberToDate(-693593), QDate(1, 1, 1));
    EXPECT_EQ(DayNumberToDate(2958465.75), QDate(9999, 12, 31));
    EXPECT_FALSE(DayNumberToDate(-693594) || DayNumberToDate(2958466) || DayNumberToDate(1e300));
}

// The close charted with a gap at the missing price; then a file without its end record
// refused with a message while the shown file stays.
TEST(ViewerWindow, ChartsTheCloseAndRefusesDamagedFiles)
{
    QTemporaryDir folder;
    widgets::RecordedMessages messages;
    ViewerWindow window;
    const QString sample = WriteSample(folder, kSheetWk1);
    ASSERT_TRUE(window.OpenFile(sample));
    EXPECT_EQ(window.windowTitle(), "XYZ.pat - Pattern File Viewer");
    EXPECT_EQ(window.findChild<QComboBox*>("columnCombo")->currentText(), "XYZ Close");
    EXPECT_TRUE(window.findChild<QComboBox*>("securityCombo")->isHidden());  // no Symbol column
    const auto* chart = window.findChild<PriceChart*>("chart");
    ASSERT_TRUE(chart);
    EXPECT_EQ(chart->Title(), "XYZ Close");
    EXPECT_TRUE(chart->HasVolumePane());
    EXPECT_EQ(SeriesText(chart->Series()), SeriesText(ReadChartSeries(*window.Sheet(), 2)));
    // Another column: the volume pane stays, and is not drawn for the volume itself.
    window.SetChartColumn(1);
    EXPECT_EQ(chart->Title(), "XYZ Open");
    window.SetChartColumn(3);
    EXPECT_FALSE(chart->HasVolumePane());
    EXPECT_TRUE(messages.All().empty());

    const std::string good = test_support::ReadText(sample.toStdString());
    const QString damaged = folder.filePath("damaged.pat");
    test_support::WriteText(damaged.toStdString(), good.substr(0, good.size() - 4));
    EXPECT_FALSE(window.OpenFile(damaged));
    ASSERT_EQ(messages.All().size(), 1u);
    EXPECT_EQ(messages.All()[0].title, "Pattern File Viewer");
    EXPECT_EQ(messages.All()[0].text, "Cannot show " + QDir::toNativeSeparators(damaged)
                                          + ": damaged file: no end-of-file record (the file is cut short).");
    EXPECT_EQ(messages.All()[0].icon, widgets::MessageIcon::Exclamation);
    EXPECT_EQ(window.windowTitle(), "XYZ.pat - Pattern File Viewer");
    EXPECT_TRUE(window.Sheet() && window.Sheet()->RowCount() == 6);
}

// Cells come in any order; of two at one place the later read is kept.
TEST(ViewerSheet, CellsInAnyOrderAndTheLastOfAPlaceKept)
{
    SheetContents contents;
    const auto add = [&](int32_t row, int32_t column, int16_t kind, double value, const char* text = "") {
        contents.cells.push_back({row, column, kind, 0, value, text});
    };
    add(3, 9, CellNumber, 1);
    add(0, 2, CellLabel, 0, "Close");
    add(3, 9, CellLabel, 0, "later");
    add(1, 65535, CellNumber, 2);
    add(1, 2, CellNumber, 3);
    add(1, 2, CellNumber, 4);
    const ViewerSheet sheet(contents);
    EXPECT_EQ(sheet.RowCount(), 4);
    EXPECT_EQ(sheet.UsedColumns(), std::vector<int>({2, 9, 65535}));
    EXPECT_EQ(sheet.Cell(3, 9)->text, "later");
    EXPECT_EQ(sheet.Cell(1, 2)->value, 4);
    EXPECT_EQ(sheet.Header(2), "Close");
    EXPECT_EQ(sheet.Number(1, 65535), 2);
    EXPECT_FALSE(sheet.Cell(2, 2) || sheet.Cell(1, 3));
}

} // namespace
