#include "data_reader.h"

#include "price_csv.h"

#include <algorithm>
#include <limits>

namespace qv2omg {

namespace {
// 56 KiB: few enough bytes to keep a reader small, enough rows to make a system call rare.
constexpr uint32_t kBufferRows = 2048;
constexpr int64_t kNoLowerKey = std::numeric_limits<int64_t>::min();
constexpr int64_t kNoUpperKey = std::numeric_limits<int64_t>::max();
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
    Restrict(kNoLowerKey, kNoUpperKey);
    return true;
}

void DataReader::Close()
{
    file_.Close();
    count_ = 0;
    intact_ = false;
    next_ = end_ = 0;
    scan_ = false;
    lastGood_ = 0;
    outOfOrder_ = false;
    firstBad_ = badDate_ = dateBeforeBad_ = 0;
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

uint32_t DataReader::LowerBound(int64_t key, std::vector<std::pair<uint32_t, uint32_t>>& probes)
{
    uint32_t low = 0;
    uint32_t high = count_;
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        PriceRow row;
        // A row that cannot be read ends the file there.
        const bool read = ReadAt(middle, row);
        if (read)
            probes.emplace_back(middle, row.date);
        if (!read || int64_t{row.date} >= key)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

bool DataReader::Extent(uint32_t& first, uint32_t& last)
{
    PriceRow head;
    PriceRow tail;
    if (count_ == 0 || !ReadAt(0, head) || !ReadAt(count_ - 1, tail))
        return false;
    if (IsValidDate(head.date) && IsValidDate(tail.date) && (count_ == 1 || head.date < tail.date)) {
        first = head.date;
        last = tail.date;
        return true;
    }
    first = std::numeric_limits<uint32_t>::max();
    last = 0;
    Restrict(kNoLowerKey, kNoUpperKey);
    PriceRow row;
    while (Next(row)) {
        if (IsValidDate(row.date)) {
            first = std::min(first, row.date);
            last = std::max(last, row.date);
        }
    }
    Restrict(kNoLowerKey, kNoUpperKey);
    return last != 0;
}

void DataReader::Restrict(int64_t firstKey, int64_t lastKey)
{
    firstKey_ = firstKey;
    lastKey_ = lastKey;
    bufferPos_ = bufferEnd_ = 0;
    lastGood_ = 0;
    scan_ = false;
    next_ = end_ = 0;
    if (firstKey > lastKey || count_ == 0)
        return;
    end_ = count_;
    PriceRow head;
    PriceRow tail;
    if ((firstKey == kNoLowerKey && lastKey == kNoUpperKey) || !ReadAt(0, head) || !ReadAt(count_ - 1, tail))
        return;
    // A range that holds both ends reads the whole file.
    if (firstKey <= int64_t{head.date} && lastKey >= int64_t{tail.date})
        return;

    std::vector<std::pair<uint32_t, uint32_t>> probes{{0, head.date}, {count_ - 1, tail.date}};
    const uint32_t low = LowerBound(firstKey, probes);
    const uint32_t high = lastKey == kNoUpperKey ? count_ : LowerBound(lastKey + 1, probes);
    // In a sorted file every row probed is a calendar date after the rows probed before it.
    std::sort(probes.begin(), probes.end());
    bool sorted = true;
    for (size_t i = 0; i < probes.size() && sorted; ++i) {
        sorted = IsValidDate(probes[i].second)
            && (i == 0 || probes[i].first == probes[i - 1].first || probes[i].second > probes[i - 1].second);
    }
    if (!sorted)
        return;  // a scan of the whole file, which finds the damage
    // The rows on either side of the range are read too, so that the order is checked
    // across both of its ends.
    next_ = low > 0 ? low - 1 : 0;
    end_ = std::max(next_, high < count_ ? high + 1 : count_);
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
    bufferFirst_ = next_;
    next_ += rows;
    bufferPos_ = 0;
    bufferEnd_ = size_t{rows} * kPriceEntrySize;
    return true;
}

void DataReader::Track(uint32_t index, uint32_t date)
{
    if (IsValidDate(date) && date > lastGood_) {
        lastGood_ = date;
        return;
    }
    if (!outOfOrder_) {
        outOfOrder_ = true;
        firstBad_ = index;
        badDate_ = date;
        dateBeforeBad_ = lastGood_;
    }
    // Past the damage the range may lie anywhere: the rest of the file is read.
    if (!scan_) {
        scan_ = true;
        end_ = count_;
    }
}

bool DataReader::Next(PriceRow& row)
{
    for (;;) {
        if (bufferPos_ == bufferEnd_ && !Fill())
            return false;
        const auto index = static_cast<uint32_t>(bufferFirst_ + bufferPos_ / kPriceEntrySize);
        row = DecodePriceEntry(buffer_.data() + bufferPos_);
        bufferPos_ += kPriceEntrySize;
        Track(index, row.date);
        // The rows around the range, and every row of a scan, are read but not delivered.
        const int64_t key = row.date;
        if (key >= firstKey_ && key <= lastKey_)
            return true;
    }
}

std::string OutOfOrderText(const DataReader& data)
{
    const std::string record = "record " + std::to_string(uint64_t{data.FirstOutOfOrder()} + 1) + " of "
        + std::to_string(data.Count());
    if (!IsValidDate(data.OutOfOrderDate()))
        return record + " holds no calendar date (" + std::to_string(data.OutOfOrderDate()) + ")";
    return record + " is dated " + FormatIsoDate(data.OutOfOrderDate()) + ", not after "
        + FormatIsoDate(data.DateBeforeOutOfOrder());
}

} // namespace qv2omg
