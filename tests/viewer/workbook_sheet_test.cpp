// The viewer on an xlsx file written by tessaport-import: the same cells as the database
// holds. That merges write the same cells to xlsx and CSV is tested in tests/export.

#include "sheet/sheet_file.h"
#include "sheet_table_model.h"
#include "sheet_loader.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>


#include "pattern_file_writer.h"
#include "qt_printers.h"
#include "qt_process.h"

namespace {

using Grid = std::vector<QStringList>;

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

// One security shows exactly what `omegadb dump` prints: ISO dates, the
// shortest decimals of the prices, whole volumes, an empty cell for the missing price.
// The prices are not exact as floats, and one volume is one that single precision would round.
TEST(ExportedFiles, OneSecurityShowsTheDatabaseValues)
{
    QTemporaryDir folder;
    const QString db = folder.filePath("db"), csv = folder.filePath("XYZ.in.csv");
    RunProgram("omegadb", {"create", db});
    test_support::WriteText(csv.toStdString(), "Date,Open,High,Low,Close,Volume,OpenInterest\n"
                            "2000-01-03,10.5,11,10,28.62,123456792,5\n"
                            "2000-01-04,11,,10.25,11.5,1300,6\n"
                            "2000-01-05,11.5,12.75,11.25,12.1,1400,7\n"
                            "2000-01-07,12,13.3,11.9,13.07,2147483647,8\n");
    RunProgram("omegadb", {"add", db, "XYZ", "--description", "XYZ", "--category", "2", "--period", "0", csv});
    // Comma-separated lines without quoting, as omegadb and this symbol need none.
    Grid expected;
    for (const QString& line : RunProgram("omegadb", {"dump", db, "XYZ"}).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts))
        expected.push_back(line.split(u',').mid(0, 6));
    expected[0] = QStringList{"Date", "XYZ_Open", "XYZ_High", "XYZ_Low", "XYZ_Close", "XYZ_Volume"};

    const QString path = folder.filePath("XYZ.xlsx");
    RunProgram("tessaport-import", {"--format", "xlsx", "--keep-invalid", "XYZ", "--data", db, "-o", path});
    const ViewerLoadResult loaded = LoadViewerSheet(path);
    ASSERT_TRUE(loaded.sheet) << loaded.error.toStdString();
    const ViewerSheet& sheet = *loaded.sheet;
    EXPECT_EQ(TableText(sheet), expected);
    EXPECT_EQ(sheet.FileTypeName(), "xlsx");
    EXPECT_EQ(sheet.UsedRangeText(), "A1:F5");
    QStringList names;
    for (const ViewerName& name : sheet.Names())
        names << name.name + u' ' + AreaText(name.firstRow, name.firstColumn, name.lastRow, name.lastColumn);
    EXPECT_EQ(names.join(", "), "WK1BEGIN A2:A2, WK1LABEL A1:A1");
    EXPECT_EQ(sheet.Date(1), QDate(2000, 1, 3));
}

} // namespace
