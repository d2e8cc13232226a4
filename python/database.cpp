#include "database.h"

#include "base/calendar.h"
#include "base/trim_blanks.h"
#include "omega/omega_date.h"
#include "platform/native/shown_text.h"
#include "quality/database_check.h"
#include "qv2omg/data_reader.h"
#include "qv2omg/header_reader.h"
#include "qv2omg/price_csv.h"
#include "sheet/sheet_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

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
    return !qv2omg::IsMissingPrice(row.open) && !qv2omg::IsMissingPrice(row.high)
        && !qv2omg::IsMissingPrice(row.low) && !qv2omg::IsMissingPrice(row.close);
}

int64_t KeyOfSerial(int32_t serial)
{
    const OmegaDate date = omega::SerialToOmegaDate(serial);
    return qv2omg::DateKey(date.year, date.month, date.day);
}

// The keys a security's data are read between, as PrepareImport narrows them: the dates
// of its first and last record, narrowed to the bounds. Nothing when the data are
// unavailable (empty, or the ends unreadable) or hold nothing between the bounds; then
// `why` says which.
std::optional<std::pair<int64_t, int64_t>> ImportKeys(DataReader& data, const DateBounds& bounds, std::string& why)
{
    uint32_t first = 0;
    uint32_t last = 0;
    if (!data.Extent(first, last)) {
        why = "its data are unavailable (the data file is missing, unreadable or empty)";
        return std::nullopt;
    }
    const int32_t dataFirst = SerialOfDate(first);
    const int32_t dataLast = SerialOfDate(last);
    const int32_t firstDay = std::max(bounds.from.value_or(dataFirst), dataFirst);
    const int32_t lastDay = std::min(bounds.to.value_or(dataLast), dataLast);
    if (firstDay > lastDay) {
        why = "no data in the dates asked for (it holds " + qv2omg::FormatIsoDate(first) + " to "
            + qv2omg::FormatIsoDate(last) + ")";
        return std::nullopt;
    }
    return std::pair{KeyOfSerial(firstDay), KeyOfSerial(lastDay)};
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
    return qv2omg::IsMissingPrice(stored) ? std::numeric_limits<float>::quiet_NaN() : stored;
}

// The value of field `f` (an index into kMergeFields) of a record.
float PriceField(const PriceRow& row, size_t f)
{
    const float prices[] = {row.open, row.high, row.low, row.close};
    return PriceOf(prices[f]);
}
int64_t CountField(const PriceRow& row, size_t f)
{
    return f == 4 ? row.volume : row.openInterest;
}
constexpr size_t kPriceFieldCount = 4;

void WriteRow(const RowLayout& layout, const PriceRow& row, uint8_t* out)
{
    const int64_t day = EpochDayOfDate(row.date);
    std::memcpy(out, &day, sizeof day);
    for (size_t f = 0; f < kMergeFields.size(); ++f) {
        if (!(layout.fields & kMergeFields[f].field))
            continue;
        if (f < kPriceFieldCount) {
            const float price = PriceField(row, f);
            std::memcpy(out + layout.offsets[f], &price, sizeof price);
        } else {
            const int64_t count = CountField(row, f);
            std::memcpy(out + layout.offsets[f], &count, sizeof count);
        }
    }
}

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
    security.symbol = base::TrimBlanks(qv2omg::FieldText(entry.symbol.data(), qv2omg::kSymbolSize - 1));
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
    OmegaDate date{};
    date.month = month;
    date.day = day;
    date.year = year - 1900;
    return omega::OmegaDateToSerial(date);
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

RowLayout RowLayout::Of(unsigned fields)
{
    RowLayout layout;
    layout.fields = fields;
    size_t offset = sizeof(int64_t);
    for (size_t f = 0; f < kMergeFields.size(); ++f) {
        if (!(fields & kMergeFields[f].field))
            continue;
        if (f >= kPriceFieldCount)
            offset = (offset + 7) / 8 * 8;
        layout.offsets[f] = offset;
        offset += f < kPriceFieldCount ? sizeof(float) : sizeof(int64_t);
    }
    layout.itemSize = (offset + 7) / 8 * 8;
    return layout;
}

struct Database::Snapshot {
    std::filesystem::file_time_type time;
    uintmax_t size = 0;
    std::vector<Security> securities;
    std::unordered_map<std::string, uint32_t> bySymbol;  // ASCII lower case -> the first in header order
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
        snapshot->bySymbol.emplace(AsciiLower(qv2omg::FieldText(entry.symbol.data(), qv2omg::kSymbolSize - 1)), i);
    }
    snapshot_ = std::move(snapshot);
    return snapshot_;
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

bool Database::Contains(std::string_view symbol, std::vector<std::string>& warnings)
{
    const std::optional<std::string> text = EncodeText(base::TrimBlanks(symbol));
    if (!text || text->empty() || text->size() >= qv2omg::kSymbolSize)
        return false;
    const std::shared_ptr<const Snapshot> snapshot = Current(warnings);
    return snapshot->bySymbol.contains(AsciiLower(*text));
}

Security Database::Find(std::string_view symbol, std::vector<std::string>& warnings)
{
    const std::optional<std::string> text = EncodeText(base::TrimBlanks(symbol));
    const std::shared_ptr<const Snapshot> snapshot = Current(warnings);
    if (text && !text->empty() && text->size() < qv2omg::kSymbolSize) {
        const auto found = snapshot->bySymbol.find(AsciiLower(*text));
        if (found != snapshot->bySymbol.end())
            return snapshot->securities[found->second];
    }
    // Shown escaped: a NUL would end the message there, and another control would act on a terminal.
    throw Error(ErrorKind::UnknownSymbol, "no security '" + native::ShownUtf8(symbol) + "' in " + name_);
}

RowBlock Database::Read(const Security& security, const DateBounds& bounds, const RowLayout& layout,
                        bool keepInvalid, std::vector<std::string>& warnings) const
{
    DataReader data;
    if (!OpenData(security, data))
        throw Error(ErrorKind::Unreadable, "the data file " + DecodeText(security.dataFile) + " of '"
                                               + DecodeText(security.symbol) + "' is missing or not a data file");
    if (!data.IsIntact())
        warnings.push_back(DamagedText(security, data.Count(), "reading"));

    // Without bounds every record, in file order, as omegadb dump prints them: a damaged
    // one too, its date NaT when it is no calendar date.
    std::string why;
    const auto keys = bounds.from || bounds.to
        ? ImportKeys(data, bounds, why)
        : std::optional(std::pair{std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()});
    // Room for every record of the file: pages that are never written cost nothing, and
    // what is left over is given back below.
    const size_t capacity = keys ? data.Count() : 0;
    RowBlock block;
    block.data.reset(std::malloc(std::max<size_t>(capacity, 1) * layout.itemSize));
    if (!block.data)
        throw std::bad_alloc();
    if (keys) {
        data.Restrict(keys->first, keys->second);
        auto* out = static_cast<uint8_t*>(block.data.get());
        PriceRow row;
        while (block.rows < capacity && NextRow(data, keepInvalid, row))
            WriteRow(layout, row, out + block.rows++ * layout.itemSize);
        NoteOutOfOrder(security, data, warnings);
    }
    if (block.rows < capacity) {
        void* rows = block.data.release();
        void* smaller = std::realloc(rows, std::max<size_t>(block.rows, 1) * layout.itemSize);
        block.data.reset(smaller ? smaller : rows);
    }
    return block;
}

MergeColumns Database::Merge(const MergeRequest& request, std::vector<std::string>& warnings) const
{
    // Each security is looked up as the import's merge looks it up: one without data
    // between the bounds is left out and the others are merged.
    struct Source {
        const Security* security;
        std::pair<int64_t, int64_t> keys;
    };
    std::vector<Source> sources;
    for (const Security& security : request.securities) {
        DataReader data;
        std::string why = "its data are unavailable (the data file is missing, unreadable or empty)";
        const auto keys = OpenData(security, data) ? ImportKeys(data, request.bounds, why) : std::nullopt;
        if (keys)
            sources.push_back({&security, *keys});
        else
            warnings.push_back(DecodeText(security.symbol) + ": " + why + "; left out of the merge");
    }

    MergeColumns out;
    std::vector<std::string> symbols;
    for (const Source& source : sources)
        symbols.push_back(source.security->symbol);
    const std::vector<std::string> names = MergeHeaderNames(request.shape, request.fields, symbols);
    const size_t fieldCount = static_cast<size_t>(MergeFieldCount(request.fields));
    const bool wide = request.shape == MergeShape::Wide;
    const size_t columnCount = wide ? fieldCount * sources.size() : fieldCount;
    for (size_t c = 0; c < columnCount; ++c) {
        MergeColumns::Column column;
        column.name = names[(wide ? 1 : 2) + c];
        column.security = wide ? c / fieldCount : 0;
        out.columns.push_back(std::move(column));
    }
    std::vector<size_t> chosen;  // indexes into kMergeFields
    for (size_t f = 0; f < kMergeFields.size(); ++f) {
        if (request.fields & kMergeFields[f].field)
            chosen.push_back(f);
    }
    for (size_t j = 0; j < chosen.size(); ++j) {
        for (size_t c = j; c < columnCount; c += fieldCount)
            out.columns[c].price = chosen[j] < kPriceFieldCount;
    }
    // Appends the chosen fields of a record to the columns from `first` on; no record
    // gives empty cells.
    auto append = [&](size_t first, const PriceRow* row) {
        for (size_t j = 0; j < chosen.size(); ++j) {
            MergeColumns::Column& column = out.columns[first + j];
            if (column.price)
                column.prices.push_back(row ? PriceField(*row, chosen[j]) : std::numeric_limits<float>::quiet_NaN());
            else
                column.counts.push_back(row ? CountField(*row, chosen[j]) : 0);
        }
    };
    auto open = [&](const Source& source, DataReader& data) {
        if (!OpenData(*source.security, data))
            throw Error(ErrorKind::Unreadable, "cannot open the data of " + DecodeText(source.security->symbol)
                                                   + " (too many files open at once, or the file is unreadable)");
        if (!data.IsIntact())
            warnings.push_back(DamagedText(*source.security, data.Count(), "merging"));
        data.Restrict(source.keys.first, source.keys.second);
    };

    if (!wide) {
        out.symbols = symbols;
        for (size_t i = 0; i < sources.size(); ++i) {
            DataReader data;
            open(sources[i], data);
            PriceRow row;
            while (NextRow(data, request.keepInvalid, row)) {
                out.days.push_back(EpochDayOfSerial(SerialOfDate(row.date)));
                out.symbolOfRow.push_back(static_cast<uint32_t>(i));
                append(0, &row);
            }
            NoteOutOfOrder(*sources[i].security, data, warnings);
        }
        return out;
    }

    std::vector<std::unique_ptr<DataReader>> readers;
    for (const Source& source : sources) {
        readers.push_back(std::make_unique<DataReader>());
        open(source, *readers.back());
    }
    std::vector<PriceRow> rows(sources.size());
    out.absent.assign(sources.size(), {});
    auto advance = [&](size_t i, int32_t& day) {
        if (!NextRow(*readers[i], request.keepInvalid, rows[i]))
            return false;
        day = SerialOfDate(rows[i].date);
        return true;
    };
    WalkByDate<int32_t>(sources.size(), request.commonDates, advance,
                        [&](int32_t day, const std::vector<char>& present) {
                            out.days.push_back(EpochDayOfSerial(day));
                            for (size_t i = 0; i < sources.size(); ++i) {
                                append(i * fieldCount, present[i] ? &rows[i] : nullptr);
                                out.absent[i].push_back(!present[i]);
                            }
                            return true;
                        });
    for (size_t i = 0; i < sources.size(); ++i)
        NoteOutOfOrder(*sources[i].security, *readers[i], warnings);
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
