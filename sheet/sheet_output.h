#pragma once

#include "sheet/sheet_errors.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

// A pattern file being written. Bytes are gathered in a buffer and go into a new temporary
// file in the destination's folder; Commit renames it over the destination. So a failure at
// any point, or a program that ends without closing, leaves an earlier file at the path as
// it was. A character device (say /dev/null) is written directly: there is nothing to replace.
// The first failure sticks: later appends are dropped and every call reports it.
// The temporary file (".NAME.xxxxxxxx.tmp") is removed on every way out but a killed
// process. One left by a killed run is ignored: every run makes a new name, so a later run
// never reads, reuses or deletes it (it might belong to a run still going); it is safe
// to delete by hand.
class SheetOutput {
public:
    static std::unique_ptr<SheetOutput> Create(const std::string& path, SheetError& error);
    ~SheetOutput();
    SheetOutput(const SheetOutput&) = delete;
    SheetOutput& operator=(const SheetOutput&) = delete;

    void Append(const void* data, std::size_t size)
    {
        if (size <= buffer_.size() - used_) {
            std::memcpy(buffer_.data() + used_, data, size);
            used_ += size;
        } else {
            AppendPastBuffer(data, size);
        }
    }
    void AppendByte(uint8_t value) { Append(&value, 1); }
    // Room for `size` bytes (at most the buffer's) at the end of the buffer, to be written in
    // place and kept with Advance: a record built there is checked for room once, not per field.
    uint8_t* Room(std::size_t size)
    {
        if (size > buffer_.size() - used_)
            Flush();
        return buffer_.data() + used_;
    }
    void Advance(std::size_t size) { used_ += size; }

    SheetError Error() const { return error_; }
    SheetError Flush();
    // Overwrites bytes already appended, as the used range in the header is at close.
    SheetError WriteAt(uint64_t offset, const void* data, std::size_t size);
    // Flushes, makes the file durable and puts it in place; on failure the temporary file
    // is removed.
    SheetError Commit();
    // Abandons the file: closes it and removes the temporary file.
    void Discard();

private:
    SheetOutput() = default;
    void AppendPastBuffer(const void* data, std::size_t size);
    void WriteOut(const void* data, std::size_t size, int64_t offset = -1);  // -1: append
    void StartWriteback();
    void Fail(int errorNumber);

    int fd_ = -1;
    std::string destination_;
    std::string temporary_;  // empty when the destination is written directly
    SheetError error_ = kSheetOk;
    std::size_t used_ = 0;
    uint64_t appended_ = 0;  // bytes written to the file
    uint64_t writebackStart_ = 0;  // the first byte the disk was not yet asked to write
    std::array<uint8_t, 64 * 1024> buffer_;
};
