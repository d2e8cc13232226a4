#pragma once

// The on-disk layout of a database (see FORMAT.md). Every multi-byte value is
// little-endian whatever the host, so files move between machines unchanged.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qv2omg {

inline constexpr char kHeaderFileName[] = "master.omg";
inline constexpr uint16_t kFormatVersion = 1;

inline constexpr size_t kPreambleSize = 16;
inline constexpr size_t kSecurityEntrySize = 80;
inline constexpr size_t kPriceEntrySize = 28;

inline constexpr size_t kSymbolSize = 16;        // up to 15 bytes of text and a NUL
inline constexpr size_t kDescriptionSize = 31;   // up to 30 bytes of text and a NUL
inline constexpr size_t kDataFileNameSize = 16;

inline constexpr uint8_t kHasOpenInterest = 0x01;
inline constexpr uint32_t kMissingPriceBits = 0x7F7FFFEE;

enum class FileKind { Header, Data };

// Writes the 16-byte preamble of a header or data file.
void EncodePreamble(FileKind kind, uint32_t count, uint8_t* out);
// The record count of a preamble; nothing when magic, version or entry size are not ours.
std::optional<uint32_t> DecodePreamble(FileKind kind, const uint8_t* in);

class BinaryFile;

// What an opened header or data file holds: the declared count clamped to the complete
// entries present and to `limit`, and whether count and size agreed exactly.
struct EntryCount {
    uint32_t count = 0;
    bool intact = false;
};
// Opens `path` as a file of `kind` with entries of `entrySize` bytes. Nothing (and the file
// closed) when it cannot be opened or its preamble is not ours.
std::optional<EntryCount> OpenEntryFile(BinaryFile& file, const std::filesystem::path& path, FileKind kind,
                                        size_t entrySize, uint64_t limit);

struct SecurityEntry {
    std::array<char, kSymbolSize> symbol{};
    std::array<char, kDescriptionSize> description{};
    uint8_t flags = 0;
    int16_t category = 0;
    int16_t period = 0;
    std::array<char, kDataFileNameSize> dataFile{};
};

void EncodeSecurityEntry(const SecurityEntry& entry, uint8_t* out);
SecurityEntry DecodeSecurityEntry(const uint8_t* in);

// One period of prices. `date` is the calendar date as yyyymmdd (19980305).
struct PriceRow {
    uint32_t date = 0;
    float open = 0;
    float high = 0;
    float low = 0;
    float close = 0;
    int32_t volume = 0;
    int32_t openInterest = 0;
};

void EncodePriceEntry(const PriceRow& row, uint8_t* out);

// A little-endian 32-bit field of a stored entry.
inline uint32_t LoadField32(const uint8_t* in)
{
    return uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16 | uint32_t{in[3]} << 24;
}

// Inline: readers call it for every record they read.
inline PriceRow DecodePriceEntry(const uint8_t* in)
{
    PriceRow row;
    row.date = LoadField32(in);
    row.open = std::bit_cast<float>(LoadField32(in + 4));
    row.high = std::bit_cast<float>(LoadField32(in + 8));
    row.low = std::bit_cast<float>(LoadField32(in + 12));
    row.close = std::bit_cast<float>(LoadField32(in + 16));
    row.volume = static_cast<int32_t>(LoadField32(in + 20));
    row.openInterest = static_cast<int32_t>(LoadField32(in + 24));
    return row;
}

float MissingPrice();
bool IsMissingPrice(float value);

// The text of a fixed-width field: up to its first NUL, or the whole field.
std::string_view FieldText(const char* field, size_t size);
template <size_t N>
std::string_view FieldText(const std::array<char, N>& field) { return FieldText(field.data(), N); }

// Symbols compare equal ignoring the case of ASCII letters only.
bool SameSymbol(std::string_view a, std::string_view b);

// Data file names are made by the writer, never from symbols; a name read from a
// damaged header file is used only when it cannot leave the database directory.
std::string DataFileName(uint32_t number);
bool IsSafeDataFileName(std::string_view name);
// The number in a name made by DataFileName.
std::optional<uint32_t> DataFileNumber(std::string_view name);

// Dates as yyyymmdd.
bool IsValidDate(uint32_t date);
// A sort key of a year (counted from 1900), month and day in the yyyymmdd order;
// defined for every input so that a range of any dates can be compared.
int64_t DateKey(int32_t yearSince1900, int32_t month, int32_t day);

} // namespace qv2omg
