#pragma once

#include "binary_file.h"
#include "db_format.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace qv2omg {

// Reads the price rows of one data file: a date range is found by binary search and
// then read sequentially through a small buffer, so memory stays flat whatever the
// file's size.
//
// A damaged file is read as far as it holds complete rows. Every row read is checked
// against the one before: a row whose date is no calendar date, or not after the last
// good date, marks the file out of order (OutOfOrder), and reading goes on in file order
// past it to the end of the file, delivering the rows that lie in the range. A search
// whose probes disagree with a sorted file is given up for a scan of the whole file, so a
// damaged row never hides the rows on its other side.
class DataReader {
public:
    // False when the file is missing, unreadable or not a data file of ours.
    bool Open(const std::filesystem::path& path);
    void Close();

    uint32_t Count() const { return count_; }
    // True when the file holds exactly the rows its preamble declares.
    bool IsIntact() const { return intact_; }

    // Whether a row read so far was no calendar date or not after the one before; which
    // one (its index), with its date and the last good date before it.
    bool OutOfOrder() const { return outOfOrder_; }
    uint32_t FirstOutOfOrder() const { return firstBad_; }
    uint32_t OutOfOrderDate() const { return badDate_; }
    uint32_t DateBeforeOutOfOrder() const { return dateBeforeBad_; }

    // Row `index` (below Count()) read on its own.
    bool ReadAt(uint32_t index, PriceRow& row);

    // The first and last dates held: those of the first and last rows when both are
    // calendar dates in order, else the earliest and latest calendar dates of a scan of
    // every row (which notes the damage). False when no row holds a calendar date.
    // Leaves the reader restricted to nothing narrower than the whole file.
    bool Extent(uint32_t& first, uint32_t& last);

    // Limits Next() to rows whose date key lies in first..last, both included, and
    // starts again from the first of them.
    void Restrict(int64_t firstKey, int64_t lastKey);
    // The next row in file order; false at the end.
    bool Next(PriceRow& row);

private:
    // First index whose date key is not below `key`; every row it reads goes to `probes`.
    uint32_t LowerBound(int64_t key, std::vector<std::pair<uint32_t, uint32_t>>& probes);
    bool Fill();
    // Checks the date of row `index` against the rows before it.
    void Track(uint32_t index, uint32_t date);

    BinaryFile file_;
    uint32_t count_ = 0;
    bool intact_ = false;
    int64_t firstKey_ = 0;
    int64_t lastKey_ = 0;
    uint32_t next_ = 0;   // next row to load into the buffer
    uint32_t end_ = 0;    // one past the last row to read
    bool scan_ = false;   // reading to the end of the file, whatever the range
    uint32_t lastGood_ = 0;  // the last calendar date read in order since Restrict
    bool outOfOrder_ = false;
    uint32_t firstBad_ = 0;
    uint32_t badDate_ = 0;
    uint32_t dateBeforeBad_ = 0;
    std::vector<uint8_t> buffer_;
    uint32_t bufferFirst_ = 0;  // index of the row at the start of the buffer
    size_t bufferPos_ = 0;
    size_t bufferEnd_ = 0;
};

// What OutOfOrder found, for messages: "record 1500 of 3000 holds no calendar date (0)",
// "record 7 of 9 is dated 1998-03-02, not after 1998-03-04".
std::string OutOfOrderText(const DataReader& data);

} // namespace qv2omg
