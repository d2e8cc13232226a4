#pragma once

#include "qv2omg/db_format.h"

#include <filesystem>
#include <string>
#include <vector>

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// `count` daily rows from 2 January 1990, on every day of the month up to the 28th.
std::vector<qv2omg::PriceRow> DailyRows(int count);

// The rows as omegadb add reads them, in a file.
void WritePriceCsv(const std::filesystem::path& path, const std::vector<qv2omg::PriceRow>& rows);

// Symbol and record count of every security of a database, in header order, when the
// header file and every data file are whole; otherwise the damage, as one entry.
std::vector<std::string> DatabaseContents(const std::filesystem::path& directory);

// Hidden temporary files left beside `file`, by name.
std::vector<std::string> LeftoverTemporaries(const std::filesystem::path& file);
