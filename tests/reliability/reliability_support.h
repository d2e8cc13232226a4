#pragma once

#include "qv2omg/db_format.h"
#include "test_files.h"

#include <filesystem>
#include <string>
#include <vector>

using namespace test_support;

// `count` daily rows from 2 January 1990, on every day of the month up to the 28th.
std::vector<qv2omg::PriceRow> DailyRows(int count);

// The rows as omegadb add reads them, in a file.
void WritePriceCsv(const std::filesystem::path& path, const std::vector<qv2omg::PriceRow>& rows);

// Symbol and record count of every security of a database, in header order, when the
// header file and every data file are whole; otherwise the damage, as one entry.
std::vector<std::string> DatabaseContents(const std::filesystem::path& directory);
