#pragma once

// Hostile files rebuilt for the tests of the readers and the viewer, each the shape of a
// reported attack, and a way to run a program and learn its peak memory.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace hostile {

// An xlsx package holding these parts, deflated at `level`.
void WriteXlsx(const std::string& path, const std::map<std::string, std::string>& parts, int level = 6);
// A workbook whose first sheet is this XML (its <sheetData> content), with the usual parts.
void WriteSheetXlsx(const std::string& path, const std::string& sheetData, const std::string& sharedStrings = {});

// A shared-string table of `count` distinct short strings.
void SharedStringsXlsx(const std::string& path, uint64_t count);
// Shared strings of `size` bytes in all that pack about 160:1, honestly declared.
void HonestStringsXlsx(const std::string& path, uint64_t size);
// A sheet of `cells` one-digit numbers (rows of 16).
void ManyCellsXlsx(const std::string& path, uint64_t cells);
// A sheet of `size` bytes packed about 500:1 whose entry claims a hundredth of it packed, a
// claim the file's size bears out with a part of random bytes.
void LyingPackedSizeXlsx(const std::string& path, uint64_t size);
// A workbook of one cell (A1 = 7) after `junk` one-byte parts.
void JunkEntriesXlsx(const std::string& path, int junk);
// A WK1 start record and nothing but a hole up to `size` bytes.
void SparseWk1(const std::string& path, uint64_t size);
// A WK1 worksheet of `records` blank cells, all at A1.
void BlankRecordsWk1(const std::string& path, int records);
// A heading row C0, C1, ... and rows of numbers; when dated the first column is headed
// Date and holds a day after day from 1 January 1000.
void NumbersCsv(const std::string& path, int columns, int rows, bool dated);
// Sets a 4-byte field of a part's local header and of its directory entry.
void PatchEntry(const std::string& path, const std::string& name, std::size_t localField, std::size_t centralField, uint32_t value);
// A small archive whose end record claims a directory of `size` bytes.
void ClaimedDirectoryZip(const std::string& path, uint32_t size);
// A small archive whose sheet claims to unpack to `size` bytes.
void ClaimedPartSizeZip(const std::string& path, uint32_t size);
// A CSV file whose second line holds one field of `size` bytes.
void HugeCellCsv(const std::string& path, uint64_t size, bool quoted);

// The sanitizers' shadow memory and quarantine multiply a child's memory; the bounds of a
// test scale by this under them.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kMemoryScale = 4;
#else
constexpr long kMemoryScale = 1;
#endif

struct Measured {
    int exitCode = -1;  // -1 when killed by a signal
    std::string out;
    std::string err;
    long peakKiB = 0;  // ru_maxrss of the child
};
// Runs a program with arguments and waits; its standard output and error are kept. The
// program runs in kMemoryLimitMiB of address space and is stopped after kCpuLimitSeconds
// of processor time, a guard against a hang rather than a measure. Needs GNU time.
constexpr long kMemoryLimitMiB = 512;
constexpr long kCpuLimitSeconds = 120;
Measured Run(const std::string& program, const std::vector<std::string>& arguments,
             const std::vector<std::string>& environment = {});

} // namespace hostile
