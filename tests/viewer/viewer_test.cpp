// The viewer: pattern files of each type as a table and a chart, and damaged files
// refused with a message.

#include "platform/message_box.h"
#include "price_chart.h"
#include "sheet/sheet_reader.h"
#include "sheet/sheet_writer.h"
#include "sheet_table_model.h"
#include "viewer_sheet.h"
#include "viewer_window.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QXYSeries>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "qt_printers.h"

namespace {

// A price sheet as the import writes it: a label row, then one row per day, "*" where a
// price is missing. Day 36528 is 3 January 2000.
const char* const kSample[6][4] = {
    {"Date", "XYZ Open", "XYZ Close", "XYZ Vol"},
    {"36528", "10.5", "11", "1200"},
    {"36529", "11", "*", "1300"},
    {"36530", "11.5", "12", "1400"},
    {"36531", "*", "12.5", "1500"},
    {"36532", "12", "13", "1600"},
};

void WriteSample(const QString& path, int16_t fileType)
{
    SheetWriterState& writer = SheetWriter();
    writer.SheetFileType = fileType;
    writer.SheetLabelRow = 0;
    writer.SheetBeginRow = 1;
    writer.SheetNoNames = 0;
    ASSERT_EQ(OpenSheetFile(1, path.toStdString()), 0);
    SheetCellRecord& cell = writer.SheetCell;
    for (int16_t row = 0; row < 6; ++row) {
        for (int16_t column = 0; column < 4; ++column) {
            const QString text = kSample[row][column];
            cell.row = row;
            cell.column = static_cast<int16_t>(column + 1);
            // Volumes go in as integer cells, prices and dates as numbers.
            cell.kind = row == 0 || text == "*" ? CellLabel : column == 3 ? CellInteger : CellNumber;
            cell.text = text.toStdString();
            cell.integerValue = static_cast<int16_t>(text.toInt());
            cell.numberValue = text.toDouble();
            ASSERT_EQ(WriteSheetCell(1), 0);
        }
    }
    ASSERT_EQ(CloseSheetFile(1), 0);
}

qreal Day(int year, int month, int day)
{
    return static_cast<qreal>(QDateTime(QDate(year, month, day), QTime(0, 0)).toMSecsSinceEpoch());
}

class ViewerFileTypeTest : public testing::TestWithParam<int16_t> {
protected:
    QTemporaryDir folder_;
};

TEST_P(ViewerFileTypeTest, ShowsCellsUnderTheLabelRowWithNamesMarked)
{
    const QString path = folder_.filePath("XYZ.pat");
    WriteSample(path, GetParam());
    const ViewerLoadResult loaded = LoadViewerSheet(path);
    ASSERT_TRUE(loaded.sheet) << loaded.error.toStdString();
    const ViewerSheet& sheet = *loaded.sheet;
    EXPECT_EQ(sheet.FileTypeName(), QString::fromStdString(SheetFileTypeName(GetParam())));
    EXPECT_EQ(sheet.UsedRangeText(), "A1:D6");

    SheetTableModel model;
    model.SetSheet(&sheet);
    ASSERT_EQ(model.rowCount(), 5);
    ASSERT_EQ(model.columnCount(), 4);
    QStringList headers;
    for (int column = 0; column < 4; ++column)
        headers << model.headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"Date", "XYZ Open", "XYZ Close", "XYZ Vol"}));
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), "2 WK1BEGIN");
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toString(), "3");

    auto text = [&](int row, int column) { return model.index(row, column).data().toString(); };
    EXPECT_EQ(text(4, 0), "2000-01-07");
    EXPECT_EQ(text(0, 1), "10.5");
    EXPECT_EQ(text(1, 2), "*");
    EXPECT_EQ(text(4, 3), "1600");
    // WK1BEGIN is cell A2: the first body cell of the date column.
    EXPECT_TRUE(model.index(0, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.index(1, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(model.index(0, 0).data(Qt::ToolTipRole).toString(), "Day 36528\nWK1BEGIN");

    const std::vector<std::vector<QPointF>> close = ChartSegments(sheet, DefaultChartColumn(sheet));
    const std::vector<std::vector<QPointF>> expected = {
        {{Day(2000, 1, 3), 11}},
        {{Day(2000, 1, 5), 12}, {Day(2000, 1, 6), 12.5}, {Day(2000, 1, 7), 13}}};
    EXPECT_EQ(close, expected);
}

INSTANTIATE_TEST_SUITE_P(Types, ViewerFileTypeTest, testing::Values(kSheetWk1, kSheetBiff2, kSheetBiff3, kSheetBiff4),
                         [](const testing::TestParamInfo<int16_t>& type) { return SheetFileTypeName(type.param); });

TEST(DayNumberToDate, CountsFromThe30thOfDecember1899)
{
    EXPECT_EQ(DayNumberToDate(2), QDate(1900, 1, 1));
    EXPECT_EQ(DayNumberToDate(36526.75), QDate(2000, 1, 1));
    // A damaged file's day numbers are no dates, not a crash.
    EXPECT_EQ(DayNumberToDate(-1), std::nullopt);
    EXPECT_EQ(DayNumberToDate(1e300), std::nullopt);
}

class ViewerWindowTest : public testing::Test {
protected:
    ViewerWindowTest() { WriteSample(folder_.filePath("XYZ.pat"), kSheetWk1); }

    QString Sample() const { return folder_.filePath("XYZ.pat"); }
    QChart* Chart() const { return window_.findChild<QChartView*>("chartView")->chart(); }
    int SeriesCount(QAbstractSeries::SeriesType type) const
    {
        const QList<QAbstractSeries*> series = Chart()->series();
        return static_cast<int>(std::count_if(series.begin(), series.end(), [&](auto* s) { return s->type() == type; }));
    }

    QTemporaryDir folder_;
    platform::RecordedMessages messages_;
    ViewerWindow window_;
};

TEST_F(ViewerWindowTest, ChartsTheCloseWithAGapAtTheMissingPrice)
{
    ASSERT_TRUE(window_.OpenFile(Sample()));
    EXPECT_EQ(window_.windowTitle(), "XYZ.pat - Pattern File Viewer");
    EXPECT_EQ(window_.findChild<QComboBox*>("cmbColumn")->currentText(), "XYZ Close");
    EXPECT_EQ(Chart()->title(), "XYZ Close");
    // The run after the gap is a line; the value between two gaps is a dot.
    EXPECT_EQ(SeriesCount(QAbstractSeries::SeriesTypeLine), 1);
    EXPECT_EQ(SeriesCount(QAbstractSeries::SeriesTypeScatter), 1);
    EXPECT_EQ(static_cast<QXYSeries*>(Chart()->series().front())->count(), 3);
    EXPECT_TRUE(messages_.All().empty());
}

// A file cut short, one that is no sheet at all, and a single byte.
TEST_F(ViewerWindowTest, DamagedFileIsRefusedWithAMessageAndTheShownFileStays)
{
    ASSERT_TRUE(window_.OpenFile(Sample()));
    QFile good(Sample());
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray damagedFiles[] = {good.readAll().left(good.size() / 2), "Date,Open\n36528,1\n", QByteArray(1, 0)};

    for (const QByteArray& bytes : damagedFiles) {
        const QString damaged = folder_.filePath("damaged.pat");
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        messages_.Clear();

        EXPECT_FALSE(window_.OpenFile(damaged));

        const SheetReadResult read = ReadSheetFile(damaged.toStdString());
        ASSERT_FALSE(read.ok());
        ASSERT_EQ(messages_.All().size(), 1u);
        EXPECT_EQ(messages_.All()[0].title, "Pattern File Viewer");
        EXPECT_EQ(messages_.All()[0].text, "Cannot show " + damaged + ": " + QString::fromStdString(read.error) + ".");
        EXPECT_EQ(messages_.All()[0].icon, platform::MessageIcon::Exclamation);
        EXPECT_EQ(window_.windowTitle(), "XYZ.pat - Pattern File Viewer");
        ASSERT_NE(window_.Sheet(), nullptr);
        EXPECT_EQ(window_.Sheet()->RowCount(), 6);
    }
}

} // namespace
