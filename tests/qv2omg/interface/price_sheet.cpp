// price_sheet DIR SYMBOL wk1|biff4 OUT: the rows an import with --keep-invalid
// --open-interest writes, made from the database format and the sheet writer alone, so
// that a cross-built copy can be compared byte for byte with tessaport-import's file.
// The cell layout follows import/import_job.cpp; the comparison fails when either drifts.

#include "omega/omega_date.h"
#include "platform/native/native_path.h"
#include "qv2omg/data_reader.h"
#include "qv2omg/header_reader.h"
#include "sheet/sheet_file.h"

#include <array>
#include <cstdio>
#include <string>
#include <utility>

namespace {

// A label, or the number when there is no text.
SheetCell Cell(int32_t row, int16_t column, std::string text, double number = 0)
{
    SheetCell cell;
    cell.row = row;
    cell.column = column;
    cell.kind = text.empty() ? CellNumber : CellLabel;
    cell.text = std::move(text);
    cell.numberValue = number;
    return cell;
}

int16_t WriteRows(SheetFile& file, qv2omg::DataReader& data, const std::string& symbol)
{
    static constexpr std::array<const char*, 7> kNames = {"", "_Open", "_High", "_Low", "_Close", "_Volume",
                                                          "_Open_Interest"};
    int16_t result = 0;
    for (int16_t column = 1; column <= 7 && result == 0; ++column)
        result = file.Write(Cell(0, column, column == 1 ? "Date" : symbol + kNames[static_cast<size_t>(column - 1)]));
    qv2omg::PriceRow row;
    for (int32_t line = 1; result == 0 && data.Next(row); ++line) {
        const OmegaDate date{static_cast<int32_t>(row.date / 100 % 100), static_cast<int32_t>(row.date % 100),
                             static_cast<int32_t>(row.date / 10000) - 1900};
        result = file.Write(Cell(line, 1, {}, omega::OmegaDateToSerial(date)));
        const std::array<float, 6> values = {row.open, row.high, row.low, row.close,
                                             static_cast<float>(row.volume), static_cast<float>(row.openInterest)};
        for (int16_t column = 2; column <= 7 && result == 0; ++column) {
            const float value = values[static_cast<size_t>(column - 2)];
            result = file.Write(value < QV2OMG_MISSING_PRICE ? Cell(line, column, {}, value) : Cell(line, column, "*"));
        }
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: price_sheet DIR SYMBOL wk1|biff4 OUT\n");
        return 2;
    }
    const std::string symbol = argv[2];
    qv2omg::HeaderReader header;
    qv2omg::SecurityEntry entry;
    qv2omg::DataReader data;
    const auto directory = native::PathFromText(argv[1]);
    const auto index = header.Open(directory) ? header.Find(symbol) : std::nullopt;
    if (!index || !header.Read(*index, entry) || !data.Open(directory / qv2omg::FieldText(entry.dataFile))) {
        std::fprintf(stderr, "price_sheet: no readable %s in %s\n", argv[2], argv[1]);
        return 1;
    }
    SheetFileOptions options;
    options.fileType = std::string(argv[3]) == "biff4" ? kSheetBiff4 : kSheetWk1;
    options.beginRow = 1;
    SheetFile file;
    int16_t result = file.Open(argv[4], options);
    if (result == 0)
        result = WriteRows(file, data, symbol);
    if (result == 0)
        result = file.Close();
    if (result != 0) {
        std::fprintf(stderr, "price_sheet: %s: %s\n", argv[4], SheetErrorText(result).c_str());
        return 1;
    }
    return 0;
}
