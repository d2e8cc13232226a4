#include "sheet/sheet_output.h"

#include "platform/native/native_file.h"
#include "platform/native/native_path.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

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
    if (SheetOutputBatch* const batch = SheetOutputBatch::Open(); batch && !temporary_.empty()) {
        if (Flush() != kSheetOk) {
            Discard();
            return error_;
        }
        // The disk starts on the tail now; the batch's sync waits for what is left.
        native::StartWriteback(fd_, writebackStart_, appended_ - writebackStart_);
        batch->Add(std::exchange(fd_, -1), std::exchange(temporary_, {}), destination_, appended_);
        return kSheetOk;
    }
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

namespace {

// Every temporary file is complete and durable before the first rename, so a crash between
// two renames leaves no final name on a file whose data may be lost.
void PutGroupInPlace(std::vector<SheetOutputBatch::Pending>& files, std::vector<SheetOutputBatch::Failure>& failures)
{
    if (files.empty())
        return;
    std::vector<std::string> folders;
    for (const SheetOutputBatch::Pending& file : files) {
        std::string folder = FolderOf(file.destination);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    }
    bool synced = true;
    for (const std::string& folder : folders)
        synced = native::SyncFileSystem(folder) == 0 && synced;
    // Where no call syncs the file system, or it failed, each file is synced: a failure
    // then names the file it concerns.
    std::vector<int> errors(files.size(), 0);
    for (std::size_t i = 0; !synced && i < files.size(); ++i) {
        if (native::SyncData(files[i].fd) != 0)
            errors[i] = errno;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (native::Close(files[i].fd) != 0 && errno != EINTR && errors[i] == 0)
            errors[i] = errno;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (errors[i] == 0)
            errors[i] = native::PutInPlace(files[i].temporary, files[i].destination);
        if (errors[i] != 0) {
            native::RemoveFile(files[i].temporary);
            failures.push_back({files[i].destination, SheetErrorFromErrno(errors[i])});
        }
    }
    for (const std::string& folder : folders)
        native::SyncFolder(folder);
    files.clear();
}

}  // namespace

SheetOutputBatch*& SheetOutputBatch::Open()
{
    static thread_local SheetOutputBatch* open = nullptr;
    return open;
}

SheetOutputBatch::SheetOutputBatch()
{
    if (!Open()) {
        Open() = this;
        open_ = true;
    }
}

SheetOutputBatch::~SheetOutputBatch()
{
    Commit();
}

// A full group is put in place on a thread of its own while the next one is written; the one
// before is waited for first, so groups go in place in order and two at most are open.
void SheetOutputBatch::Add(int fd, std::string temporary, std::string destination, uint64_t size)
{
    pending_.push_back({fd, std::move(temporary), std::move(destination)});
    pendingBytes_ += size;
    if (pending_.size() < kMostFiles && pendingBytes_ < kMostBytes)
        return;
    WaitForGroup();
    group_ = std::exchange(pending_, {});
    pendingBytes_ = 0;
    try {
        groupThread_ = std::thread([this] { PutGroupInPlace(group_, groupFailures_); });
    } catch (const std::system_error&) {
        PutGroupInPlace(group_, failures_);
    }
}

void SheetOutputBatch::WaitForGroup()
{
    if (groupThread_.joinable())
        groupThread_.join();
    failures_.insert(failures_.end(), groupFailures_.begin(), groupFailures_.end());
    groupFailures_.clear();
}

std::vector<SheetOutputBatch::Failure> SheetOutputBatch::Commit()
{
    WaitForGroup();
    PutGroupInPlace(pending_, failures_);
    End();
    return std::move(failures_);
}

void SheetOutputBatch::Abandon()
{
    WaitForGroup();
    for (const Pending& file : pending_) {
        native::Close(file.fd);
        native::RemoveFile(file.temporary);
    }
    pending_.clear();
    End();
}

void SheetOutputBatch::End()
{
    if (open_)
        Open() = nullptr;
    open_ = false;
    pendingBytes_ = 0;
}
