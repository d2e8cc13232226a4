#include "viewer_sheet.h"

#include "base/calendar.h"
#include "sheet/cell_kinds.h"
#include "workbook/workbook_reader.h"
#include "sheet/sheet_reader.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <bit>
#include <cmath>

namespace {
uint64_t Key(int row, int column) { return static_cast<uint64_t>(row) << 20 | static_cast<uint64_t>(column & 0xFFFF) << 4; }
constexpr uint64_t kPlaceMask = ~uint64_t{0xF};
// Label texts go into blocks of this many UTF-16 units; a text (at most kMaxCellText
// bytes and a mark) never spans two.
constexpr qsizetype kTextBlock = qsizetype{1} << 20;

QString FromSheetText(const std::string& text) { return QString::fromStdString(SheetTextToUtf8(text)); }

// Spreadsheet column numbers stop well below this; a damaged file may claim more.
constexpr int kMaxColumn = 0xFFFF;
} // namespace

QString ColumnLetters(int column)
{
    QString letters;
    for (qint64 n = static_cast<qint64>(column) + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + static_cast<char16_t>((n - 1) % 26)));
    return letters;
}

QString AreaText(int firstRow, int firstColumn, int lastRow, int lastColumn)
{
    if (firstRow > lastRow || firstColumn > lastColumn)
        return QStringLiteral("empty");
    return ColumnLetters(firstColumn) + QString::number(static_cast<qint64>(firstRow) + 1) + u':'
        + ColumnLetters(lastColumn) + QString::number(static_cast<qint64>(lastRow) + 1);
}

std::optional<QDate> DayNumberToDate(double dayNumber)
{
    // From the first day of year 1 (a CSV's dates may be that early) to the last of 9999.
    if (!std::isfinite(dayNumber) || dayNumber < -693593 || dayNumber >= 2958466)
        return std::nullopt;
    const base::CivilDate date = base::CivilOfSerial(static_cast<int64_t>(std::floor(dayNumber)));
    return QDate(static_cast<int>(date.year), date.month, date.day);
}

void ViewerCells::Add(int row, int column, ViewerCell cell)
{
    if (row < 0 || column < 0 || column > kMaxColumn)
        return;
    uint64_t value = 0;
    if (cell.kind == CellLabel) {
        // Texts no spreadsheet holds are cut, whatever file they come from.
        QString& text = cell.text;
        if (text.size() > static_cast<qsizetype>(kMaxCellText))
            text = text.left(static_cast<qsizetype>(kMaxCellText)) + QString::fromUtf8(kCutMark);
        if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < text.size()) {
            blocks_.emplace_back().reserve(kTextBlock);
        }
        QString& block = blocks_.back();
        value = static_cast<uint64_t>(blocks_.size() - 1) << 40 | static_cast<uint64_t>(block.size()) << 20
            | static_cast<uint64_t>(text.size());
        block += text;
    } else {
        value = std::bit_cast<uint64_t>(cell.value);
    }
    entries_.push_back({Key(row, column) | static_cast<uint64_t>(cell.kind & 0xF), value});
}

void ViewerCells::Finish()
{
    const auto byPlace = [](const Entry& a, const Entry& b) { return (a.key & kPlaceMask) < (b.key & kPlaceMask); };
    if (std::is_sorted(entries_.begin(), entries_.end(), byPlace)) {
        // Files are read in order, mostly: only places that repeat remain to be dropped.
    } else {
        std::stable_sort(entries_.begin(), entries_.end(), byPlace);
    }
    // Of cells at one place the last read stays.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (i + 1 < entries_.size() && (entries_[i].key & kPlaceMask) == (entries_[i + 1].key & kPlaceMask))
            continue;
        entries_[kept++] = entries_[i];
    }
    entries_.resize(kept);
    entries_.shrink_to_fit();
}

std::optional<ViewerCell> ViewerCells::At(int row, int column) const
{
    const uint64_t place = Key(row, column);
    const auto found = std::lower_bound(entries_.begin(), entries_.end(), place,
                                        [](const Entry& entry, uint64_t key) { return (entry.key & kPlaceMask) < key; });
    if (found == entries_.end() || (found->key & kPlaceMask) != place)
        return std::nullopt;
    ViewerCell cell;
    cell.kind = static_cast<int16_t>(found->key & 0xF);
    if (cell.kind == CellLabel) {
        const QString& block = blocks_[static_cast<std::size_t>(found->value >> 40)];
        cell.text = QString::fromRawData(block.constData() + ((found->value >> 20) & 0xFFFFF),
                                         static_cast<qsizetype>(found->value & 0xFFFFF));
    } else {
        cell.value = std::bit_cast<double>(found->value);
    }
    return cell;
}

uint64_t ViewerCells::Bytes() const
{
    return entries_.capacity() * sizeof(Entry) + blocks_.size() * static_cast<uint64_t>(kTextBlock) * sizeof(QChar);
}

ViewerSheet::ViewerSheet(const SheetContents& contents)
    : fileTypeName_(QString::fromStdString(SheetFileTypeName(contents.fileType)))
{
    for (const SheetCellValue& cell : contents.cells) {
        if (cell.row < 0 || cell.column < 0 || cell.column > kMaxColumn)
            continue;
        ViewerCell viewerCell;
        viewerCell.kind = cell.kind;
        if (cell.kind == CellInteger)
            viewerCell.value = cell.integerValue;
        else if (cell.kind == CellNumber)
            viewerCell.value = cell.numberValue;
        else if (cell.kind == CellLabel)
            viewerCell.text = FromSheetText(cell.text);
        cells_.Add(cell.row, cell.column, std::move(viewerCell));
    }
    FindPlaces();

    if (contents.usedRange) {
        const SheetArea& range = *contents.usedRange;
        usedRangeText_ = AreaText(range.firstRow, range.firstColumn, range.lastRow, range.lastColumn);
    } else {
        usedRangeText_ = QStringLiteral("not recorded");
    }

    for (const SheetName& name : contents.names) {
        const SheetArea& area = name.area;
        names_.push_back({FromSheetText(name.name), area.firstRow, area.firstColumn, area.lastRow, area.lastColumn});
    }
    FindLabelRowAndDateColumn();
}

ViewerSheet::ViewerSheet(ViewerSheetParts parts)
    : fileTypeName_(std::move(parts.fileTypeName)), usedRangeText_(std::move(parts.usedRangeText)), cells_(std::move(parts.cells)),
      names_(std::move(parts.names))
{
    FindPlaces();
    FindLabelRowAndDateColumn();
}

// The cells in order, the rows and columns they span and the columns that hold one.
void ViewerSheet::FindPlaces()
{
    cells_.Finish();
    std::vector<bool> used(kMaxColumn + 1);
    cells_.ForEachPlace([&](int row, int column) {
        rowCount_ = std::max(rowCount_, row + 1);
        used[static_cast<std::size_t>(column)] = true;
    });
    for (int column = 0; column <= kMaxColumn; ++column)
        if (used[static_cast<std::size_t>(column)]) {
            usedColumns_.push_back(column);
            columnCount_ = column + 1;
        }
}

void ViewerSheet::FindLabelRowAndDateColumn()
{
    for (const ViewerName& name : names_)
        if (name.name.compare(QStringLiteral("WK1LABEL"), Qt::CaseInsensitive) == 0 && name.firstRow >= 0)
            labelRow_ = name.firstRow;

    bool dateFound = false;
    for (const int column : usedColumns_) {
        const std::optional<ViewerCell> heading = Cell(labelRow_, column);
        if (!heading || heading->kind != CellLabel)
            continue;
        const QString text = heading->text.trimmed();
        if (!dateFound && text.compare(QStringLiteral("Date"), Qt::CaseInsensitive) == 0) {
            dateColumn_ = column;
            dateFound = true;
        } else if (symbolColumn_ < 0 && text.compare(QStringLiteral("Symbol"), Qt::CaseInsensitive) == 0) {
            symbolColumn_ = column;
        }
    }
    if (!dateFound && !usedColumns_.empty())
        dateColumn_ = usedColumns_.front() == 0 ? 0 : dateColumn_;
}

std::vector<int> ViewerSheet::AllRows() const
{
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(std::max(0, rowCount_ - labelRow_ - 1)));
    for (int row = labelRow_ + 1; row < rowCount_; ++row)
        rows.push_back(row);
    return rows;
}

QStringList ViewerSheet::Securities() const
{
    QStringList securities;
    if (symbolColumn_ < 0)
        return securities;
    QSet<QString> seen;
    for (int row = labelRow_ + 1; row < rowCount_; ++row) {
        const std::optional<ViewerCell> cell = Cell(row, symbolColumn_);
        if (cell && cell->kind == CellLabel && !seen.contains(cell->text)) {
            seen.insert(cell->text);
            securities << cell->text;
        }
    }
    return securities;
}

std::vector<int> ViewerSheet::RowsOf(const QString& security) const
{
    std::vector<int> rows;
    for (int row = labelRow_ + 1; row < rowCount_; ++row)
        if (const std::optional<ViewerCell> cell = Cell(row, symbolColumn_); cell && cell->kind == CellLabel && cell->text == security)
            rows.push_back(row);
    return rows;
}

std::optional<ViewerCell> ViewerSheet::Cell(int row, int column) const
{
    if (row < 0 || column < 0 || column > kMaxColumn)
        return std::nullopt;
    return cells_.At(row, column);
}

QString ViewerSheet::Header(int column) const
{
    const std::optional<ViewerCell> heading = Cell(labelRow_, column);
    if (heading && heading->kind == CellLabel && !heading->text.trimmed().isEmpty())
        return heading->text.trimmed();
    return ColumnLetters(column);
}

QStringList ViewerSheet::NamesAt(int row, int column) const
{
    QStringList found;
    for (const ViewerName& name : names_)
        if (name.Contains(row, column))
            found << name.name;
    return found;
}

std::optional<double> ViewerSheet::Number(int row, int column) const
{
    const std::optional<ViewerCell> cell = Cell(row, column);
    if (!cell || (cell->kind != CellNumber && cell->kind != CellInteger) || !std::isfinite(cell->value))
        return std::nullopt;
    return cell->value;
}

std::optional<QDate> ViewerSheet::Date(int row) const
{
    if (const std::optional<ViewerCell> cell = Cell(row, dateColumn_); cell && cell->kind == CellLabel) {
        const QDate date = cell->text.size() == 10 ? QDate::fromString(cell->text, Qt::ISODate) : QDate();
        return date.isValid() ? std::optional(date) : std::nullopt;
    }
    const std::optional<double> day = Number(row, dateColumn_);
    return day ? DayNumberToDate(*day) : std::nullopt;
}
