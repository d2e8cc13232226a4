#pragma once

#include "sheet/sheet_errors.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// A pattern file being written. Bytes are gathered in a buffer and go into a new temporary
// file in the destination's folder; Commit renames it over the destination. So a failure at
// any point, or a program that ends without closing, leaves an earlier file at the path as
// it was. A character device (say /dev/null) is written directly: there is nothing to replace.
// The first failure sticks: later appends are dropped and every call reports it.
// The temporary file (".NAME.xxxxxxxx.tmp") is removed on every way out but a killed
// process. One left by a killed run is ignored: every run makes a new name, so a later run
// never reads, reuses or deletes it (it might belong to a run still going); it is safe
// to delete by hand.
class SheetOutputBatch;

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
    // is removed. While a SheetOutputBatch is open on this thread the complete file is
    // handed to it instead, to be made durable and put in place with the others.
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

// A run that writes many files makes them durable together rather than one by one: each
// file committed while the batch is open is left complete under its temporary name; then,
// every so many files or bytes and at Commit, one sync of the data (of the whole file system
// where the system has that, else of each file), the renames in order, and one sync of each
// folder. So a crash at any moment leaves every final name either as it was or holding a
// complete new file, and nothing else but hidden ".NAME.xxxxxxxx.tmp" files, which nothing
// takes for output. What is open is bounded: a group of kMostFiles files (or kMostBytes)
// being written, and the group before it being put in place on a thread of its own.
//
//     SheetOutputBatch batch;            // begin: the files of this thread join it
//     ... write and commit each file as ever ...
//     for (const auto& lost : batch.Commit())   // the rest go in place; failures, if any
//
// A file whose sync or rename fails is not put in place (an earlier file there stays) and
// is named among the failures. Leaving the scope commits too; Abandon removes instead what
// is not in place yet. One batch per thread at a time: the files of an inner one join the outer.
class SheetOutputBatch {
public:
    static constexpr std::size_t kMostFiles = 64;
    static constexpr uint64_t kMostBytes = 256ull * 1024 * 1024;

    struct Failure {
        std::string path;  // the destination
        SheetError error;
    };

    SheetOutputBatch();
    ~SheetOutputBatch();
    SheetOutputBatch(const SheetOutputBatch&) = delete;
    SheetOutputBatch& operator=(const SheetOutputBatch&) = delete;

    // Puts every pending file in place and ends the batch: later files are committed one by
    // one again. The files that were not put in place, since the batch began.
    std::vector<Failure> Commit();
    // Ends the batch, removing the files not yet in place.
    void Abandon();

    struct Pending {
        int fd;
        std::string temporary;
        std::string destination;
    };

private:
    friend class SheetOutput;

    static SheetOutputBatch*& Open();
    void Add(int fd, std::string temporary, std::string destination, uint64_t size);
    void WaitForGroup();
    void End();

    bool open_ = false;
    std::vector<Pending> pending_;
    uint64_t pendingBytes_ = 0;
    std::vector<Failure> failures_;
    // The group being put in place meanwhile, and what failed there.
    std::vector<Pending> group_;
    std::vector<Failure> groupFailures_;
    std::thread groupThread_;
};
