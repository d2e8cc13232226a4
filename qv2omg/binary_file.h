#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace qv2omg {

// A regular file opened for reading at 64-bit offsets. Callers buffer for themselves,
// so the stream is unbuffered and a block read is one system call.
class BinaryFile {
public:
    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // False when the path is not a regular file or cannot be opened.
    bool Open(const std::filesystem::path& path);
    void Close();
    // Size when opened.
    uint64_t Size() const { return size_; }
    // Where the data stored on the disk end: a sparse file that only claims a length has
    // nothing but zeros past this.
    uint64_t StoredSize() const { return storedSize_; }

    // Reads up to `size` bytes at `offset`; returns how many were read (fewer at the
    // end of the file or on a read error).
    size_t ReadAt(uint64_t offset, void* buffer, size_t size);

private:
    bool Seek(uint64_t offset);

    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
    uint64_t storedSize_ = 0;
    uint64_t position_ = 0;
};

} // namespace qv2omg
