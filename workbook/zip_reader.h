#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The members of a zip archive on disk, read with minizip one piece at a time. What a
// member may inflate to is bounded before any of it is read: by the size its directory
// entry declares (minizip never inflates past it), by kMaxMemberSize and by
// kMaxRatio times its compressed size, so a zip bomb is refused rather than unpacked. A
// member's checksum is checked when it has been read to its end.
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
    bool Has(std::string_view name);
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

    void* zip_ = nullptr;  // unzFile
    int fd_ = -1;
    bool memberOpen_ = false;
    std::string member_;
    uint64_t memberSize_ = 0;
    uint64_t memberRead_ = 0;
};
