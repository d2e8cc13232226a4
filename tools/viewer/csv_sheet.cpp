#include "workbook_sheet.h"

#include "sheet/sheet_writer.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <string_view>

namespace {

const QDate kDayZero(1899, 12, 30);
constexpr int kMaxColumn = 0xFFFF;
constexpr int kMaxRow = 0xFFFFFF;

// A field after the label row: a yyyy-mm-dd date as its day number, a number, else text.
ViewerCell FieldCell(std::string_view field)
{
    ViewerCell cell;
    if (field.size() == 10 && field[4] == '-' && field[7] == '-') {
        const QDate date = QDate::fromString(QString::fromLatin1(field.data(), 10), Qt::ISODate);
        if (date.isValid()) {
            cell.kind = CellNumber;
            cell.value = static_cast<double>(kDayZero.daysTo(date));
            return cell;
        }
    }
    double number = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    if (error == std::errc() && end == field.data() + field.size() && std::isfinite(number)) {
        cell.kind = CellNumber;
        cell.value = number;
        return cell;
    }
    cell.kind = CellLabel;
    cell.text = QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size()));
    return cell;
}

} // namespace

ViewerLoadResult ReadCsvSheet(const QByteArray& bytes)
{
    std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (text.empty())
        return {std::nullopt, QStringLiteral("the file is empty")};
    if (text.find('\0') != std::string_view::npos)
        return {std::nullopt, QStringLiteral("not a CSV file: it holds binary data")};

    ViewerSheetParts parts;
    parts.fileTypeName = QStringLiteral("CSV");
    int row = 0, column = 0, lastColumn = -1;
    qint64 line = 1;
    std::string field;
    std::size_t at = 0;
    auto place = [&](std::string_view value) {
        if (!value.empty()) {
            ViewerCell cell;
            if (row == 0) {
                cell.kind = CellLabel;
                cell.text = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
            } else {
                cell = FieldCell(value);
            }
            parts.cells.push_back({row, column, std::move(cell)});
            lastColumn = std::max(lastColumn, column);
        }
    };
    auto fail = [&](const char* what) {
        return ViewerLoadResult{std::nullopt, QStringLiteral("line %1: %2").arg(line).arg(QLatin1StringView(what))};
    };

    while (at < text.size()) {
        // One field, quoted or not, then the comma or line end after it.
        if (text[at] == '"') {
            const qint64 startLine = line;
            field.clear();
            for (++at;; ++at) {
                if (at >= text.size()) {
                    line = startLine;
                    return fail("a quoted field is not closed (the file is cut short)");
                }
                if (text[at] == '"') {
                    if (at + 1 < text.size() && text[at + 1] == '"') {
                        field += '"';
                        ++at;
                        continue;
                    }
                    ++at;
                    break;
                }
                if (text[at] == '\n')
                    ++line;
                field += text[at];
            }
            if (at < text.size() && text[at] != ',' && text[at] != '\r' && text[at] != '\n')
                return fail("text follows a closing quote");
            place(field);
        } else {
            const std::size_t end = text.find_first_of(",\r\n", at);
            place(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
            at = end == std::string_view::npos ? text.size() : end;
        }
        if (at >= text.size())
            break;
        if (text[at] == ',') {
            ++at;
            if (++column > kMaxColumn)
                return fail("more than 65,536 columns, more than the viewer shows");
            continue;
        }
        // CRLF, LF or a lone CR ends the row.
        at += text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
        ++line;
        if (++row > kMaxRow)
            return fail("more than 16,777,216 rows, more than the viewer shows");
        column = 0;
    }
    const int lastRow = parts.cells.empty() ? -1 : parts.cells.back().row;
    parts.usedRangeText = AreaText(0, 0, lastRow, lastColumn);
    return {ViewerSheet(std::move(parts)), QString()};
}
