#include "db_format.h"

#include "binary_file.h"

#include "base/calendar.h"

#include <qv2omg.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace qv2omg {

namespace {

constexpr char kHeaderMagic[4] = {'O', 'M', 'G', 'H'};
constexpr char kDataMagic[4] = {'O', 'M', 'G', 'D'};

void Put16(uint8_t* out, uint16_t value)
{
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t Get16(const uint8_t* in)
{
    return static_cast<uint16_t>(in[0] | in[1] << 8);
}

void PutFloat(uint8_t* out, float value) { Put32(out, std::bit_cast<uint32_t>(value)); }

const char* MagicOf(FileKind kind) { return kind == FileKind::Header ? kHeaderMagic : kDataMagic; }
size_t EntrySizeOf(FileKind kind) { return kind == FileKind::Header ? kSecurityEntrySize : kPriceEntrySize; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

void EncodePreamble(FileKind kind, uint32_t count, uint8_t* out)
{
    std::memcpy(out, MagicOf(kind), 4);
    Put16(out + 4, kFormatVersion);
    Put16(out + 6, static_cast<uint16_t>(EntrySizeOf(kind)));
    Put32(out + 8, count);
    Put32(out + 12, 0);
}

std::optional<uint32_t> DecodePreamble(FileKind kind, const uint8_t* in)
{
    if (std::memcmp(in, MagicOf(kind), 4) != 0 || Get16(in + 4) != kFormatVersion
        || Get16(in + 6) != EntrySizeOf(kind))
        return std::nullopt;
    return LoadField32(in + 8);
}

void EncodeSecurityEntry(const SecurityEntry& entry, uint8_t* out)
{
    std::memset(out, 0, kSecurityEntrySize);
    std::memcpy(out, entry.symbol.data(), kSymbolSize);
    std::memcpy(out + 16, entry.description.data(), kDescriptionSize);
    out[47] = entry.flags;
    Put16(out + 48, static_cast<uint16_t>(entry.category));
    Put16(out + 50, static_cast<uint16_t>(entry.period));
    std::memcpy(out + 52, entry.dataFile.data(), kDataFileNameSize);
}

SecurityEntry DecodeSecurityEntry(const uint8_t* in)
{
    SecurityEntry entry;
    std::memcpy(entry.symbol.data(), in, kSymbolSize);
    std::memcpy(entry.description.data(), in + 16, kDescriptionSize);
    entry.flags = in[47];
    entry.category = static_cast<int16_t>(Get16(in + 48));
    entry.period = static_cast<int16_t>(Get16(in + 50));
    std::memcpy(entry.dataFile.data(), in + 52, kDataFileNameSize);
    return entry;
}

void EncodePriceEntry(const PriceRow& row, uint8_t* out)
{
    Put32(out, row.date);
    PutFloat(out + 4, row.open);
    PutFloat(out + 8, row.high);
    PutFloat(out + 12, row.low);
    PutFloat(out + 16, row.close);
    Put32(out + 20, static_cast<uint32_t>(row.volume));
    Put32(out + 24, static_cast<uint32_t>(row.openInterest));
}

float MissingPrice() { return std::bit_cast<float>(kMissingPriceBits); }

bool IsMissingPrice(float value)
{
    return QV2OMG_IsMissingPrice(value) != 0;
}

std::string_view FieldText(const char* field, size_t size)
{
    const void* nul = std::memchr(field, 0, size);
    return {field, nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : size};
}

bool SameSymbol(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

std::string DataFileName(uint32_t number)
{
    char name[kDataFileNameSize];
    std::snprintf(name, sizeof name, "d%06u.omd", static_cast<unsigned>(number));
    return name;
}

bool IsSafeDataFileName(std::string_view name)
{
    if (name.empty() || name.size() >= kDataFileNameSize || name.front() == '.')
        return false;
    for (char c : name) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '.' || c == '_' || c == '-';
        if (!safe)
            return false;
    }
    return true;
}

std::optional<uint32_t> DataFileNumber(std::string_view name)
{
    if (name.size() < 6 || name.front() != 'd' || !name.ends_with(".omd"))
        return std::nullopt;
    const std::string_view digits = name.substr(1, name.size() - 5);
    if (digits.size() > 9)
        return std::nullopt;
    uint32_t number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + static_cast<uint32_t>(c - '0');
    }
    return number;
}

bool IsValidDate(uint32_t date)
{
    const uint32_t year = date / 10000;
    const uint32_t month = date / 100 % 100;
    const uint32_t day = date % 100;
    return year >= 1 && year <= 9999 && base::IsCalendarDate(year, month, day);
}

int64_t DateKey(int32_t yearSince1900, int32_t month, int32_t day)
{
    return (int64_t{yearSince1900} + 1900) * 10000 + int64_t{month} * 100 + int64_t{day};
}

std::optional<EntryCount> OpenEntryFile(BinaryFile& file, const std::filesystem::path& path, FileKind kind,
                                        size_t entrySize, uint64_t limit)
{
    if (!file.Open(path))
        return std::nullopt;
    uint8_t preamble[kPreambleSize];
    const std::optional<uint32_t> declared = file.ReadAt(0, preamble, kPreambleSize) == kPreambleSize
        ? DecodePreamble(kind, preamble)
        : std::nullopt;
    if (!declared) {
        file.Close();
        return std::nullopt;
    }
    // A sparse file can declare billions of entries it does not hold: only the stored ones
    // count, so no reader walks or allocates for zeros that were never written.
    const uint64_t present = (std::max<uint64_t>(file.StoredSize(), kPreambleSize) - kPreambleSize) / entrySize;
    EntryCount entries;
    entries.count = static_cast<uint32_t>(std::min<uint64_t>({*declared, present, limit}));
    entries.intact = *declared == entries.count && file.Size() == kPreambleSize + uint64_t{entries.count} * entrySize;
    return entries;
}

} // namespace qv2omg
