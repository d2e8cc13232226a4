#include "binary_file.h"

#include <system_error>

namespace qv2omg {

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
    const uint64_t size = std::filesystem::file_size(path, error);
    if (error) {
        Close();
        return false;
    }
    size_ = size;
    position_ = 0;
    return true;
}

void BinaryFile::Close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    size_ = 0;
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
