#pragma once

#include <qv2omg.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// A security as the database holds it.
struct HeldSecurity {
    std::string symbol;  // Windows-1252 bytes as held, blanks and case as they are
    int16_t period = 0;
};

// One security's records between two days, read one at a time.
class Records {
public:
    virtual ~Records() = default;
    // False when the data could not be opened (say, too many files open at once).
    virtual bool Opened() const = 0;
    // 1 and the next record, or 0 at the end.
    virtual int16_t Read(PriceRecord& record) = 0;
};

// Where a run reads its data: the loaded data-access library for the window and the
// command line, the database files themselves for the Python module.
class DataSource {
public:
    virtual ~DataSource() = default;
    // The database folder as the user named it, for messages.
    virtual std::string Name() const = 0;
    // The security a symbol names, looked up as the data-access library looks it up.
    virtual std::optional<HeldSecurity> Find(std::string_view symbol) const = 0;
    // The day numbers of a security's first and last record; nothing when its data are
    // unavailable (the data file missing, unreadable or empty).
    virtual std::optional<std::pair<int32_t, int32_t>> Extent(const std::string& symbol) const = 0;
    virtual std::unique_ptr<Records> Open(const std::string& symbol, int32_t firstDay, int32_t lastDay) const = 0;
};

} // namespace engine
