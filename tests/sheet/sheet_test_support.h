#pragma once

#include "sheet/sheet_file.h"
#include "case_name.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

using namespace test_support;

// "00 0F 27" -> bytes; blanks are only for the eye.
Bytes Hex(const std::string& text);
Bytes Join(std::initializer_list<Bytes> parts);

// One cell of each kind.
inline SheetCell Blank(int32_t row, int16_t column) { return {.row = row, .column = column, .kind = CellBlank, .text = {}}; }
inline SheetCell Integer(int32_t row, int16_t column, int16_t value)
{
    return {.row = row, .column = column, .kind = CellInteger, .text = {}, .integerValue = value};
}
inline SheetCell Number(int32_t row, int16_t column, double value)
{
    return {.row = row, .column = column, .kind = CellNumber, .text = {}, .numberValue = value};
}
inline SheetCell Label(int32_t row, int16_t column, std::string text)
{
    return {.row = row, .column = column, .kind = CellLabel, .text = std::move(text)};
}

// Writes each cell; the first non-zero result.
int16_t WriteCells(SheetFile& file, std::initializer_list<SheetCell> cells, const SheetCellStyle& style = {});
// Opens a file with the options, writes the cells, closes; the first non-zero result.
int16_t WriteSheet(const std::filesystem::path& path, std::initializer_list<SheetCell> cells,
                   const SheetFileOptions& options = {});

// A test of what only POSIX systems have skips itself elsewhere, saying why.
#if defined(_WIN32)
#define SKIP_ON_WINDOWS(reason) GTEST_SKIP() << "POSIX only: " reason
#else
#define SKIP_ON_WINDOWS(reason) static_cast<void>(0)
#endif

// A folder of its own.
class SheetTest : public testing::Test {
protected:
    std::vector<std::string> FolderEntries() const { return temp_.Entries(); }

    TempFolder temp_;
    const std::filesystem::path folder_ = temp_.Path();
};
