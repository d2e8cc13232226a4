#include "sheet_check.h"

#include "viewer_sheet.h"

#include <algorithm>

namespace {

uint32_t Yyyymmdd(const QDate& date) { return static_cast<uint32_t>(date.year() * 10000 + date.month() * 100 + date.day()); }

// The period whose step the dates keep most: the median step in days.
quality::Period GuessPeriod(const ViewerSheet& sheet, const std::vector<int>& rows)
{
    std::vector<qint64> steps;
    std::optional<QDate> previous;
    for (const int row : rows) {
        const std::optional<QDate> date = sheet.Date(row);
        if (date && previous && *date > *previous)
            steps.push_back(previous->daysTo(*date));
        if (date)
            previous = date;
    }
    if (steps.empty())
        return quality::Period::Daily;
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
    const qint64 median = steps[steps.size() / 2];
    return median <= 4 ? quality::Period::Daily : median <= 10 ? quality::Period::Weekly : quality::Period::Monthly;
}

} // namespace

PriceColumns FindPriceColumns(const ViewerSheet& sheet)
{
    PriceColumns columns;
    for (const int column : sheet.UsedColumns()) {
        if (column == sheet.DateColumn() || column == sheet.SymbolColumn())
            continue;
        const QString heading = sheet.Header(column).toLower().replace(u'_', u' ').simplified();
        auto endsWith = [&](const char* word) {
            return heading == QLatin1String(word) || heading.endsWith(u' ' + QLatin1String(word));
        };
        int* slot = endsWith("open interest") || endsWith("oi") ? &columns.openInterest
            : endsWith("open")                                   ? &columns.open
            : endsWith("high")                                   ? &columns.high
            : endsWith("low")                                    ? &columns.low
            : endsWith("close")                                  ? &columns.close
            : endsWith("volume") || endsWith("vol")              ? &columns.volume
                                                                 : nullptr;
        if (slot && *slot < 0)
            *slot = column;
    }
    return columns;
}

SheetCheck CheckSheet(const ViewerSheet& sheet, const std::vector<int>* givenRows)
{
    SheetCheck check;
    const PriceColumns columns = FindPriceColumns(sheet);
    check.pricesFound = columns.close >= 0;
    if (!check.pricesFound)
        return check;
    const std::vector<int> sheetRows = givenRows ? *givenRows : sheet.AllRows();
    check.period = GuessPeriod(sheet, sheetRows);

    std::vector<int> rows;  // the sheet row of each row checked
    quality::PriceChecker checker(quality::DefaultLimits(check.period), [&](const quality::Finding& finding) {
        check.findings.push_back({rows[finding.position], finding});
    });
    auto value = [&](int row, int column) { return column >= 0 ? sheet.Number(row, column) : std::nullopt; };
    for (const int row : sheetRows) {
        const std::optional<QDate> date = sheet.Date(row);
        quality::PriceInput input;
        input.date = date ? Yyyymmdd(*date) : 0;
        input.open = value(row, columns.open);
        input.high = value(row, columns.high);
        input.low = value(row, columns.low);
        input.close = value(row, columns.close);
        input.volume = value(row, columns.volume);
        input.openInterest = value(row, columns.openInterest);
        // A row with nothing in it is no record: a blank line between blocks.
        if (!date && !input.open && !input.high && !input.low && !input.close && !input.volume)
            continue;
        rows.push_back(row);
        checker.Add(input);
    }
    checker.Finish();
    check.rowsChecked = static_cast<int>(rows.size());
    return check;
}
