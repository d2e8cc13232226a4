#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

struct SheetContents;

// A cell as the viewer shows it.
struct ViewerCell {
    int16_t kind = 0;  // CellBlank, CellInteger, CellNumber or CellLabel
    double value = 0;  // integer and number cells
    QString text;      // label cells
};

struct ViewerName {
    QString name;
    int firstRow = 0;
    int firstColumn = 0;
    int lastRow = 0;
    int lastColumn = 0;

    bool Contains(int row, int column) const
    {
        return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
    }
};

// The cells of a sheet in little memory: 16 bytes a cell, sorted by place, and the texts
// of labels in shared blocks. Cells are added in any order (a later one at a place
// replaces an earlier one) and found after Finish.
class ViewerCells {
public:
    void Add(int row, int column, ViewerCell cell);
    // Room for this many cells, when their number is known beforehand.
    void Reserve(std::size_t cells) { entries_.reserve(cells); }
    // Sorts the cells by place and keeps the last of each place; once, after the last Add.
    void Finish();
    std::optional<ViewerCell> At(int row, int column) const;
    std::size_t Size() const { return entries_.size(); }
    // The memory held, for the reading's budget.
    uint64_t Bytes() const;

    // Visits the cells in order of place: f(row, column).
    template <typename F>
    void ForEachPlace(F f) const
    {
        for (const Entry& entry : entries_)
            f(static_cast<int>(entry.key >> 20), static_cast<int>((entry.key >> 4) & 0xFFFF));
    }

private:
    // The row above bit 20, the column in bits 4 to 19 and the kind in bits 0 to 3; the
    // number's bits, or where the text is: its block, start and length.
    struct Entry {
        uint64_t key;
        uint64_t value;
    };
    std::vector<Entry> entries_;
    std::vector<QString> blocks_;
};

struct ViewerSheetParts {
    QString fileTypeName;
    QString usedRangeText;
    ViewerCells cells;
    std::vector<ViewerName> names;
};

// A pattern file read for viewing: cells by position, the label row that heads the
// columns, the date column and the named ranges. Rows and columns are 0-based.
class ViewerSheet {
public:
    ViewerSheet() = default;
    explicit ViewerSheet(const SheetContents& contents);
    explicit ViewerSheet(ViewerSheetParts parts);

    QString FileTypeName() const { return fileTypeName_; }
    QString UsedRangeText() const { return usedRangeText_; }
    int RowCount() const { return rowCount_; }
    int ColumnCount() const { return columnCount_; }
    // The columns that hold a cell, in order: a stray cell far out adds one column, not
    // all those before it.
    const std::vector<int>& UsedColumns() const { return usedColumns_; }
    const std::vector<ViewerName>& Names() const { return names_; }

    std::optional<ViewerCell> Cell(int row, int column) const;
    // The row named WK1LABEL, else the first row.
    int LabelRow() const { return labelRow_; }
    // The column headed "Date", else the first column.
    int DateColumn() const { return dateColumn_; }
    // The label heading the column, or its letter when it has none.
    QString Header(int column) const;
    // The names whose range holds the cell.
    QStringList NamesAt(int row, int column) const;

    // The cell's number, when it has one.
    std::optional<double> Number(int row, int column) const;
    // The date of a day number in the date column (30 December 1899 is day 0), or of a
    // yyyy-mm-dd text there (xlsx keeps dates before 1900 so).
    std::optional<QDate> Date(int row) const;

    // A long table: the column headed "Symbol", -1 when there is none.
    int SymbolColumn() const { return symbolColumn_; }
    // The securities of a long table in the order they first appear, and the rows of each.
    QStringList Securities() const;
    std::vector<int> RowsOf(const QString& security) const;
    // The rows below the label row.
    std::vector<int> AllRows() const;

private:
    void FindPlaces();
    void FindLabelRowAndDateColumn();

    QString fileTypeName_;
    QString usedRangeText_;
    int rowCount_ = 0;
    int columnCount_ = 0;
    int labelRow_ = 0;
    int dateColumn_ = 0;
    int symbolColumn_ = -1;
    std::vector<int> usedColumns_;
    ViewerCells cells_;
    std::vector<ViewerName> names_;
};

// A, B, ..., Z, AA, ...
QString ColumnLetters(int column);
// "A1:G250"; "empty" when the range holds no cell.
QString AreaText(int firstRow, int firstColumn, int lastRow, int lastColumn);
// The date of a day number: day 0 is 30 December 1899; fractions are the time of day.
std::optional<QDate> DayNumberToDate(double dayNumber);
