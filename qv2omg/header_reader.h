#pragma once

#include "binary_file.h"
#include "db_format.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace qv2omg {

// Reads the security entries of a database's header file. A damaged file never leads
// to a read outside it: the count is clamped to the complete entries present.
class HeaderReader {
public:
    // False when the directory has no header file, or it is unreadable or not ours.
    bool Open(const std::filesystem::path& directory);
    void Close();

    uint32_t Count() const { return count_; }
    // True when the file holds exactly the entries its preamble declares.
    bool IsIntact() const { return intact_; }

    // False for an index at or past Count(), or when the file can no longer be read.
    bool Read(uint32_t index, SecurityEntry& entry);
    // Index of the entry whose symbol equals `symbol` byte for byte, else of the first whose
    // symbol equals it ignoring ASCII letter case. The search starts at `hint` (where the
    // last one ended, when a caller walks the entries in order) and goes round.
    std::optional<uint32_t> Find(std::string_view symbol, uint32_t hint = 0);

private:
    // The bytes of entry `index`, read with its neighbours in one block.
    const uint8_t* EntryBytes(uint32_t index);

    BinaryFile file_;
    uint32_t count_ = 0;
    bool intact_ = false;
    std::vector<uint8_t> block_;
    uint32_t blockFirst_ = 0;
    uint32_t blockCount_ = 0;
    bool anyBlockRead_ = false;
};

} // namespace qv2omg
