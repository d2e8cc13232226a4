#include "import_test_support.h"

#include "omega/serial_date.h"
#include "qv2omg/database_writer.h"
#include "qv2omg/header_reader.h"
#include "sheet/sheet_reader.h"
#include "sheet/sheet_file.h"

#include <QAction>
#include <QProcess>

#include <charconv>
#include <filesystem>
#include <iterator>

omega::DataLibrary& Library()
{
    static const bool loaded = [] {
        qputenv("TESSAPORT_PROGRAM_DIR", TESSAPORT_PROGRAM_DIR);
        return omega::TheDataLibrary().Load() && omega::TheDataLibrary().Initialize() == 0;
    }();
    EXPECT_TRUE(loaded) << omega::TheDataLibrary().ErrorString().toStdString();
    return omega::TheDataLibrary();
}

std::vector<qv2omg::PriceRow> WeekdayRows(int count)
{
    std::vector<qv2omg::PriceRow> rows;
    for (QDate date(1998, 3, 2); static_cast<int>(rows.size()) < count; date = date.addDays(1)) {
        if (date.dayOfWeek() > 5)
            continue;
        const auto i = static_cast<int32_t>(rows.size());
        const float price = 10.0f + 0.25f * static_cast<float>(i % 4096);
        rows.push_back({static_cast<uint32_t>(date.year() * 10000 + date.month() * 100 + date.day()), price,
                        price + 1, price - 1, price + 0.5f, 1000 + i, 500 + i});
    }
    return rows;
}

int32_t DayOf(uint32_t date)
{
    const QDate day(static_cast<int>(date / 10000), static_cast<int>(date / 100 % 100), static_cast<int>(date % 100));
    return static_cast<int32_t>(omega::SerialOfDate(day));
}

void ConnectInterrupt(const MainWindowControls& controls, ProgramState& state)
{
    QObject::connect(controls.interruptImportAction(), &QAction::triggered, [&state] { state.interruptRequested = true; });
}

TestDatabase::TestDatabase()
{
    const qv2omg::Status status = qv2omg::CreateDatabase(Dir().toStdString());
    EXPECT_TRUE(status.IsOk()) << status.Message();
}

void TestDatabase::Add(const std::string& symbol, const std::vector<qv2omg::PriceRow>& rows)
{
    const qv2omg::Status status = qv2omg::AddSecurity(Dir().toStdString(), {symbol, "", 2, 0, true}, rows);
    ASSERT_TRUE(status.IsOk()) << status.Message();
}

void TestDatabase::RemoveDataFile(const std::string& symbol)
{
    qv2omg::HeaderReader header;
    qv2omg::SecurityEntry entry;
    ASSERT_TRUE(header.Open(Dir().toStdString()) && header.Read(header.Find(symbol).value_or(~0u), entry));
    ASSERT_TRUE(std::filesystem::remove(Dir().toStdString() + "/" + std::string(qv2omg::FieldText(entry.dataFile))));
}

namespace {

std::string NumberText(double value)
{
    char text[32];
    return std::string(text, std::to_chars(std::begin(text), std::end(text), value).ptr);
}

std::string PriceText(float value)
{
    return value < qv2omg::MissingPrice() ? NumberText(value) : "*";
}

} // namespace

Grid ReadGrid(const std::string& path)
{
    const SheetReadResult read = ReadSheetFile(path);
    EXPECT_TRUE(read.ok()) << path << ": " << read.error;
    Grid grid;
    for (const SheetCellValue& cell : read.sheet.cells) {
        const auto row = static_cast<size_t>(cell.row);
        grid.resize(std::max(grid.size(), row + 1));
        grid[row].resize(std::max(grid[row].size(), static_cast<size_t>(cell.column) + 1));
        grid[row][static_cast<size_t>(cell.column)] = cell.kind == CellLabel ? cell.text : NumberText(cell.numberValue);
    }
    return grid;
}

Grid ExpectedGrid(const std::string& symbol, const std::vector<qv2omg::PriceRow>& rows, bool openInterest, bool skip)
{
    Grid grid = {{"Date", symbol + "_Open", symbol + "_High", symbol + "_Low", symbol + "_Close", symbol + "_Volume"}};
    if (openInterest)
        grid[0].push_back(symbol + "_Open_Interest");
    for (const qv2omg::PriceRow& row : rows) {
        std::vector<std::string> cells = {std::to_string(DayOf(row.date)), PriceText(row.open), PriceText(row.high),
                                          PriceText(row.low), PriceText(row.close),
                                          NumberText(static_cast<float>(row.volume))};
        if (openInterest)
            cells.push_back(NumberText(static_cast<float>(row.openInterest)));
        if (!skip || std::find(cells.begin(), cells.begin() + 5, "*") == cells.begin() + 5)
            grid.push_back(cells);
    }
    return grid;
}

CommandResult RunImportCommand(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(TESSAPORT_PROGRAM_DIR "/tessaport-import"), arguments);
    EXPECT_TRUE(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit);
    QByteArray err = process.readAllStandardError();
    err.replace("\r\n", "\n");  // the C library of Windows writes text with CRLF
    return {process.exitCode(), err.toStdString()};
}
