#include "database.h"

#include "base/calendar.h"
#include "base/trim_blanks.h"
#include "engine/merge_run.h"
#include "platform/native/shown_text.h"
#include "quality/database_check.h"
#include "qv2omg/binary_file.h"
#include "qv2omg/data_reader.h"
#include "qv2omg/header_reader.h"
#include "qv2omg/price_csv.h"
#include "qv2omg/price_record.h"
#include "sheet/sheet_reader.h"

#include <algorithm>
#include <tuple>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <new>
#include <utility>

#if defined(_WIN32)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace pydb {

namespace {

using qv2omg::DataReader;
using qv2omg::PriceRow;

// numpy's day 0, 1 January 1970, as a day number of the pattern files.
const int64_t kEpochSerial = base::SerialOfCivil(1970, 1, 1);

std::string AsciiLower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// The code points of UTF-8 text, which the interpreter hands over well formed.
std::u32string CodePoints(std::string_view utf8)
{
    std::u32string points;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
            point = point << 6 | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
        points += point;
        i += length;
    }
    return points;
}

bool IsValidRow(const PriceRow& row)
{
    return HasAllPrices(row.open, row.high, row.low, row.close);
}

int64_t KeyOfSerial(int32_t serial)
{
    const base::CivilDate date = base::CivilOfSerial(serial);
    return qv2omg::DateKey(static_cast<int32_t>(date.year - 1900), date.month, date.day);
}

// The next record to deliver: invalid ones are left out unless kept.
bool NextRow(DataReader& data, bool keepInvalid, PriceRow& row)
{
    while (data.Next(row)) {
        if (keepInvalid || IsValidRow(row))
            return true;
    }
    return false;
}

float PriceOf(float stored)
{
    return IsMissingPrice(stored) ? std::numeric_limits<float>::quiet_NaN() : stored;
}

constexpr size_t kPriceFieldCount = 4;

// Records into numpy rows of a layout, from a data file's bytes or from the reader. Dates
// go through the first day of their month, worked out once a month, not once a record.
class RowFiller {
public:
    explicit RowFiller(const RowLayout& layout)
        : decimal_(layout.decimalPrices),
          standard_(!layout.decimalPrices
                    && (layout.fields == kDefaultFields || layout.fields == (kDefaultFields | kFieldOpenInterest))
                    && layout.offsets[0] == 8 && layout.offsets[4] == 24),
          openInterest_((layout.fields & kFieldOpenInterest) != 0)
    {
        for (size_t f = 0; f < kMergeFields.size(); ++f) {
            if (layout.fields & kMergeFields[f].field)
                plan_.push_back({f, layout.offsets[f]});
        }
    }

    // The epoch day of a stored date; kNotADay when it is no calendar date.
    int64_t DayOf(uint32_t yyyymmdd)
    {
        const uint32_t month = yyyymmdd / 100;
        if (month != month_) {
            month_ = month;
            const auto year = static_cast<int32_t>(month / 100);
            const auto number = static_cast<int32_t>(month % 100);
            length_ = 0;
            if (year >= 1 && year <= 9999 && number >= 1 && number <= 12) {
                first_ = EpochDayOfSerial(SerialOfDate(year, number, 1));
                length_ = 31;
                while (!base::IsCalendarDate(year, number, length_))
                    --length_;
            }
        }
        const uint32_t day = yyyymmdd % 100;
        return day >= 1 && day <= length_ ? first_ + day - 1 : kNotADay;
    }

    // One record: the date's epoch day, then the fields of `values` (open, high, low,
    // close as stored; volume and open interest) the layout chose.
    void Write(int64_t day, const std::array<uint32_t, 6>& values, uint8_t* out) const
    {
        std::memcpy(out, &day, sizeof day);
        for (const auto& [field, offset] : plan_) {
            if (field >= kPriceFieldCount) {
                const int64_t count = static_cast<int32_t>(values[field]);
                std::memcpy(out + offset, &count, sizeof count);
            } else if (decimal_) {
                const double price = DecimalPrice(PriceOf(std::bit_cast<float>(values[field])));
                std::memcpy(out + offset, &price, sizeof price);
            } else {
                const float price = PriceOf(std::bit_cast<float>(values[field]));
                std::memcpy(out + offset, &price, sizeof price);
            }
        }
    }

    // The same from a record, the common layouts written straight.
    void Write(int64_t day, const PriceRow& row, uint8_t* out) const
    {
        if (!standard_) {
            Write(day,
                  std::array<uint32_t, 6>{std::bit_cast<uint32_t>(row.open), std::bit_cast<uint32_t>(row.high),
                                          std::bit_cast<uint32_t>(row.low), std::bit_cast<uint32_t>(row.close),
                                          static_cast<uint32_t>(row.volume), static_cast<uint32_t>(row.openInterest)},
                  out);
            return;
        }
        // date, open, high, low, close (float32) from 0, volume and open interest from 24.
        std::memcpy(out, &day, sizeof day);
        const std::array<float, kPriceFieldCount> prices = {PriceOf(row.open), PriceOf(row.high), PriceOf(row.low),
                                                            PriceOf(row.close)};
        std::memcpy(out + 8, prices.data(), sizeof prices);
        const int64_t volume = row.volume;
        std::memcpy(out + 24, &volume, sizeof volume);
        if (openInterest_) {
            const int64_t openInterest = row.openInterest;
            std::memcpy(out + 32, &openInterest, sizeof openInterest);
        }
    }

    void Write(const PriceRow& row, uint8_t* out) { Write(DayOf(row.date), row, out); }

private:
    bool decimal_;
    bool standard_;  // float32 prices and the default fields, with or without open interest
    bool openInterest_;
    std::vector<std::pair<size_t, size_t>> plan_;  // (field, offset in the row) of each chosen one
    uint32_t month_ = UINT32_MAX;  // yyyymm of the month in hand
    int64_t first_ = 0;            // its first day
    uint32_t length_ = 0;          // its days; 0 when it is no month
};

// Every record of a data file that holds exactly `count` whole records, in one pass in
// large blocks. False when a record is no calendar date or not after the one before, or
// the file ends early: the caller then reads it through the reader, which reads past such
// damage and tells it.
bool ReadInOrder(qv2omg::BinaryFile& file, uint32_t count, bool keepInvalid, RowFiller& filler, size_t itemSize,
                 RowBlock& block)
{
    constexpr uint32_t kBlockRecords = 8192;
    thread_local std::vector<uint8_t> bytes(size_t{kBlockRecords} * qv2omg::kPriceEntrySize);
    auto* out = static_cast<uint8_t*>(block.Rows());
    uint32_t last = 0;
    for (uint32_t done = 0; done < count;) {
        const uint32_t records = std::min(kBlockRecords, count - done);
        const size_t size = size_t{records} * qv2omg::kPriceEntrySize;
        if (file.ReadAt(qv2omg::kPreambleSize + uint64_t{done} * qv2omg::kPriceEntrySize, bytes.data(), size) != size)
            return false;
        done += records;
        for (const uint8_t* entry = bytes.data(); entry != bytes.data() + size; entry += qv2omg::kPriceEntrySize) {
            const PriceRow row = qv2omg::DecodePriceEntry(entry);
            const int64_t day = filler.DayOf(row.date);
            if (day == kNotADay || row.date <= last)
                return false;
            last = row.date;
            if (!keepInvalid && !HasAllPrices(row.open, row.high, row.low, row.close))
                continue;
            filler.Write(day, row, out + block.rows++ * itemSize);
        }
    }
    return true;
}

// Room for `rows` rows: pages that are never written cost nothing, and what is left over
// is given back by Shrink.
RowBlock RoomFor(size_t rows, size_t itemSize, RowArena* arena)
{
    RowBlock block;
    if (arena) {
        std::tie(block.arenaRows, block.arenaBlock) = arena->Take(std::max<size_t>(rows, 1) * itemSize);
        return block;
    }
    block.data.reset(std::malloc(std::max<size_t>(rows, 1) * itemSize));
    if (!block.data)
        throw std::bad_alloc();
    return block;
}

void Shrink(RowBlock& block, size_t capacity, size_t itemSize, RowArena* arena)
{
    if (arena) {
        arena->Trim(block.arenaRows, std::max<size_t>(capacity, 1) * itemSize, std::max<size_t>(block.rows, 1) * itemSize);
    } else if (block.rows < capacity) {
        void* rows = block.data.release();
        void* smaller = std::realloc(rows, std::max<size_t>(block.rows, 1) * itemSize);
        block.data.reset(smaller ? smaller : rows);
    }
}

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kArenaBlock = size_t{64} << 20;

} // namespace

std::pair<void*, std::shared_ptr<void>> RowArena::Take(size_t size)
{
    size = (size + 63) / 64 * 64;
    if (!block_ || size_ - used_ < size) {
        const size_t bytes = std::max(kArenaBlock, (size + kHugePage - 1) / kHugePage * kHugePage);
#if defined(_WIN32)
        void* memory = _aligned_malloc(bytes, kHugePage);
        if (!memory)
            throw std::bad_alloc();
        block_.reset(memory, [](void* p) { _aligned_free(p); });
#else
        void* memory = std::aligned_alloc(kHugePage, bytes);
        if (!memory)
            throw std::bad_alloc();
        block_.reset(memory, [](void* p) { std::free(p); });
#endif
#if defined(__linux__)
        madvise(memory, bytes, MADV_HUGEPAGE);  // a hint: without it the block is simply paged as usual
#endif
        size_ = bytes;
        used_ = 0;
    }
    void* room = static_cast<uint8_t*>(block_.get()) + used_;
    used_ += size;
    return {room, block_};
}

void RowArena::Trim(void* room, size_t size, size_t used)
{
    size = (size + 63) / 64 * 64;
    used = (used + 63) / 64 * 64;
    if (block_ && static_cast<uint8_t*>(room) + size == static_cast<uint8_t*>(block_.get()) + used_)
        used_ -= size - used;
}

namespace {

std::string DamagedText(const Security& security, uint32_t count, const char* doing)
{
    return "the data file " + DecodeText(security.dataFile) + " of " + DecodeText(security.symbol) + " is damaged; "
        + doing + " its " + std::to_string(count) + " complete records";
}

// Damage met while reading, which the reader read past.
void NoteOutOfOrder(const Security& security, const DataReader& data, std::vector<std::string>& warnings)
{
    if (data.OutOfOrder())
        warnings.push_back("the data file " + DecodeText(security.dataFile) + " of " + DecodeText(security.symbol)
                           + " is damaged: " + qv2omg::OutOfOrderText(data) + "; read in file order past it");
}

Security SecurityOf(uint32_t index, const qv2omg::SecurityEntry& entry)
{
    Security security;
    security.index = index;
    // The data-access library hands the texts out with their last byte cut.
    security.symbol = std::string(qv2omg::FieldText(entry.symbol.data(), qv2omg::kSymbolSize - 1));
    security.fieldSymbol = qv2omg::FieldText(entry.symbol);
    security.description = qv2omg::FieldText(entry.description.data(), qv2omg::kDescriptionSize - 1);
    security.category = entry.category;
    security.period = entry.period;
    security.openInterest = (entry.flags & qv2omg::kHasOpenInterest) != 0;
    security.dataFile = qv2omg::FieldText(entry.dataFile);
    security.entry = entry;
    return security;
}

} // namespace

std::string DecodeText(std::string_view windows1252)
{
    return SheetTextToUtf8(windows1252);
}

std::optional<std::string> EncodeText(std::string_view utf8)
{
    static const std::unordered_map<char32_t, char> kBytes = [] {
        std::unordered_map<char32_t, char> bytes;
        for (int byte = 0; byte < 256; ++byte) {
            const char c = static_cast<char>(byte);
            bytes.emplace(CodePoints(DecodeText({&c, 1}))[0], c);
        }
        return bytes;
    }();
    std::string text;
    for (const char32_t point : CodePoints(utf8)) {
        const auto found = kBytes.find(point);
        if (found == kBytes.end())
            return std::nullopt;
        text += found->second;
    }
    return text;
}

int32_t SerialOfDate(int32_t year, int32_t month, int32_t day)
{
    return base::SerialOfStored(year - 1900, month, day);
}

int32_t SerialOfDate(uint32_t yyyymmdd)
{
    return SerialOfDate(static_cast<int32_t>(yyyymmdd / 10000), static_cast<int32_t>(yyyymmdd / 100 % 100),
                        static_cast<int32_t>(yyyymmdd % 100));
}

int64_t EpochDayOfSerial(int32_t serial)
{
    return int64_t{serial} - kEpochSerial;
}

int32_t SerialOfEpochDay(int64_t day)
{
    return static_cast<int32_t>(day + kEpochSerial);
}

int64_t EpochDayOfDate(uint32_t yyyymmdd)
{
    return qv2omg::IsValidDate(yyyymmdd) ? EpochDayOfSerial(SerialOfDate(yyyymmdd)) : kNotADay;
}

namespace {

// The double of the shortest decimal of a price, through its text: any float.
double DecimalOfText(float price)
{
    char text[32];
    const char* end = std::to_chars(text, text + sizeof text, price).ptr;
    double value = 0;
    std::from_chars(text, end, value);
    return value;
}

} // namespace

double DecimalPrice(float price)
{
    if (!std::isfinite(price) || price == 0)
        return price;
    // The usual price, well inside float's range. Its shortest decimal is n / 10^k for the
    // fewest digits k that put an integer n between the halfway points to the neighbouring
    // floats (on them too when the float is even, as they read back as it); of two, the
    // nearer. While the halfway points lie less than 1 / 10^k apart, at most one n lies
    // between them, and one that is there at fewer digits is there at more: so the search
    // starts at the most such digits. Every product here is exact in a double (24 bits of
    // the float or 25 of a halfway point, times 10^k of 2^k and 26 bits).
    const float magnitude = std::fabs(price);
    if (magnitude >= 1e-3f && magnitude < 16777216.0f) {
        const uint32_t bits = std::bit_cast<uint32_t>(magnitude);
        const double value = magnitude;
        const double low = (value + std::bit_cast<float>(bits - 1)) / 2;
        const double high = (value + std::bit_cast<float>(bits + 1)) / 2;
        const bool even = (bits & 1) == 0;
        // The most digits, by the float's exponent and whether it is a power of 2 (whose
        // lower neighbour is nearer), worked out once.
        static constexpr double kTens[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11};
        static const std::array<int, 512> kStarts = [] {
            std::array<int, 512> starts{};
            for (uint32_t exponent = 1; exponent < 255; ++exponent) {
                for (uint32_t power = 0; power < 2; ++power) {
                    const uint32_t at = exponent << 23 | (power ? 0 : 1);
                    const double width = (static_cast<double>(std::bit_cast<float>(at + 1))
                                          - std::bit_cast<float>(at - 1)) / 2;
                    int& k = starts[exponent * 2 + power];
                    while (k < 11 && width * kTens[k + 1] < 1)
                        ++k;
                }
            }
            return starts;
        }();
        int k = kStarts[(bits >> 23) * 2 + ((bits & 0x7FFFFF) == 0 ? 1 : 0)];
        double scale = kTens[k];
        for (; k <= 11; ++k, scale *= 10) {
            const double scaled = value * scale;
            // The nearest integer, halves to even; below 2^52 every step here is exact.
            double nearest = static_cast<double>(static_cast<int64_t>(scaled + 0.5));
            if (nearest - scaled == 0.5 && (static_cast<int64_t>(nearest) & 1) != 0)
                nearest -= 1;
            const double below = low * scale;
            const double above = high * scale;
            for (const double n : {nearest, nearest < scaled ? nearest + 1 : nearest - 1}) {
                if ((n > below && n < above) || (even && (n == below || n == above))) {
                    const double decimal = n / scale;  // correctly rounded, as reading its text rounds
                    return price < 0 ? -decimal : decimal;
                }
            }
        }
    }
    return DecimalOfText(price);
}

std::vector<double> DecimalPrices(const std::vector<float>& prices)
{
    std::vector<double> decimals(prices.size());
    std::transform(prices.begin(), prices.end(), decimals.begin(), DecimalPrice);
    return decimals;
}

RowLayout RowLayout::Of(unsigned fields, bool decimalPrices)
{
    RowLayout layout;
    layout.fields = fields;
    layout.decimalPrices = decimalPrices;
    const size_t priceSize = decimalPrices ? sizeof(double) : sizeof(float);
    size_t offset = sizeof(int64_t);
    for (size_t f = 0; f < kMergeFields.size(); ++f) {
        if (!(fields & kMergeFields[f].field))
            continue;
        if (f >= kPriceFieldCount)
            offset = (offset + 7) / 8 * 8;
        layout.offsets[f] = offset;
        offset += f < kPriceFieldCount ? priceSize : sizeof(int64_t);
    }
    layout.itemSize = (offset + 7) / 8 * 8;
    return layout;
}

struct Database::Snapshot {
    std::filesystem::file_time_type time;
    uintmax_t size = 0;
    std::vector<Security> securities;
    std::unordered_map<std::string, uint32_t> byHeld;    // as held -> the first in header order
    std::unordered_map<std::string, uint32_t> bySymbol;  // ASCII lower case -> the first in header order
};

// A security's records between two days, read from its data file as the engine asks.
class FileRecords : public engine::Records {
public:
    FileRecords(const Security& security, bool opened, std::unique_ptr<DataReader> data,
                std::vector<std::string>& warnings)
        : security_(security), opened_(opened), data_(std::move(data)), warnings_(warnings)
    {
    }
    ~FileRecords() override
    {
        if (opened_)
            NoteOutOfOrder(security_, *data_, warnings_);
    }
    FileRecords(const FileRecords&) = delete;
    FileRecords& operator=(const FileRecords&) = delete;

    bool Opened() const override { return opened_; }
    int16_t Read(PriceRecord& record) override
    {
        PriceRow row;
        if (!opened_ || !data_->Next(row))
            return 0;
        qv2omg::FillPriceRecord(row, record);
        return 1;
    }

private:
    const Security& security_;
    bool opened_;
    std::unique_ptr<DataReader> data_;
    std::vector<std::string>& warnings_;
};

// The database as the engine reads it: the securities of one snapshot, found as the
// data-access library finds them, their data files read directly. `doing` says what a
// damaged file's complete records are read for.
class Database::Source : public engine::DataSource {
public:
    Source(const Database& database, std::shared_ptr<const Snapshot> snapshot, std::vector<std::string>& warnings,
           const char* doing)
        : database_(database), snapshot_(std::move(snapshot)), warnings_(warnings), doing_(doing)
    {
    }

    std::string Name() const override { return database_.name_; }

    std::optional<engine::HeldSecurity> Find(std::string_view symbol) const override
    {
        const Security* security = Lookup(symbol);
        return security ? std::optional(engine::HeldSecurity{security->symbol, security->period}) : std::nullopt;
    }

    std::optional<std::pair<int32_t, int32_t>> Extent(const std::string& symbol) const override
    {
        const Security* security = Lookup(symbol);
        DataReader data;
        uint32_t first = 0;
        uint32_t last = 0;
        if (!security || !database_.OpenData(*security, data) || !data.Extent(first, last))
            return std::nullopt;
        return std::pair{SerialOfDate(first), SerialOfDate(last)};
    }

    std::unique_ptr<engine::Records> Open(const std::string& symbol, int32_t firstDay, int32_t lastDay) const override
    {
        const Security* security = Lookup(symbol);
        auto data = std::make_unique<DataReader>();
        const bool opened = security && database_.OpenData(*security, *data);
        if (opened) {
            if (!data->IsIntact())
                warnings_.push_back(DamagedText(*security, data->Count(), doing_));
            data->Restrict(KeyOfSerial(firstDay), KeyOfSerial(lastDay));
        }
        static const Security kNone;
        return std::make_unique<FileRecords>(security ? *security : kNone, opened, std::move(data), warnings_);
    }

    // The held symbol, bytes as they are, then the first in header order that differs from
    // it only in ASCII letter case.
    const Security* Lookup(std::string_view symbol) const
    {
        if (symbol.empty() || symbol.size() >= qv2omg::kSymbolSize)
            return nullptr;
        if (const auto held = snapshot_->byHeld.find(std::string(symbol)); held != snapshot_->byHeld.end())
            return &snapshot_->securities[held->second];
        if (const auto folded = snapshot_->bySymbol.find(AsciiLower(symbol)); folded != snapshot_->bySymbol.end())
            return &snapshot_->securities[folded->second];
        return nullptr;
    }

private:
    const Database& database_;
    std::shared_ptr<const Snapshot> snapshot_;
    std::vector<std::string>& warnings_;
    const char* doing_;
};

Database::Database(std::filesystem::path directory, std::string name, std::vector<std::string>& warnings)
    : directory_(std::move(directory)), name_(std::move(name))
{
    Current(warnings);
}

Database::~Database() = default;

std::shared_ptr<const Database::Snapshot> Database::Current(std::vector<std::string>& warnings)
{
    const std::string noDatabase =
        "no readable database in " + name_ + " (" + qv2omg::kHeaderFileName + " missing or not a header file)";
    const std::filesystem::path path = directory_ / qv2omg::kHeaderFileName;
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    const uintmax_t size = error ? 0 : std::filesystem::file_size(path, error);
    if (error)
        throw Error(ErrorKind::NoDatabase, noDatabase);

    // The writer renames a new header file into place, so a changed database shows as a
    // changed time or size; the index is built again then.
    std::lock_guard lock(mutex_);
    if (snapshot_ && snapshot_->time == time && snapshot_->size == size)
        return snapshot_;
    qv2omg::HeaderReader header;
    if (!header.Open(directory_))
        throw Error(ErrorKind::Unreadable, noDatabase);
    if (!header.IsIntact())
        warnings.push_back(std::string(qv2omg::kHeaderFileName) + " in " + name_ + " is damaged; showing its "
                           + std::to_string(header.Count()) + " complete entries");
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->time = time;
    snapshot->size = size;
    snapshot->securities.reserve(header.Count());
    for (uint32_t i = 0; i < header.Count(); ++i) {
        qv2omg::SecurityEntry entry;
        if (!header.Read(i, entry))
            throw Error(ErrorKind::Unreadable, "cannot read " + name_ + "/" + qv2omg::kHeaderFileName);
        snapshot->securities.push_back(SecurityOf(i, entry));
        const std::string held(qv2omg::FieldText(entry.symbol.data(), qv2omg::kSymbolSize - 1));
        snapshot->byHeld.emplace(held, i);
        snapshot->bySymbol.emplace(AsciiLower(held), i);
    }
    snapshot_ = std::move(snapshot);
    return snapshot_;
}

std::vector<Security> Database::All(std::vector<std::string>& warnings)
{
    return Current(warnings)->securities;
}

uint32_t Database::Count(std::vector<std::string>& warnings)
{
    return static_cast<uint32_t>(Current(warnings)->securities.size());
}

bool Database::OpenData(const Security& security, DataReader& data) const
{
    return qv2omg::IsSafeDataFileName(security.dataFile) && data.Open(directory_ / security.dataFile);
}

std::vector<Listing> Database::Securities(std::vector<std::string>& warnings)
{
    const std::shared_ptr<const Snapshot> snapshot = Current(warnings);
    std::vector<Listing> listings;
    listings.reserve(snapshot->securities.size());
    for (const Security& security : snapshot->securities) {
        Listing listing;
        listing.security = security;
        DataReader data;
        if (OpenData(security, data)) {
            listing.readable = true;
            listing.records = data.Count();
            uint32_t first = 0;
            uint32_t last = 0;
            if (data.Extent(first, last)) {
                listing.first = first;
                listing.last = last;
            }
        }
        listings.push_back(std::move(listing));
    }
    return listings;
}

const Security* Database::Lookup(const Source& source, std::string_view symbol)
{
    const std::optional<std::string> text = EncodeText(symbol);
    const std::optional<engine::HeldSecurity> found =
        text && text->find('\0') == std::string::npos ? FindSecurity(source, *text) : std::nullopt;
    return found ? source.Lookup(found->symbol) : nullptr;
}

bool Database::Contains(std::string_view symbol, std::vector<std::string>& warnings)
{
    const Source source(*this, Current(warnings), warnings, "reading");
    return Lookup(source, symbol) != nullptr;
}

Security Database::Find(std::string_view symbol, std::vector<std::string>& warnings)
{
    const Source source(*this, Current(warnings), warnings, "reading");
    if (const Security* security = Lookup(source, symbol))
        return *security;
    // Shown escaped: a NUL would end the message there, and another control would act on a terminal.
    throw Error(ErrorKind::UnknownSymbol, "no security '" + native::ShownUtf8(symbol) + "' in " + name_);
}

RowBlock Database::Read(const Security& security, const DateBounds& bounds, const RowLayout& layout,
                        bool keepInvalid, std::vector<std::string>& warnings, RowArena* arena) const
{
    const auto unreadable = [&security] {
        return Error(ErrorKind::Unreadable, "the data file " + DecodeText(security.dataFile) + " of '"
                                                + DecodeText(security.symbol) + "' is missing or not a data file");
    };
    RowFiller filler(layout);
    // Every record of an intact file in date order, the usual case: one pass over it.
    if (!bounds.from && !bounds.to) {
        qv2omg::BinaryFile file;
        const std::optional<qv2omg::EntryCount> entries = qv2omg::IsSafeDataFileName(security.dataFile)
            ? qv2omg::OpenEntryFile(file, directory_ / security.dataFile, qv2omg::FileKind::Data,
                                    qv2omg::kPriceEntrySize, std::numeric_limits<uint32_t>::max())
            : std::nullopt;
        if (!entries)
            throw unreadable();
        if (entries->intact) {
            RowBlock block = RoomFor(entries->count, layout.itemSize, arena);
            if (ReadInOrder(file, entries->count, keepInvalid, filler, layout.itemSize, block)) {
                Shrink(block, entries->count, layout.itemSize, arena);
                return block;
            }
        }
    }

    DataReader data;
    if (!OpenData(security, data))
        throw unreadable();
    if (!data.IsIntact())
        warnings.push_back(DamagedText(security, data.Count(), "reading"));
    // Without bounds every record, in file order, as omegadb dump prints them: a damaged
    // one too, its date NaT when it is no calendar date. With bounds, the days the import
    // narrows them to.
    std::optional<std::pair<int64_t, int64_t>> keys =
        std::pair{std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
    if (bounds.from || bounds.to) {
        const Source source(*this, Held(), warnings, "reading");
        ImportRequest request;
        if (PrepareImport(source, security.symbol, bounds.from, bounds.to, request))
            keys.reset();
        else
            keys = std::pair{KeyOfSerial(request.firstDay), KeyOfSerial(request.lastDay)};
    }
    const size_t capacity = keys ? data.Count() : 0;
    RowBlock block = RoomFor(capacity, layout.itemSize, arena);
    if (keys) {
        data.Restrict(keys->first, keys->second);
        auto* out = static_cast<uint8_t*>(block.Rows());
        PriceRow row;
        while (block.rows < capacity && NextRow(data, keepInvalid, row))
            filler.Write(row, out + block.rows++ * layout.itemSize);
        NoteOutOfOrder(security, data, warnings);
    }
    Shrink(block, capacity, layout.itemSize, arena);
    return block;
}

namespace {

// The rows of a merge as columns, as the engine hands them over.
class ColumnSink : public RowWriter {
public:
    ColumnSink(MergeColumns& out, MergeShape shape, unsigned fields, std::vector<std::string> symbols)
        : out_(out), wide_(shape == MergeShape::Wide), fieldCount_(static_cast<size_t>(MergeFieldCount(fields)))
    {
        const size_t securities = symbols.size();
        if (!wide_)
            out_.symbols = std::move(symbols);
        for (size_t f = 0; f < kMergeFields.size(); ++f) {
            if (fields & kMergeFields[f].field)
                chosen_.push_back(f);
        }
        if (wide_)
            out_.absent.assign(securities, {});
    }

    int16_t WriteHeader(std::span<const std::string> names) override
    {
        const size_t first = wide_ ? 1 : 2;
        for (size_t c = first; c < names.size(); ++c) {
            MergeColumns::Column column;
            column.name = names[c];
            column.security = wide_ ? (c - first) / fieldCount_ : 0;
            column.price = chosen_[(c - first) % fieldCount_] < kPriceFieldCount;
            out_.columns.push_back(std::move(column));
        }
        return 0;
    }

    int16_t WriteRow(int32_t day, std::span<const RowValue> values) override
    {
        out_.days.push_back(EpochDayOfSerial(day));
        size_t first = 0;
        if (!wide_) {
            // One security after another, in the order merged.
            while (symbol_ + 1 < out_.symbols.size() && out_.symbols[symbol_] != values[0].text)
                ++symbol_;
            out_.symbolOfRow.push_back(static_cast<uint32_t>(symbol_));
            first = 1;
        }
        for (size_t c = 0; c < out_.columns.size(); ++c) {
            const RowValue& value = values[first + c];
            MergeColumns::Column& column = out_.columns[c];
            if (column.price)
                column.prices.push_back(value.kind == RowValue::Kind::Price ? value.price
                                                                          : std::numeric_limits<float>::quiet_NaN());
            else
                column.counts.push_back(value.kind == RowValue::Kind::Count ? value.count : 0);
            if (wide_ && c % fieldCount_ == 0)
                out_.absent[column.security].push_back(value.kind == RowValue::Kind::Empty);
        }
        return 0;
    }

    int16_t Close() override { return 0; }

private:
    MergeColumns& out_;
    bool wide_;
    size_t fieldCount_;
    std::vector<size_t> chosen_;  // indexes into kMergeFields
    size_t symbol_ = 0;  // long: the security of the rows in hand
};

} // namespace

std::shared_ptr<const Database::Snapshot> Database::Held() const
{
    std::lock_guard lock(mutex_);
    return snapshot_;
}

MergeColumns Database::Merge(const MergeRequest& request, std::vector<std::string>& warnings) const
{
    // Each security is looked up as the import's merge looks it up: one without data
    // between the bounds is left out and the others are merged; one given twice is merged once.
    const Source source(*this, Held(), warnings, "merging");
    ::MergeRequest merge;
    merge.shape = request.shape;
    merge.fields = request.fields;
    merge.commonDates = request.commonDates;
    merge.format = kOutputCsv;  // no limits: the columns hold any number of rows
    for (size_t i = 0; i < request.securities.size(); ++i) {
        const Security& security = request.securities[i];
        const std::string name = i < request.names.size() ? request.names[i] : DecodeText(security.symbol);
        if (const std::optional<std::string> why =
                AddToMerge(source, name, security.symbol, request.bounds.from, request.bounds.to, merge,
                           [&warnings](const std::string& note) { warnings.push_back(note); }))
            warnings.push_back(LeftOutOfMergeText(name, *why));
    }
    MergeColumns out;
    std::vector<std::string> symbols;
    for (const ImportRequest& security : merge.securities)
        symbols.push_back(security.symbol);
    ColumnSink sink(out, merge.shape, merge.fields, std::move(symbols));
    ImportHooks hooks;
    hooks.skipInvalid = [&request] { return !request.keepInvalid; };
    int64_t total = 0;
    bool stopped = false;
    if (request.progress) {
        hooks.started = [&total](int32_t estimate) { total = estimate; };
        hooks.progress = [&](int32_t done) {
            if (!stopped)
                stopped = !request.progress(std::min<int64_t>(done, total), total);
        };
        hooks.interrupted = [&stopped] { return stopped; };
    }
    const MergeOutcome outcome = merge.securities.empty() ? MergeOutcome{} : RunMerge(source, merge, hooks, &sink);
    if (!outcome.refusal.empty())
        throw Error(ErrorKind::Unreadable, DecodeText(outcome.refusal));
    for (std::vector<char>& absent : out.absent) {
        if (std::none_of(absent.begin(), absent.end(), [](char a) { return a != 0; }))
            absent.clear();
    }
    return out;
}

std::vector<SecurityFinding> Database::Check(const std::optional<Security>& security,
                                             std::vector<std::string>& warnings)
{
    std::vector<Security> securities;
    if (security)
        securities.push_back(*security);
    else
        securities = Current(warnings)->securities;
    std::vector<SecurityFinding> findings;
    for (const Security& checked : securities) {
        DataReader data;
        if (!OpenData(checked, data)) {
            const std::string text = DecodeText(checked.fieldSymbol) + ": the data file " + DecodeText(checked.dataFile)
                + " is missing or not a data file; not checked";
            if (security)
                throw Error(ErrorKind::Unreadable, text);
            warnings.push_back(text);
            continue;
        }
        if (!data.IsIntact())
            warnings.push_back(DamagedText(checked, data.Count(), "checking"));
        quality::CheckData(data, checked.entry, [&](const quality::Finding& finding) {
            findings.push_back({checked.fieldSymbol, finding});
        });
    }
    return findings;
}

} // namespace pydb
