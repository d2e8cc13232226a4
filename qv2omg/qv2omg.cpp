// The exported functions: argument checks, the context table, and the copy between
// the file layout and the caller's records. No exception leaves the library.

#include <qv2omg.h>

#include "context_table.h"
#include "price_record.h"
#include "platform/native/native_path.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <mutex>
#include <optional>

namespace {

using namespace qv2omg;

constexpr int32_t kLibraryVersion = 100;
constexpr int16_t kFailure = 1;

// Callers use one thread; the lock makes a second one harmless rather than fast.
std::mutex& LibraryMutex()
{
    static std::mutex mutex;
    return mutex;
}

ContextTable& Contexts()
{
    static ContextTable table;
    return table;
}

template <typename Result, typename Body>
Result Guarded(Result failure, Body body) noexcept
{
    try {
        std::lock_guard lock(LibraryMutex());
        return body();
    } catch (...) {
        return failure;
    }
}

// The symbol argument up to its NUL; a text longer than any stored symbol is cut
// one byte past the limit, so it matches nothing and nothing further is read.
std::string_view SymbolArgument(const char* symbol)
{
    size_t length = 0;
    while (length <= kSymbolSize && symbol[length] != '\0')
        ++length;
    return {symbol, length};
}

std::optional<SecurityEntry> FindSecurity(const char* directory, const char* symbol)
{
    if (!directory || !symbol)
        return std::nullopt;
    HeaderReader header;
    SecurityEntry entry;
    if (!header.Open(native::PathFromText(directory)))
        return std::nullopt;
    // Callers that walk a database look up its securities in header order, each several
    // times: the search starts where the last one in the same folder ended, so a walk
    // reads the header once rather than once per security.
    thread_local std::string lastDirectory;
    thread_local uint32_t lastIndex = 0;
    const uint32_t hint = lastDirectory == directory ? lastIndex : 0;
    const std::optional<uint32_t> index = header.Find(SymbolArgument(symbol), hint);
    if (!index || !header.Read(*index, entry))
        return std::nullopt;
    lastDirectory = directory;
    lastIndex = *index;
    return entry;
}

bool OpenData(const char* directory, const SecurityEntry& entry, DataReader& reader)
{
    const std::string_view name = FieldText(entry.dataFile);
    return IsSafeDataFileName(name) && reader.Open(native::PathFromText(directory) / name);
}

void FillSecurityRecord(const SecurityEntry& entry, SecurityRecord& record)
{
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.description, entry.description.data(), kDescriptionSize);
    std::memcpy(record.symbol, entry.symbol.data(), kSymbolSize);
    // Callers may take the texts as C strings, even from a damaged file.
    record.description[kDescriptionSize - 1] = '\0';
    record.symbol[kSymbolSize - 1] = '\0';
    record.category = entry.category;
    record.period = entry.period;
}

// What the reader has found wrong with its file so far, in the bytes the interface
// sets aside for it; false for a sound file.
bool PutDamage(const DataReader& data, char* reserved36)
{
    const int flags = (data.OutOfOrder() ? QV2OMG_DAMAGE_ORDER : 0) | (data.IsIntact() ? 0 : QV2OMG_DAMAGE_SIZE);
    if (flags == 0)
        return false;
    const int32_t number = data.OutOfOrder() ? static_cast<int32_t>(std::min<uint32_t>(data.FirstOutOfOrder(), INT32_MAX - 1) + 1) : 0;
    std::memset(reserved36, 0, 8);
    reserved36[0] = static_cast<char>(flags);
    std::memcpy(reserved36 + 4, &number, sizeof number);
    return true;
}

int64_t KeyOf(const OmegaDate& date)
{
    return DateKey(date.year, date.month, date.day);
}

} // namespace

extern "C" {

QV2OMG_API int32_t QV2OMG_CALL QV2ORDM_GetVersion(void)
{
    return kLibraryVersion;
}

QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_Initialize(void)
{
    return 0;
}

QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_Uninitialize(void)
{
    return Guarded<int16_t>(0, [] {
        Contexts().Clear();
        return int16_t{0};
    });
}

QV2OMG_API int32_t QV2OMG_CALL QV2ORDM_OpenHeaderFile(const char* directory, FileContext* context)
{
    return Guarded<int32_t>(0, [&]() -> int32_t {
        if (!context)
            return 0;
        // A context given again without a close: close it rather than lose its file.
        Contexts().Release(context);
        std::memset(context, 0, sizeof *context);
        auto header = std::make_unique<HeaderReader>();
        if (!directory || !header->Open(native::PathFromText(directory)) || header->Count() == 0)
            return 0;
        const auto count = static_cast<int32_t>(header->Count());
        return Contexts().Add(*context, std::move(header)) ? count : 0;
    });
}

QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_ReadHeader(FileContext* context, int32_t index, SecurityRecord* record)
{
    return Guarded<int16_t>(kFailure, [&]() -> int16_t {
        if (!record)
            return kFailure;
        std::memset(record, 0, sizeof *record);
        HeaderReader* header = Contexts().FindHeader(context);
        SecurityEntry entry;
        if (!header || index < 0 || !header->Read(static_cast<uint32_t>(index), entry))
            return kFailure;
        FillSecurityRecord(entry, *record);
        return 0;
    });
}

QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_CloseHeaderFile(FileContext* context)
{
    return Guarded<int16_t>(kFailure, [&]() -> int16_t {
        return Contexts().Remove(context, ContextKind::Header) ? 0 : kFailure;
    });
}

QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_SearchSecurity(const char* directory, const char* symbol,
                                                      SecurityRecord* record)
{
    return Guarded<int16_t>(kFailure, [&]() -> int16_t {
        if (!record)
            return kFailure;
        std::memset(record, 0, sizeof *record);
        const std::optional<SecurityEntry> entry = FindSecurity(directory, symbol);
        if (!entry)
            return kFailure;
        FillSecurityRecord(*entry, *record);
        return 0;
    });
}

QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_GetDateRange(const char* directory, const char* symbol, DateRange* range)
{
    return Guarded<int16_t>(kFailure, [&]() -> int16_t {
        if (!range)
            return kFailure;
        std::memset(range, 0, sizeof *range);
        const std::optional<SecurityEntry> entry = FindSecurity(directory, symbol);
        if (!entry)
            return kFailure;
        DataReader data;
        uint32_t first = 0;
        uint32_t last = 0;
        if (OpenData(directory, *entry, data) && data.Extent(first, last)) {
            range->available = 1;
            range->first = ToOmegaDate(first);
            range->last = ToOmegaDate(last);
        }
        return 0;
    });
}

QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_OpenDataFile(const char* directory, const char* symbol,
                                                    const OmegaDate* first, const OmegaDate* last,
                                                    FileContext* context)
{
    return Guarded<int16_t>(kFailure, [&]() -> int16_t {
        if (!context)
            return kFailure;
        Contexts().Release(context);
        std::memset(context, 0, sizeof *context);
        if (!first || !last)
            return kFailure;
        const std::optional<SecurityEntry> entry = FindSecurity(directory, symbol);
        auto data = std::make_unique<DataReader>();
        if (!entry || !OpenData(directory, *entry, *data))
            return kFailure;
        data->Restrict(KeyOf(*first), KeyOf(*last));
        return Contexts().Add(*context, std::move(data)) ? 0 : kFailure;
    });
}

QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_ReadData(FileContext* context, PriceRecord* record, int32_t wanted)
{
    return Guarded<int16_t>(0, [&]() -> int16_t {
        if (!record || wanted < 1)
            return 0;
        DataReader* data = Contexts().FindData(context);
        if (!data)
            return 0;
        PriceRow row;
        if (!data->Next(row)) {
            PutDamage(*data, record->reserved36);
            return 0;
        }
        // One record per call, however many are wanted: the caller gave room for one.
        FillPriceRecord(row, *record);
        PutDamage(*data, record->reserved36);
        return 1;
    });
}

QV2OMG_API int16_t QV2OMG_CALL QV2ORDM_CloseDataFile(FileContext* context)
{
    return Guarded<int16_t>(kFailure, [&]() -> int16_t {
        return Contexts().Remove(context, ContextKind::Data) ? 0 : kFailure;
    });
}

} // extern "C"
