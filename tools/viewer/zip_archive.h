#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The members of a zip archive held in memory, as far as an xlsx file needs: stored and
// deflated members, zip64 sizes. Every offset and size is checked against the bytes, and
// every member's checksum, so a cut-off or damaged archive gives an error text instead of
// a read past the end.
class ZipArchive {
public:
    // Reads the central directory; on failure returns false and sets `error`.
    bool Open(std::string_view bytes, std::string& error);

    bool Has(std::string_view name) const { return Find(name) != nullptr; }
    // The member's uncompressed bytes; false with `error` set when it is absent or damaged.
    bool Extract(std::string_view name, std::string& contents, std::string& error) const;

private:
    struct Member {
        std::string name;
        uint16_t method = 0;
        uint32_t crc = 0;
        uint64_t compressedSize = 0;
        uint64_t size = 0;
        uint64_t localHeaderOffset = 0;
    };
    const Member* Find(std::string_view name) const;

    std::string_view bytes_;
    std::vector<Member> members_;
};
