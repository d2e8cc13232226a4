#include "header_reader.h"

#include <algorithm>
#include <limits>

namespace qv2omg {

namespace {
// 160 KiB: a search through 32,767 entries takes 16 reads.
constexpr uint32_t kBlockEntries = 2048;
} // namespace

bool HeaderReader::Open(const std::filesystem::path& directory)
{
    Close();
    // The library hands counts out as signed 32-bit numbers.
    const std::optional<EntryCount> entries = OpenEntryFile(file_, directory / kHeaderFileName, FileKind::Header,
                                                            kSecurityEntrySize, std::numeric_limits<int32_t>::max());
    if (!entries)
        return false;
    count_ = entries->count;
    intact_ = entries->intact;
    return true;
}

void HeaderReader::Close()
{
    file_.Close();
    count_ = 0;
    intact_ = false;
    blockFirst_ = 0;
    blockCount_ = 0;
}

const uint8_t* HeaderReader::EntryBytes(uint32_t index)
{
    if (index >= count_)
        return nullptr;
    if (index < blockFirst_ || index - blockFirst_ >= blockCount_) {
        const uint32_t wanted = std::min(kBlockEntries, count_ - index);
        block_.resize(size_t{kBlockEntries} * kSecurityEntrySize);
        const size_t got = file_.ReadAt(kPreambleSize + uint64_t{index} * kSecurityEntrySize, block_.data(),
                                        size_t{wanted} * kSecurityEntrySize);
        blockFirst_ = index;
        blockCount_ = static_cast<uint32_t>(got / kSecurityEntrySize);
        if (blockCount_ == 0)
            return nullptr;
    }
    return block_.data() + size_t{index - blockFirst_} * kSecurityEntrySize;
}

bool HeaderReader::Read(uint32_t index, SecurityEntry& entry)
{
    const uint8_t* bytes = EntryBytes(index);
    if (!bytes)
        return false;
    entry = DecodeSecurityEntry(bytes);
    return true;
}

std::optional<uint32_t> HeaderReader::Find(std::string_view symbol)
{
    if (symbol.empty())
        return std::nullopt;
    for (uint32_t index = 0; index < count_; ++index) {
        const uint8_t* bytes = EntryBytes(index);
        if (!bytes)
            return std::nullopt;
        // The symbol field is the first of an entry. Its last byte is cut, as in the
        // records handed out: a symbol read from a damaged header is then found again.
        if (SameSymbol(FieldText(reinterpret_cast<const char*>(bytes), kSymbolSize - 1), symbol))
            return index;
    }
    return std::nullopt;
}

} // namespace qv2omg
