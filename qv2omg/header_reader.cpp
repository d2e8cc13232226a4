#include "header_reader.h"

#include <algorithm>
#include <limits>

namespace qv2omg {

namespace {
// 160 KiB: a search through 32,767 entries takes 16 reads.
constexpr uint32_t kBlockEntries = 2048;
// A lookup that finds its entry where it starts reads little: a walk through all the
// securities opens the header once per security.
constexpr uint32_t kFirstBlockEntries = 32;
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
    anyBlockRead_ = false;
}

const uint8_t* HeaderReader::EntryBytes(uint32_t index)
{
    if (index >= count_)
        return nullptr;
    if (index < blockFirst_ || index - blockFirst_ >= blockCount_) {
        const uint32_t wanted = std::min(anyBlockRead_ ? kBlockEntries : kFirstBlockEntries, count_ - index);
        anyBlockRead_ = true;
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

std::optional<uint32_t> HeaderReader::Find(std::string_view symbol, uint32_t hint)
{
    if (symbol.empty() || count_ == 0)
        return std::nullopt;
    // A crafted header may hold "abc" and "ABC": each is found by its own bytes.
    std::optional<uint32_t> folded;
    const uint32_t start = hint < count_ ? hint : 0;
    for (uint32_t step = 0; step < count_; ++step) {
        const uint32_t index = start + step < count_ ? start + step : start + step - count_;
        const uint8_t* bytes = EntryBytes(index);
        if (!bytes)
            return folded;
        // The symbol field is the first of an entry. Its last byte is cut, as in the
        // records handed out: a symbol read from a damaged header is then found again.
        const std::string_view held = FieldText(reinterpret_cast<const char*>(bytes), kSymbolSize - 1);
        if (held == symbol)
            return index;
        if ((!folded || index < *folded) && SameSymbol(held, symbol))
            folded = index;
    }
    return folded;
}

} // namespace qv2omg
