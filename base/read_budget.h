#pragma once

#include <cstdint>
#include <string>

namespace base {

// The memory a reading of one file may take: 512 MB in all. What the reading holds of the
// file (shared strings, cells and their texts) is counted against it, less a part kept
// for the program itself, and a file that needs more is refused with a message rather
// than left to exhaust the machine.
constexpr uint64_t kReadBudget = uint64_t{512} << 20;

class ReadBudget {
public:
    // `programReserve`: what the program needs beside the file's contents.
    explicit ReadBudget(uint64_t programReserve = uint64_t{64} << 20)
        : limit_(programReserve < kReadBudget ? kReadBudget - programReserve : 0)
    {
    }
    // Counts `bytes` more; false once the total passes the limit.
    bool Take(uint64_t bytes)
    {
        used_ += bytes;
        return used_ <= limit_;
    }
    void Give(uint64_t bytes) { used_ -= bytes < used_ ? bytes : used_; }
    uint64_t Used() const { return used_; }
    uint64_t Limit() const { return limit_; }
    // The message for a file refused: "WHAT need more than 448 MB of memory (a file is read
    // within 512 MB)".
    std::string Refusal(const char* what) const
    {
        return std::string(what) + " need more than " + std::to_string(limit_ >> 20) + " MB of memory (a file is read within "
            + std::to_string(kReadBudget >> 20) + " MB)";
    }

private:
    uint64_t limit_;
    uint64_t used_ = 0;
};

} // namespace base
