// The viewer on xlsx and CSV files written by tessaport-import: the same cells as the
// database holds. That merges write the same cells to both is tested in tests/export.

#include "price_chart.h"
#include "sheet/sheet_file.h"
#include "sheet_check.h"
#include "sheet_table_model.h"
#include "viewer_window.h"
#include "sheet_loader.h"

#include <QComboBox>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "pattern_file_writer.h"
#include "qt_printers.h"
#include "qt_process.h"

namespace {

using Grid = std::vector<QStringList>;

// Comma-separated lines without quoting, as omegadb and these symbols need none.
Grid SplitLines(const QString& text, int columns = -1)
{
    Grid grid;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts))
        grid.push_back(columns < 0 ? line.split(u',') : line.split(u',').mid(0, columns));
    return grid;
}

// The sheet as the viewer's table shows it, its header row first.
Grid TableText(const ViewerSheet& sheet)
{
    SheetTableModel model;
    model.SetSheet(&sheet);
    Grid grid(1);
    for (int column = 0; column < model.columnCount(); ++column)
        grid[0] << model.headerData(column, Qt::Horizontal).toString();
    for (int row = 0; row < model.rowCount(); ++row) {
        grid.emplace_back();
        for (int column = 0; column < model.columnCount(); ++column)
            grid.back() << model.index(row, column).data().toString();
    }
    return grid;
}

// A security with a missing price, a volume that single precision would round, prices
// that are not exact as floats, and a gap.
class ExportedFiles : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        RunProgram("omegadb", {"create", Db()});
        Add("XYZ", "2000-01-03,10.5,11,10,28.62,123456792,5\n"
                   "2000-01-04,11,,10.25,11.5,1300,6\n"
                   "2000-01-05,11.5,12.75,11.25,12.1,1400,7\n"
                   "2000-01-07,12,13.3,11.9,13.07,2147483647,8\n");
    }

    QString Db() const { return folder_.filePath("db"); }
    QString Path(const QString& name) const { return folder_.filePath(name); }

    void Add(const QString& symbol, const QByteArray& rows)
    {
        const QString csv = Path(symbol + ".in.csv");
        WriteBytes(csv, "Date,Open,High,Low,Close,Volume,OpenInterest\n" + rows);
        RunProgram("omegadb", {"add", Db(), symbol, "--description", symbol, "--category", "2", "--period", "0", csv});
    }

    QString Export(const QString& name, QStringList arguments)
    {
        const QString out = Path(name);
        arguments << "--data" << Db() << "-o" << out;
        RunProgram("tessaport-import", arguments);
        return out;
    }

    ViewerSheet Load(const QString& path)
    {
        ViewerLoadResult loaded = LoadViewerSheet(path);
        EXPECT_TRUE(loaded.sheet) << loaded.error.toStdString();
        return loaded.sheet ? std::move(*loaded.sheet) : ViewerSheet();
    }

    QTemporaryDir folder_;
};

// One security in each format shows exactly what `omegadb dump` prints: ISO dates, the
// shortest decimals of the prices, whole volumes, an empty cell for the missing price.
TEST_F(ExportedFiles, OneSecurityShowsTheDatabaseValues)
{
    Grid expected = SplitLines(RunProgram("omegadb", {"dump", Db(), "XYZ"}), 6);
    expected[0] = QStringList{"Date", "XYZ_Open", "XYZ_High", "XYZ_Low", "XYZ_Close", "XYZ_Volume"};

    struct Case {
        const char* format;
        const char* name;
        const char* type;
        const char* names;
    };
    for (const Case& c : {Case{"xlsx", "XYZ.xlsx", "xlsx", "WK1BEGIN A2:A2, WK1LABEL A1:A1"}, Case{"csv", "XYZ.CSV", "CSV", ""}}) {
        SCOPED_TRACE(c.format);
        const ViewerSheet sheet = Load(Export(c.name, {"--format", c.format, "--keep-invalid", "XYZ"}));
        EXPECT_EQ(TableText(sheet), expected);
        EXPECT_EQ(sheet.FileTypeName(), c.type);
        EXPECT_EQ(sheet.UsedRangeText(), "A1:F5");
        QStringList names;
        for (const ViewerName& name : sheet.Names())
            names << name.name + u' ' + AreaText(name.firstRow, name.firstColumn, name.lastRow, name.lastColumn);
        EXPECT_EQ(names.join(", "), c.names);
        EXPECT_EQ(sheet.Date(1), QDate(2000, 1, 3));

        // The close charts with no gap; the high breaks after its first value.
        auto missing = [&](int column) {
            const ChartSeries series = ReadChartSeries(sheet, column);
            EXPECT_EQ(series.size(), 4u);
            return std::count_if(series.values.begin(), series.values.end(), [](double v) { return std::isnan(v); });
        };
        EXPECT_EQ(missing(4), 0);
        EXPECT_EQ(missing(2), 1);
        EXPECT_TRUE(std::isnan(ReadChartSeries(sheet, 2).values[1]));

        // Check data finds the columns by their headings, as in the pattern file formats.
        const SheetCheck check = CheckSheet(sheet);
        EXPECT_TRUE(check.pricesFound);
        EXPECT_EQ(check.rowsChecked, 4);
    }

    // In the window, the close charted.
    ViewerWindow window;
    ASSERT_TRUE(window.OpenFile(Path("XYZ.xlsx")));
    EXPECT_EQ(window.windowTitle(), "XYZ.xlsx - Pattern File Viewer");
    EXPECT_EQ(window.findChild<QComboBox*>("columnCombo")->currentText(), "XYZ_Close");
}

} // namespace
