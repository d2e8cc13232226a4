#pragma once

#include "binary_file.h"
#include "db_format.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace qv2omg {

// Reads the price rows of one data file: a date range is found by binary search and
// then read sequentially through a small buffer, so memory stays flat whatever the
// file's size. A damaged file yields its complete rows and nothing beyond them.
class DataReader {
public:
    // False when the file is missing, unreadable or not a data file of ours.
    bool Open(const std::filesystem::path& path);
    void Close();

    uint32_t Count() const { return count_; }
    bool IsIntact() const { return intact_; }

    // Row `index` (below Count()) read on its own.
    bool ReadAt(uint32_t index, PriceRow& row);

    // Limits Next() to rows whose date key lies in first..last, both included, and
    // starts again from the first of them.
    void Restrict(int64_t firstKey, int64_t lastKey);
    // The next row in file order; false at the end.
    bool Next(PriceRow& row);

private:
    // First index whose date key is not below `key`.
    uint32_t LowerBound(int64_t key);
    bool Fill();

    BinaryFile file_;
    uint32_t count_ = 0;
    bool intact_ = false;
    int64_t firstKey_ = 0;
    int64_t lastKey_ = 0;
    uint32_t next_ = 0;   // next row to load into the buffer
    uint32_t end_ = 0;    // one past the last row to deliver
    std::vector<uint8_t> buffer_;
    size_t bufferPos_ = 0;
    size_t bufferEnd_ = 0;
};

} // namespace qv2omg
