#include "database_writer.h"

#include "header_reader.h"
#include "price_csv.h"

#include "platform/native/native_file.h"
#include "platform/native/native_path.h"
#include "platform/native/shown_text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <limits>
#include <system_error>
#include <unordered_set>

namespace qv2omg {

namespace {

namespace fs = std::filesystem;

constexpr size_t kSymbolLimit = kSymbolSize - 1;
constexpr size_t kDescriptionLimit = kDescriptionSize - 1;
constexpr size_t kRowsPerWrite = 4096;
// Symbols may hold any byte; control bytes are shown escaped so a message stays readable.
std::string Shown(std::string_view text)
{
    return "'" + native::ShownWindows1252(text) + "'";
}

std::string FoldedSymbol(std::string_view symbol)
{
    std::string folded(symbol);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

Status CheckInfo(const SecurityInfo& info)
{
    if (info.symbol.empty())
        return Status::Failure("A symbol must not be empty.");
    if (info.symbol.find('\0') != std::string::npos)
        return Status::Failure("Symbol " + Shown(info.symbol) + " holds a NUL byte.");
    if (info.symbol.size() > kSymbolLimit)
        return Status::Failure("Symbol " + Shown(info.symbol) + " is " + std::to_string(info.symbol.size())
                               + " bytes long; at most " + std::to_string(kSymbolLimit) + " are allowed.");
    if (info.description.find('\0') != std::string::npos)
        return Status::Failure("The description of " + Shown(info.symbol) + " holds a NUL byte.");
    if (info.description.size() > kDescriptionLimit)
        return Status::Failure("The description of " + Shown(info.symbol) + " is "
                               + std::to_string(info.description.size()) + " bytes long; at most "
                               + std::to_string(kDescriptionLimit) + " are allowed.");
    return Status::Ok();
}

Status CheckRows(const NewSecurity& security)
{
    const std::vector<PriceRow>& rows = security.rows;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string where = "Row " + std::to_string(i + 1) + " of " + Shown(security.info.symbol);
        if (!IsValidDate(rows[i].date))
            return Status::Failure(where + " has the invalid date " + std::to_string(rows[i].date) + ".");
        if (i > 0 && rows[i].date <= rows[i - 1].date)
            return Status::Failure(where + ": date " + FormatIsoDate(rows[i].date) + " is not after "
                                   + FormatIsoDate(rows[i - 1].date)
                                   + "; rows must be in date order, each date once.");
    }
    return Status::Ok();
}

SecurityEntry MakeEntry(const SecurityInfo& info, const std::string& dataFile)
{
    SecurityEntry entry;
    std::copy(info.symbol.begin(), info.symbol.end(), entry.symbol.begin());
    std::copy(info.description.begin(), info.description.end(), entry.description.begin());
    std::copy(dataFile.begin(), dataFile.end(), entry.dataFile.begin());
    entry.flags = info.hasOpenInterest ? kHasOpenInterest : 0;
    entry.category = info.category;
    entry.period = info.period;
    return entry;
}

// `error`: the system's error number, whose text says why ("No space left on device").
Status CannotWrite(const fs::path& path, int error)
{
    return Status::Failure("Cannot write " + path.string() + ": " + std::generic_category().message(error)
                           + "; nothing was changed.");
}

// 0, or the error number of the failed write.
int WriteAll(int fd, const uint8_t* bytes, size_t size)
{
    while (size > 0) {
        const long long written = native::Write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return ENOSPC;  // no progress and no error: nothing more fits
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

// Writes a whole file into a new descriptor, which it closes: the preamble, then `count`
// entries that `encode` puts in place. 0, or the error number of the failure (-1 for `fd`
// when the file could not be made, with errno set).
template <typename Encode>
int WriteEntries(int fd, FileKind kind, size_t entrySize, size_t count, Encode encode)
{
    if (fd < 0)
        return errno != 0 ? errno : EIO;
    uint8_t preamble[kPreambleSize];
    EncodePreamble(kind, static_cast<uint32_t>(count), preamble);
    int error = WriteAll(fd, preamble, kPreambleSize);
    std::vector<uint8_t> chunk(kRowsPerWrite * entrySize);
    for (size_t first = 0; first < count && error == 0; first += kRowsPerWrite) {
        const size_t n = std::min(kRowsPerWrite, count - first);
        for (size_t i = 0; i < n; ++i)
            encode(first + i, chunk.data() + i * entrySize);
        error = WriteAll(fd, chunk.data(), n * entrySize);
    }
    // A full disk may only show when the file is closed.
    if (native::Close(fd) != 0 && error == 0)
        error = errno != 0 ? errno : EIO;
    return error;
}

int WriteDataFile(int fd, const std::vector<PriceRow>& rows)
{
    return WriteEntries(fd, FileKind::Data, kPriceEntrySize, rows.size(),
                        [&](size_t i, uint8_t* out) { EncodePriceEntry(rows[i], out); });
}

int WriteHeaderFile(int fd, const std::vector<SecurityEntry>& entries)
{
    return WriteEntries(fd, FileKind::Header, kSecurityEntrySize, entries.size(),
                        [&](size_t i, uint8_t* out) { EncodeSecurityEntry(entries[i], out); });
}

// Files written for one change. Whatever has not been committed when it goes out of
// scope is removed again: temporary files, and the files already renamed into place.
class PendingFiles {
public:
    PendingFiles() = default;
    PendingFiles(const PendingFiles&) = delete;
    PendingFiles& operator=(const PendingFiles&) = delete;

    ~PendingFiles()
    {
        if (committed_)
            return;
        for (const Entry& entry : entries_)
            native::RemoveFile(entry.placed ? entry.target : entry.temporary);
    }

    // A new temporary file, made exclusively under a random name, to write `target` to:
    // a link planted beside the database is never written through. -1 when it cannot be made.
    int Add(const fs::path& target)
    {
        std::string temporary;
        // As text in the code page the native file layer takes, not libstdc++'s UTF-8.
        const std::string text = native::TextFromPath(target);
        const int fd = native::CreateTemporaryBeside(text, temporary);
        if (fd >= 0)
            entries_.push_back({text, temporary, false});
        return fd;
    }

    // Renames every file into place, in the order added.
    Status Place()
    {
        for (Entry& entry : entries_) {
            if (const int error = native::PutInPlace(entry.temporary, entry.target))
                return Status::Failure("Cannot rename " + entry.temporary + " to " + entry.target + ": "
                                       + std::generic_category().message(error) + "; nothing was changed.");
            entry.placed = true;
        }
        committed_ = true;
        return Status::Ok();
    }

private:
    struct Entry {
        std::string target;
        std::string temporary;
        bool placed;
    };

    std::vector<Entry> entries_;
    bool committed_ = false;
};

// The exclusive lock of one change to a database, released when it goes out of scope.
class DatabaseLock {
public:
    DatabaseLock() = default;
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;
    ~DatabaseLock() { native::UnlockFile(lock_, path_); }

    Status Take(const fs::path& directory, std::chrono::milliseconds wait)
    {
        const fs::path path = directory / kLockFileName;
        const auto milliseconds = static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait.count(), INT_MAX));
        path_ = native::TextFromPath(path);
        lock_ = native::LockFile(path_, milliseconds);
        if (lock_ != -1)
            return Status::Ok();
        if (errno == EWOULDBLOCK)
            return Status::Failure("Another program is changing this database (" + path.string()
                                   + " stayed locked for " + SecondsText(wait)
                                   + "); nothing was changed. Try again when it is done.");
        return Status::Failure("Cannot lock " + path.string() + ": " + std::generic_category().message(errno)
                               + "; nothing was changed.");
    }

private:
    static std::string SecondsText(std::chrono::milliseconds wait)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%g seconds", static_cast<double>(wait.count()) / 1000);
        return text;
    }

    std::string path_;
    intptr_t lock_ = -1;
};

Status ReadExistingEntries(const fs::path& directory, std::vector<SecurityEntry>& entries)
{
    const fs::path headerPath = directory / kHeaderFileName;
    std::error_code error;
    if (!fs::exists(headerPath, error))
        return Status::Failure("No database in " + directory.string() + " (no " + kHeaderFileName
                               + "); create it first.");
    HeaderReader reader;
    if (!reader.Open(directory))
        return Status::Failure(headerPath.string() + " is not a database header file; nothing was changed.");
    if (!reader.IsIntact())
        return Status::Failure(headerPath.string() + " is damaged; nothing was changed.");
    entries.resize(reader.Count());
    for (uint32_t i = 0; i < reader.Count(); ++i) {
        if (!reader.Read(i, entries[i]))
            return Status::Failure("Cannot read " + headerPath.string() + "; nothing was changed.");
    }
    return Status::Ok();
}

} // namespace

Status CreateDatabase(const fs::path& directory)
{
    std::error_code error;
    fs::create_directories(directory, error);
    if (error)
        return Status::Failure("Cannot create the directory " + directory.string() + ": " + error.message() + ".");
    DatabaseLock lock;
    if (Status status = lock.Take(directory, kLockWait); !status.IsOk())
        return status;
    const fs::path headerPath = directory / kHeaderFileName;
    if (fs::exists(headerPath, error))
        return Status::Failure(directory.string() + " already holds a database; nothing was changed.");

    PendingFiles pending;
    if (const int failure = WriteHeaderFile(pending.Add(headerPath), {}))
        return CannotWrite(headerPath, failure);
    return pending.Place();
}

Status AddSecurities(const fs::path& directory, std::span<const NewSecurity> securities,
                     std::chrono::milliseconds lockWait)
{
    for (const NewSecurity& security : securities) {
        if (Status status = CheckInfo(security.info); !status.IsOk())
            return status;
        if (Status status = CheckRows(security); !status.IsOk())
            return status;
    }

    std::error_code error;
    if (!fs::exists(directory / kHeaderFileName, error))
        return Status::Failure("No database in " + directory.string() + " (no " + kHeaderFileName
                               + "); create it first.");
    // From the header read to the header renamed into place: the data file names and the
    // header's entries are then those of one writer.
    DatabaseLock lock;
    if (Status status = lock.Take(directory, lockWait); !status.IsOk())
        return status;
    std::vector<SecurityEntry> entries;
    if (Status status = ReadExistingEntries(directory, entries); !status.IsOk())
        return status;
    constexpr size_t kMaxSecurities = std::numeric_limits<int32_t>::max();
    if (securities.size() > kMaxSecurities - entries.size())
        return Status::Failure("A database holds at most 2147483647 securities; nothing was changed.");

    std::unordered_set<std::string> symbols;
    uint32_t lastNumber = 0;
    for (const SecurityEntry& entry : entries) {
        symbols.insert(FoldedSymbol(FieldText(entry.symbol)));
        lastNumber = std::max(lastNumber, DataFileNumber(FieldText(entry.dataFile)).value_or(0));
    }
    for (const NewSecurity& security : securities) {
        if (!symbols.insert(FoldedSymbol(security.info.symbol)).second)
            return Status::Failure("The database already holds the symbol " + Shown(security.info.symbol)
                                   + "; nothing was changed.");
    }

    PendingFiles pending;
    for (const NewSecurity& security : securities) {
        // Skip names left behind by an interrupted run, so nothing is overwritten.
        std::string name;
        do {
            if (lastNumber == std::numeric_limits<uint32_t>::max())
                return Status::Failure("No free data file name in " + directory.string() + ".");
            name = DataFileName(++lastNumber);
        } while (fs::exists(directory / name, error));
        const fs::path dataPath = directory / name;
        if (const int failure = WriteDataFile(pending.Add(dataPath), security.rows))
            return CannotWrite(dataPath, failure);
        entries.push_back(MakeEntry(security.info, name));
    }
    // The header file goes last: until it is replaced, the new data files are unknown.
    const fs::path headerPath = directory / kHeaderFileName;
    if (const int failure = WriteHeaderFile(pending.Add(headerPath), entries))
        return CannotWrite(headerPath, failure);
    return pending.Place();
}

Status AddSecurity(const fs::path& directory, const SecurityInfo& info, std::span<const PriceRow> rows)
{
    const NewSecurity security{info, {rows.begin(), rows.end()}};
    return AddSecurities(directory, {&security, 1});
}

Status AddSecurityFromCsv(const fs::path& directory, SecurityInfo info, std::istream& csv,
                          const std::string& sourceName)
{
    if (Status status = CheckInfo(info); !status.IsOk())
        return status;
    PriceTable table;
    if (Status status = ReadPriceCsv(csv, sourceName, table); !status.IsOk())
        return status;
    info.hasOpenInterest = table.hasOpenInterest;
    NewSecurity security{std::move(info), std::move(table.rows)};
    return AddSecurities(directory, {&security, 1});
}

} // namespace qv2omg
