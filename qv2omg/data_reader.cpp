#include "data_reader.h"

#include <algorithm>
#include <limits>

namespace qv2omg {

namespace {
// 56 KiB: few enough bytes to keep a reader small, enough rows to make a system call rare.
constexpr uint32_t kBufferRows = 2048;
} // namespace

bool DataReader::Open(const std::filesystem::path& path)
{
    Close();
    const std::optional<EntryCount> entries =
        OpenEntryFile(file_, path, FileKind::Data, kPriceEntrySize, std::numeric_limits<uint32_t>::max());
    if (!entries)
        return false;
    count_ = entries->count;
    intact_ = entries->intact;
    Restrict(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
    return true;
}

void DataReader::Close()
{
    file_.Close();
    count_ = 0;
    intact_ = false;
    next_ = end_ = 0;
    bufferPos_ = bufferEnd_ = 0;
}

bool DataReader::ReadAt(uint32_t index, PriceRow& row)
{
    uint8_t bytes[kPriceEntrySize];
    if (index >= count_ || file_.ReadAt(kPreambleSize + uint64_t{index} * kPriceEntrySize, bytes, kPriceEntrySize)
                               != kPriceEntrySize)
        return false;
    row = DecodePriceEntry(bytes);
    return true;
}

uint32_t DataReader::LowerBound(int64_t key)
{
    uint32_t low = 0;
    uint32_t high = count_;
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        PriceRow row;
        // A row that cannot be read ends the file there.
        if (!ReadAt(middle, row) || int64_t{row.date} >= key)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

void DataReader::Restrict(int64_t firstKey, int64_t lastKey)
{
    firstKey_ = firstKey;
    lastKey_ = lastKey;
    bufferPos_ = bufferEnd_ = 0;
    if (firstKey > lastKey) {
        next_ = end_ = 0;
        return;
    }
    next_ = LowerBound(firstKey);
    end_ = lastKey == std::numeric_limits<int64_t>::max() ? count_ : LowerBound(lastKey + 1);
}

bool DataReader::Fill()
{
    if (next_ >= end_)
        return false;
    const uint32_t wanted = std::min(kBufferRows, end_ - next_);
    buffer_.resize(size_t{kBufferRows} * kPriceEntrySize);
    const size_t got = file_.ReadAt(kPreambleSize + uint64_t{next_} * kPriceEntrySize, buffer_.data(),
                                    size_t{wanted} * kPriceEntrySize);
    const uint32_t rows = static_cast<uint32_t>(got / kPriceEntrySize);
    if (rows == 0) {
        end_ = next_;
        return false;
    }
    next_ += rows;
    bufferPos_ = 0;
    bufferEnd_ = size_t{rows} * kPriceEntrySize;
    return true;
}

bool DataReader::Next(PriceRow& row)
{
    for (;;) {
        if (bufferPos_ == bufferEnd_ && !Fill())
            return false;
        row = DecodePriceEntry(buffer_.data() + bufferPos_);
        bufferPos_ += kPriceEntrySize;
        // Only a file out of date order can hold rows outside the range here.
        const int64_t key = row.date;
        if (key >= firstKey_ && key <= lastKey_)
            return true;
    }
}

} // namespace qv2omg
