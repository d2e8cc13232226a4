#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The members of a zip archive on disk: minizip finds them and hands out their packed
// bytes, zlib inflates them one piece at a time. What a member may inflate to is bounded
// before any of it is read: by kMaxMemberSize and kMaxRatio times its packed size, so a
// zip bomb is refused rather than unpacked. Its data must end exactly at the size its
// directory entry declares, with the checksum it declares; inflating past it is refused.
// The archive's descriptor, and whether a read of it came up short: minizip takes a short
// read of its last field for a zero, and would open an archive cut inside its end record.
struct ZipFile {
    int fd = -1;
    bool shortRead = false;
};

class ZipReader {
public:
    static constexpr uint64_t kMaxMemberSize = uint64_t{1} << 30;
    // Deflate reaches about 1000:1 on runs of one byte; sheet XML packs 5 to 20:1.
    static constexpr uint64_t kMaxRatio = 200;
    // Below this size a member may pack as tightly as it likes.
    static constexpr uint64_t kFreeSize = 1 << 20;
    // Members looked at when one is searched for by name.
    static constexpr std::size_t kMaxMembers = 10000;

    ZipReader() = default;
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Opens the archive; false with the reason in `error`.
    bool Open(const std::string& path, std::string& error);
    // Whether the archive holds the member; false with `error` set when its directory is damaged.
    bool Has(std::string_view name, std::string& error);
    // Opens a member for Read; false with the reason in `error`.
    bool OpenMember(std::string_view name, std::string& error);
    // Up to `size` bytes of the open member: the count, 0 at its end (its size and checksum
    // checked), or -1 with the reason in `error`.
    long long Read(char* buffer, std::size_t size, std::string& error);
    // The open member's size as its directory entry declares it.
    uint64_t MemberSize() const { return memberSize_; }

private:
    enum class Found { Yes, No, Damaged };
    Found Locate(std::string_view name);
    void CloseMember();

    long long Fail(std::string& error, const char* why);

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
};
