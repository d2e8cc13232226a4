#pragma once

// Creates databases and adds securities to them. Every change is written to temporary
// files first and renamed into place, the header file last, so a failed call leaves
// the database exactly as it was. Temporary files are made exclusively under random names
// (".NAME.xxxxxxxx.tmp"), so a link planted beside the database is never written through;
// a replaced file keeps its permissions. A killed run may leave such files, which may be
// deleted, or a data file the header does not name, whose number the next change skips;
// readers never open either.
//
// One writer at a time: every change holds an exclusive lock on the lock file of the
// database (kLockFileName beside the header file) from reading the header file to
// renaming the new one into place. A second writer waits for it up to `lockWait` and is
// then refused. Readers take no lock: they see the database before or after a change.

#include "db_format.h"
#include "status.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace qv2omg {

struct SecurityInfo {
    std::string symbol;         // 1 to 15 bytes, any byte but NUL
    std::string description;    // up to 30 bytes, any byte but NUL
    int16_t category = 0;
    int16_t period = 0;
    bool hasOpenInterest = false;
};

struct NewSecurity {
    SecurityInfo info;
    std::vector<PriceRow> rows;  // in strictly increasing date order
};

inline constexpr char kLockFileName[] = "master.omg.lock";
inline constexpr std::chrono::milliseconds kLockWait{10000};

// Makes `directory` (and its parents) and an empty header file in it. Refused when
// the directory already holds a header file.
Status CreateDatabase(const std::filesystem::path& directory);

// Adds securities in one step: all of them, or none when any is refused. A symbol
// may not repeat one already in the database, ignoring ASCII letter case.
Status AddSecurities(const std::filesystem::path& directory, std::span<const NewSecurity> securities,
                     std::chrono::milliseconds lockWait = kLockWait);

Status AddSecurity(const std::filesystem::path& directory, const SecurityInfo& info,
                   std::span<const PriceRow> rows);

// Adds a security with the rows of a CSV text; `sourceName` names it in messages. The
// open-interest flag comes from the text's columns.
Status AddSecurityFromCsv(const std::filesystem::path& directory, SecurityInfo info, std::istream& csv,
                          const std::string& sourceName);

} // namespace qv2omg
