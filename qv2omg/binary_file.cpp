#include "binary_file.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <sys/stat.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace qv2omg {

#if !defined(_WIN32)
namespace {

// The end of the last region of `fd` that holds data; `size` where the system cannot say.
// Leaves the descriptor's position at 0.
uint64_t StoredEnd(int fd, uint64_t size)
{
#if defined(SEEK_DATA) && defined(SEEK_HOLE)
    uint64_t end = 0;
    off_t at = 0;
    while (static_cast<uint64_t>(at) < size) {
        const off_t data = ::lseek(fd, at, SEEK_DATA);
        if (data < 0) {
            if (errno != ENXIO)
                end = size;
            break;
        }
        const off_t hole = ::lseek(fd, data, SEEK_HOLE);
        if (hole < 0) {
            end = size;
            break;
        }
        end = static_cast<uint64_t>(hole);
        at = hole;
    }
    ::lseek(fd, 0, SEEK_SET);
    return std::min(end, size);
#else
    (void)fd;
    return size;
#endif
}

} // namespace
#endif

BinaryFile::~BinaryFile()
{
    Close();
}

bool BinaryFile::Open(const std::filesystem::path& path)
{
    Close();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
#if defined(_WIN32)
    file_ = _wfopen(path.c_str(), L"rb");
#else
    file_ = std::fopen(path.c_str(), "rb");
#endif
    if (!file_)
        return false;
    std::setvbuf(file_, nullptr, _IONBF, 0);
    // The size of the file opened, not of the path: a writer may have put another file there
    // since, and a count read from one file is only checked against the size of the same.
#if defined(_WIN32)
    struct _stat64 info {};
    if (_fstat64(_fileno(file_), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
#else
    struct stat info {};
    if (::fstat(fileno(file_), &info) != 0 || !S_ISREG(info.st_mode)) {
#endif
        Close();
        return false;
    }
    const auto size = static_cast<uint64_t>(info.st_size);
    size_ = size;
#if defined(_WIN32)
    storedSize_ = size;
#else
    storedSize_ = StoredEnd(fileno(file_), size);
#endif
    position_ = 0;
    return true;
}

void BinaryFile::Close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    size_ = 0;
    storedSize_ = 0;
    position_ = 0;
}

bool BinaryFile::Seek(uint64_t offset)
{
    if (offset == position_)
        return true;
#if defined(_WIN32)
    const bool ok = _fseeki64(file_, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    const bool ok = fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
    position_ = ok ? offset : UINT64_MAX;
    return ok;
}

size_t BinaryFile::ReadAt(uint64_t offset, void* buffer, size_t size)
{
    if (!file_ || size == 0 || !Seek(offset))
        return 0;
    const size_t got = std::fread(buffer, 1, size, file_);
    if (got < size) {
        // After a short read the stream's position is not worth trusting.
        std::clearerr(file_);
        position_ = UINT64_MAX;
    } else {
        position_ = offset + got;
    }
    return got;
}

} // namespace qv2omg
