#include "zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kEnd64LocatorSignature = 0x07064b50;
constexpr uint32_t kEnd64Signature = 0x06064b50;
constexpr uint32_t kDirectorySignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
// Larger parts than this are no sheet a viewer can hold; zlib's counters are 32-bit too.
constexpr uint64_t kMaxMemberSize = uint64_t{1} << 30;

uint64_t Little(std::string_view bytes, std::size_t at, int width)
{
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// Bytes [at, at + length) lie inside `bytes`.
bool Inside(std::string_view bytes, uint64_t at, uint64_t length) { return at <= bytes.size() && length <= bytes.size() - at; }

const char* const kCutShort = "the zip directory is missing (the file is cut short or is no xlsx file)";

} // namespace

bool ZipArchive::Open(std::string_view bytes, std::string& error)
{
    bytes_ = bytes;
    members_.clear();
    if (bytes.size() < kEndSize) {
        error = kCutShort;
        return false;
    }
    // The end record sits at the end, before a comment of up to 65,535 bytes.
    std::size_t end = std::string_view::npos;
    const std::size_t lowest = bytes.size() > kEndSize + 0xFFFF ? bytes.size() - kEndSize - 0xFFFF : 0;
    for (std::size_t at = bytes.size() - kEndSize + 1; at-- > lowest;) {
        if (Little(bytes, at, 4) == kEndSignature && at + kEndSize + Little(bytes, at + 20, 2) == bytes.size()) {
            end = at;
            break;
        }
    }
    if (end == std::string_view::npos) {
        error = kCutShort;
        return false;
    }
    uint64_t count = Little(bytes, end + 10, 2);
    uint64_t directorySize = Little(bytes, end + 12, 4);
    uint64_t directoryOffset = Little(bytes, end + 16, 4);
    if (end >= 20 && Little(bytes, end - 20, 4) == kEnd64LocatorSignature) {
        const uint64_t end64 = Little(bytes, end - 16, 8);
        if (!Inside(bytes, end64, 56) || Little(bytes, end64, 4) != kEnd64Signature) {
            error = "damaged zip directory (its zip64 end record is missing)";
            return false;
        }
        count = Little(bytes, end64 + 32, 8);
        directorySize = Little(bytes, end64 + 40, 8);
        directoryOffset = Little(bytes, end64 + 48, 8);
    }
    if (!Inside(bytes, directoryOffset, directorySize) || count > directorySize / kDirectoryEntrySize) {
        error = "damaged zip directory (it points outside the file)";
        return false;
    }

    std::size_t at = directoryOffset;
    const std::size_t directoryEnd = directoryOffset + directorySize;
    for (uint64_t i = 0; i < count; ++i) {
        if (!Inside(bytes, at, kDirectoryEntrySize) || at + kDirectoryEntrySize > directoryEnd
            || Little(bytes, at, 4) != kDirectorySignature) {
            error = "damaged zip directory (entry " + std::to_string(i + 1) + ")";
            return false;
        }
        const std::size_t nameLength = Little(bytes, at + 28, 2);
        const std::size_t extraLength = Little(bytes, at + 30, 2);
        const std::size_t commentLength = Little(bytes, at + 32, 2);
        const std::size_t next = at + kDirectoryEntrySize + nameLength + extraLength + commentLength;
        if (next > directoryEnd) {
            error = "damaged zip directory (entry " + std::to_string(i + 1) + ")";
            return false;
        }
        Member member;
        member.name.assign(bytes.substr(at + kDirectoryEntrySize, nameLength));
        member.method = static_cast<uint16_t>(Little(bytes, at + 10, 2));
        member.crc = static_cast<uint32_t>(Little(bytes, at + 16, 4));
        member.compressedSize = Little(bytes, at + 20, 4);
        member.size = Little(bytes, at + 24, 4);
        member.localHeaderOffset = Little(bytes, at + 42, 4);
        if (Little(bytes, at + 8, 2) & 1) {
            error = "the part " + member.name + " is encrypted";
            return false;
        }
        // Sizes and offset that do not fit in 32 bits are in the zip64 extra field, in this order.
        for (std::size_t extra = at + kDirectoryEntrySize + nameLength; extra + 4 <= at + kDirectoryEntrySize + nameLength + extraLength;) {
            const uint64_t id = Little(bytes, extra, 2);
            const std::size_t length = Little(bytes, extra + 2, 2);
            const std::size_t fieldsEnd = std::min(extra + 4 + length, at + kDirectoryEntrySize + nameLength + extraLength);
            if (id == 1) {
                std::size_t field = extra + 4;
                for (uint64_t* value : {&member.size, &member.compressedSize, &member.localHeaderOffset}) {
                    if (*value != 0xFFFFFFFF)
                        continue;
                    if (field + 8 > fieldsEnd)
                        break;
                    *value = Little(bytes, field, 8);
                    field += 8;
                }
            }
            extra += 4 + length;
        }
        members_.push_back(std::move(member));
        at = next;
    }
    return true;
}

const ZipArchive::Member* ZipArchive::Find(std::string_view name) const
{
    for (const Member& member : members_)
        if (member.name == name)
            return &member;
    return nullptr;
}

bool ZipArchive::Extract(std::string_view name, std::string& contents, std::string& error) const
{
    const Member* member = Find(name);
    if (!member) {
        error = "the part " + std::string(name) + " is missing";
        return false;
    }
    const std::string damaged = "the part " + member->name + " is damaged";
    const uint64_t local = member->localHeaderOffset;
    if (!Inside(bytes_, local, kLocalHeaderSize) || Little(bytes_, local, 4) != kLocalSignature) {
        error = damaged + " (no local header)";
        return false;
    }
    const uint64_t data = local + kLocalHeaderSize + Little(bytes_, local + 26, 2) + Little(bytes_, local + 28, 2);
    if (!Inside(bytes_, data, member->compressedSize)) {
        error = damaged + " (it runs past the end of the file)";
        return false;
    }
    if (member->size > kMaxMemberSize || member->compressedSize > std::numeric_limits<uInt>::max()) {
        error = "the part " + member->name + " is too large to show";
        return false;
    }
    const std::string_view packed = bytes_.substr(data, member->compressedSize);
    contents.assign(member->size, '\0');
    if (member->method == 0) {
        if (member->compressedSize != member->size) {
            error = damaged + " (its sizes disagree)";
            return false;
        }
        std::copy(packed.begin(), packed.end(), contents.begin());
    } else if (member->method == 8) {
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
            error = "cannot unpack the part " + member->name + ": out of memory";
            return false;
        }
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
        stream.avail_in = static_cast<uInt>(packed.size());
        stream.next_out = reinterpret_cast<Bytef*>(contents.data());
        stream.avail_out = static_cast<uInt>(contents.size());
        const int result = inflate(&stream, Z_FINISH);
        const bool complete = result == Z_STREAM_END && stream.total_out == member->size;
        inflateEnd(&stream);
        if (!complete) {
            error = damaged + (result == Z_DATA_ERROR ? " (bad compressed data)" : " (its size disagrees with the directory)");
            return false;
        }
    } else {
        error = "the part " + member->name + " uses an unknown compression method (" + std::to_string(member->method) + ")";
        return false;
    }
    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(contents.data()), static_cast<uInt>(contents.size()));
    if (crc != member->crc) {
        error = damaged + " (checksum mismatch)";
        return false;
    }
    return true;
}
