#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The members of a zip archive on disk: minizip finds them and hands out their packed
// bytes, zlib inflates them one piece at a time. What a member may inflate to is bounded
// by kMaxMemberSize and by kMaxRatio times its packed size: before any of it is read by
// the sizes its directory entry declares, and while it is read by the bytes really
// inflated from the bytes really read, so a zip bomb is refused rather than unpacked
// whatever its entry claims. Its data must end exactly at the size its directory entry
// declares, with the checksum it declares; inflating past it is refused. The sizes of a
// zip64 entry come from its zip64 extra field.
// The archive as minizip reads it: through a buffer, as minizip reads a directory entry a
// field at a time. A read that comes up short is remembered: minizip takes a short read
// of its last field for a zero, and would open an archive cut inside its end record.
struct ZipFile {
    int fd = -1;
    bool shortRead = false;
    uint64_t size = 0;  // of the whole file
    uint64_t position = 0;  // where minizip reads next
    uint64_t bufferStart = 0;  // the file offset of buffer[0]
    std::size_t buffered = 0;  // bytes valid in buffer
    std::vector<char> buffer;
};

class ZipReader {
public:
    static constexpr uint64_t kMaxMemberSize = uint64_t{1} << 30;
    // Deflate reaches about 1000:1 on runs of one byte; sheet XML packs 5 to 20:1.
    static constexpr uint64_t kMaxRatio = 200;
    // Below this size a member may pack as tightly as it likes.
    static constexpr uint64_t kFreeSize = 1 << 20;
    // Members listed in the index of names; any past them are not found.
    static constexpr std::size_t kMaxMembers = 10000;

    ZipReader() = default;
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Opens the archive (a regular file only) and reads its directory into an index of
    // names; false with the reason in `error`.
    bool Open(const std::string& path, std::string& error);
    // Whether the archive holds the member.
    bool Has(std::string_view name, std::string& error);
    // Opens a member for Read; false with the reason in `error`.
    bool OpenMember(std::string_view name, std::string& error);
    // Up to `size` bytes of the open member: the count, 0 at its end (its size and checksum
    // checked), or -1 with the reason in `error`.
    long long Read(char* buffer, std::size_t size, std::string& error);
    // The open member's size as its directory entry declares it.
    uint64_t MemberSize() const { return memberSize_; }

private:
    bool Locate(std::string_view name);
    void CloseMember();

    long long Fail(std::string& error, const char* why);
    static bool TooDense(uint64_t unpacked, uint64_t packed);

    void* zip_ = nullptr;  // unzFile
    void* inflater_ = nullptr;  // z_stream of a deflated member
    std::vector<char> packed_;
    bool packedDone_ = false;
    uint32_t crc_ = 0;
    uint32_t expectedCrc_ = 0;
    ZipFile file_;
    bool memberOpen_ = false;
    std::string member_;
    uint64_t memberSize_ = 0;
    uint64_t memberRead_ = 0;
    // Each member's place in the directory by name (the first of a name that repeats).
    std::unordered_map<std::string, std::pair<uint64_t, uint64_t>> index_;
};
