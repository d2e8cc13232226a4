#include "sheet/sheet_output.h"

#include "platform/native/native_file.h"
#include "platform/native/native_path.h"

#include <cerrno>
#include <filesystem>

namespace {

constexpr uint64_t kWritebackChunk = 1024 * 1024;

std::string FolderOf(const std::string& path)
{
    const auto slash = native::LastSeparator(path);
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const auto slash = native::LastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A link stays a link: the file it points to is the one replaced. (On Windows the writer
// replaces what the path names.)
std::string ResolveLinks(const std::string& path)
{
#if defined(_WIN32)
    return path;
#else
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)))
        return path;
    const auto target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target.string();
#endif
}

}  // namespace

std::unique_ptr<SheetOutput> SheetOutput::Create(const std::string& requestedPath, SheetError& error)
{
    const std::string path = ResolveLinks(requestedPath);
    const std::string base = BaseNameOf(path);
    if (base.empty() || base == "." || base == ".." || base.size() > native::kLongestName
        || path.find('\0') != std::string::npos) {
        error = kSheetBadFileName;
        return nullptr;
    }
    std::unique_ptr<SheetOutput> output(new SheetOutput);
    output->destination_ = path;

    const native::FileType existing = native::TypeOf(path);
    if (existing != native::FileType::Missing && existing != native::FileType::Regular) {
        if (existing != native::FileType::Device) {
            error = kSheetPathFileAccessError;
            return nullptr;
        }
        output->fd_ = native::OpenForWriting(path);
    } else {
        output->fd_ = native::CreateTemporaryBeside(path, output->temporary_);
        if (output->fd_ < 0)
            output->temporary_.clear();
    }
    if (output->fd_ < 0) {
        error = SheetErrorFromErrno(errno);
        return nullptr;
    }
    error = kSheetOk;
    return output;
}

SheetOutput::~SheetOutput()
{
    Discard();
}

void SheetOutput::AppendPastBuffer(const void* data, std::size_t size)
{
    Flush();
    if (size < buffer_.size()) {
        std::memcpy(buffer_.data(), data, size);
        used_ = size;
    } else {
        WriteOut(data, size);
    }
}

SheetError SheetOutput::Flush()
{
    if (used_ > 0) {
        WriteOut(buffer_.data(), used_);
        used_ = 0;
    }
    return error_;
}

// The disk starts on what has piled up while the rest is still being made, so that Commit's
// fsync waits for the last part only. A hint: any failure shows at the fsync.
void SheetOutput::StartWriteback()
{
    if (temporary_.empty() || error_ != kSheetOk || appended_ - writebackStart_ < kWritebackChunk)
        return;
    native::StartWriteback(fd_, writebackStart_, appended_ - writebackStart_);
    writebackStart_ = appended_;
}

void SheetOutput::WriteOut(const void* data, std::size_t size, int64_t offset)
{
    auto bytes = static_cast<const uint8_t*>(data);
    while (size > 0 && error_ == kSheetOk) {
        const long long written = offset < 0 ? native::Write(fd_, bytes, size)
                                             : native::WriteAt(fd_, bytes, size, static_cast<uint64_t>(offset));
        if (written < 0) {
            if (errno != EINTR)
                Fail(errno);
        } else if (written == 0) {
            Fail(ENOSPC);
        } else {
            bytes += written;
            size -= static_cast<std::size_t>(written);
            if (offset >= 0)
                offset += written;
            else
                appended_ += static_cast<uint64_t>(written);
        }
    }
    if (offset < 0)
        StartWriteback();
}

SheetError SheetOutput::WriteAt(uint64_t offset, const void* data, std::size_t size)
{
    if (Flush() == kSheetOk)
        WriteOut(data, size, static_cast<int64_t>(offset));
    return error_;
}

SheetError SheetOutput::Commit()
{
    if (Flush() == kSheetOk && !temporary_.empty() && native::Sync(fd_) != 0)
        Fail(errno);
    if (error_ == kSheetOk) {
        const int fd = fd_;
        fd_ = -1;
        if (native::Close(fd) != 0 && errno != EINTR)
            Fail(errno);
    }
    if (error_ == kSheetOk && !temporary_.empty()) {
        if (const int failure = native::PutInPlace(temporary_, destination_)) {
            Fail(failure);
        } else {
            temporary_.clear();
            native::SyncFolder(FolderOf(destination_));
        }
    }
    if (error_ != kSheetOk)
        Discard();
    return error_;
}

void SheetOutput::Discard()
{
    if (fd_ >= 0) {
        native::Close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        native::RemoveFile(temporary_);
        temporary_.clear();
    }
    used_ = 0;
}

void SheetOutput::Fail(int errorNumber)
{
    if (error_ == kSheetOk)
        error_ = SheetErrorFromErrno(errorNumber);
}
