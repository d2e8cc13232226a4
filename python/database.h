#pragma once

// A database as the Python module sees it: its securities, found by symbol through an
// index of the header file, and their records read into memory in the layout of the
// module's numpy rows, merged as tessaport-import merges them, or checked as omegadb
// checks them. Standard C++ only and no Python, so the module calls it with the
// interpreter lock released; one Database may be used from several threads at once.

#include "export/merge_walk.h"
#include "quality/price_check.h"
#include "qv2omg/db_format.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qv2omg {
class DataReader;
}

namespace pydb {

enum class ErrorKind {
    NoDatabase,     // no header file where the database should be
    Unreadable,     // a file that is there but cannot be read as ours
    UnknownSymbol,  // no such security
    BadValue,       // an argument out of range
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    ErrorKind Kind() const { return kind_; }

private:
    ErrorKind kind_;
};

// Windows-1252 text as UTF-8, and back; nothing when a character has no byte.
std::string DecodeText(std::string_view windows1252);
std::optional<std::string> EncodeText(std::string_view utf8);

// Day numbers as the import counts them, from 30 December 1899; a yyyymmdd that is no
// calendar date rolls over into the next month or year, as the import rolls it.
int32_t SerialOfDate(uint32_t yyyymmdd);
int32_t SerialOfDate(int32_t year, int32_t month, int32_t day);
// Days since 1 January 1970 of a serial day, as numpy's datetime64[D] counts them.
int64_t EpochDayOfSerial(int32_t serial);
// Its inverse, for a day the caller has bounded to half the int32 range.
int32_t SerialOfEpochDay(int64_t day);
// numpy's "not a time".
inline constexpr int64_t kNotADay = INT64_MIN;
// The epoch day of a stored date, or kNotADay when it is no calendar date.
int64_t EpochDayOfDate(uint32_t yyyymmdd);

struct Security {
    uint32_t index = 0;        // in the header file
    std::string symbol;        // as held: the field up to its NUL (its last byte cut, as the library cuts it)
    std::string fieldSymbol;   // as omegadb names it: the whole field up to its NUL
    std::string description;
    int16_t category = 0;
    int16_t period = 0;
    bool openInterest = false;
    std::string dataFile;          // Windows-1252 bytes; only a damaged file names one beyond ASCII
    qv2omg::SecurityEntry entry;  // as stored
};

// What db.securities() lists of each.
struct Listing {
    Security security;
    bool readable = false;  // the data file opened
    uint32_t records = 0;
    uint32_t first = 0;     // yyyymmdd of the first and last record; 0 when none
    uint32_t last = 0;
};

// --from and --to as day numbers; either may be left open.
struct DateBounds {
    std::optional<int32_t> from;
    std::optional<int32_t> to;
};

// A price as the double of its shortest decimal, the number a reader of the CSV export
// gets: 8.13f becomes 8.13, not 8.130000114440918. NaN stays NaN.
double DecimalPrice(float price);
std::vector<double> DecimalPrices(const std::vector<float>& prices);

// Where each value sits in one numpy row: the date (int64 days since 1970) first, then
// the chosen prices (float32 as stored, or float64 as DecimalPrice gives them) and counts
// (int64), each aligned to its size.
struct RowLayout {
    unsigned fields = 0;  // PriceFields
    bool decimalPrices = false;
    size_t itemSize = 0;
    std::array<size_t, kMergeFields.size()> offsets{};  // of the chosen ones, in kMergeFields order

    static RowLayout Of(unsigned fields, bool decimalPrices = false);
};

// Memory for the rows of many securities read at once: large blocks, which the system
// may back with huge pages (a page fault per 2 MiB instead of per 4 KiB), each given back
// when the last rows in it are freed. For one thread at a time.
class RowArena {
public:
    // Room for `size` bytes, and the block that holds it.
    std::pair<void*, std::shared_ptr<void>> Take(size_t size);
    // Gives back the end of the room last taken, of whose `size` bytes `used` were used.
    void Trim(void* room, size_t size, size_t used);

private:
    std::shared_ptr<void> block_;
    size_t size_ = 0;
    size_t used_ = 0;
};

// Rows in malloc'd memory, handed to numpy, which frees them; or rows in a block of an
// arena, which numpy keeps while it holds them.
struct RowBlock {
    struct Free {
        void operator()(void* p) const { std::free(p); }
    };
    std::unique_ptr<void, Free> data;
    std::shared_ptr<void> arenaBlock;
    void* arenaRows = nullptr;
    size_t rows = 0;

    void* Rows() const { return arenaBlock ? arenaRows : data.get(); }
};

// A merge as columns: the dates, then per column its values and, for a wide merge, which
// rows hold no record of its security.
struct MergeColumns {
    struct Column {
        std::string name;  // Windows-1252, as the file's header names it
        bool price = true;
        std::vector<float> prices;    // NaN where missing or absent
        std::vector<int64_t> counts;  // 0 where absent
        size_t security = 0;          // into absent
    };
    std::vector<int64_t> days;  // since 1970
    std::vector<Column> columns;
    std::vector<std::vector<char>> absent;  // per security; empty when it has a record on every date
    // Long merges: the symbol of each row, an index into `symbols`.
    std::vector<std::string> symbols;
    std::vector<uint32_t> symbolOfRow;
};

struct MergeRequest {
    std::vector<Security> securities;
    std::vector<std::string> names;  // as given (UTF-8), for messages; the symbols when empty
    MergeShape shape = MergeShape::Wide;
    unsigned fields = kDefaultFields;
    bool commonDates = false;
    DateBounds bounds;
    bool keepInvalid = false;
    // Told the records read so far and the records to read, from time to time and with
    // (total, total) last; false stops the merge.
    std::function<bool(int64_t done, int64_t total)> progress;
};

struct SecurityFinding {
    std::string symbol;  // Windows-1252
    quality::Finding finding;
};

class Database {
public:
    // `name` is the directory as the caller gave it, for messages. Throws NoDatabase when
    // there is no header file, Unreadable when it is not one.
    Database(std::filesystem::path directory, std::string name, std::vector<std::string>& warnings);
    ~Database();

    const std::string& Name() const { return name_; }
    uint32_t Count(std::vector<std::string>& warnings);

    // Every security in header order.
    std::vector<Security> All(std::vector<std::string>& warnings);

    // Every security in header order, with the extent of its data.
    std::vector<Listing> Securities(std::vector<std::string>& warnings);

    // The security of a symbol (UTF-8): the one held under exactly its bytes, else the one
    // it names without blanks around it, letter case aside. Throws UnknownSymbol.
    Security Find(std::string_view symbol, std::vector<std::string>& warnings);
    bool Contains(std::string_view symbol, std::vector<std::string>& warnings);

    // The records of a security between the bounds (narrowed to its data, as the import
    // narrows them), or every record in file order when neither bound is given; without
    // those missing a price unless `keepInvalid`. Damage read past is told in `warnings`.
    // Throws Unreadable when its data file is missing or not ours.
    RowBlock Read(const Security& security, const DateBounds& bounds, const RowLayout& layout, bool keepInvalid,
                  std::vector<std::string>& warnings, RowArena* arena = nullptr) const;

    // The merge of tessaport-import --merge. A security whose data are unavailable or
    // hold nothing between the bounds is left out, with a warning, as the import leaves it
    // out. Throws Unreadable when a data file cannot be opened during the merge.
    MergeColumns Merge(const MergeRequest& request, std::vector<std::string>& warnings) const;

    // The findings of omegadb check, of the given securities or of every one. A security
    // whose data cannot be read is left out with a warning when all are checked; named on
    // its own, it throws Unreadable.
    std::vector<SecurityFinding> Check(const std::optional<Security>& security, std::vector<std::string>& warnings);

private:
    struct Snapshot;
    class Source;

    std::shared_ptr<const Snapshot> Held() const;
    static const Security* Lookup(const Source& source, std::string_view symbol);
    std::shared_ptr<const Snapshot> Current(std::vector<std::string>& warnings);
    bool OpenData(const Security& security, qv2omg::DataReader& data) const;

    std::filesystem::path directory_;
    std::string name_;
    mutable std::mutex mutex_;  // guards snapshot_
    std::shared_ptr<const Snapshot> snapshot_;
};

} // namespace pydb
