#pragma once

// Test files for the viewer. A pattern file written cell by cell from text, from column B on, row 0 the labels: a number
// where the text is one (an integer cell in `integerColumn`, counted from 0), a label elsewhere.

#include "sheet/sheet_file.h"

#include <QString>

#include <gtest/gtest.h>

#include <vector>

#include "test_files.h"

inline QString WritePatternFile(const QString& path, const std::vector<std::vector<QString>>& rows,
                                int16_t fileType = kSheetWk1, size_t integerColumn = SIZE_MAX)
{
    SheetFile file;
    EXPECT_EQ(file.Open(path.toStdString(), {.fileType = fileType, .beginRow = 1}), 0);
    SheetCell cell;
    for (size_t row = 0; row < rows.size(); ++row) {
        for (size_t column = 0; column < rows[row].size(); ++column) {
            const QString& text = rows[row][column];
            bool number = false;
            cell.numberValue = text.toDouble(&number);
            cell.integerValue = static_cast<int16_t>(text.toInt());
            cell.row = static_cast<int16_t>(row);
            cell.column = static_cast<int16_t>(column + 1);
            cell.kind = !number ? CellLabel : column == integerColumn ? CellInteger : CellNumber;
            cell.text = text.toStdString();
            EXPECT_EQ(file.Write(cell), 0);
        }
    }
    EXPECT_EQ(file.Close(), 0);
    return path;
}
