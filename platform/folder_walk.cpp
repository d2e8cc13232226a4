#include "platform/folder_walk.h"

#include <vector>

#if defined(_WIN32)
#include "platform/native/native_path.h"

#include <windows.h>
#else
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

#if defined(_WIN32)

// The 8-bit text of a name, or nothing when the ANSI code page cannot spell it.
bool AnsiName(const wchar_t* wide, std::string& name)
{
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy)
        return false;
    name.assign(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, name.data(), length, nullptr, nullptr);
    name.pop_back();  // the NUL
    return true;
}

EnterResult ResultOf(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return EnterResult::Denied;
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
        return EnterResult::OutOfHandles;
    default:
        return EnterResult::Failed;
    }
}

class WindowsListing final : public FolderListing {
public:
    static std::unique_ptr<WindowsListing> Open(const std::wstring& folder, DWORD volume, bool anyVolume,
                                                EnterResult& result)
    {
        // Open the folder itself first: its volume tells whether the walk may go in.
        // A bare drive ("C:") means its root here, not its current folder.
        const std::wstring opened = folder.empty() || folder.back() == L':' ? folder + L"\\" : folder;
        const HANDLE handle = CreateFileW(opened.c_str(), 0,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            result = ResultOf(GetLastError());
            return nullptr;
        }
        DWORD serial = 0;
        const bool known = GetVolumeInformationByHandleW(handle, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
        CloseHandle(handle);
        if (!known || (!anyVolume && serial != volume)) {
            result = known ? EnterResult::OtherVolume : EnterResult::Failed;
            return nullptr;
        }
        std::unique_ptr<WindowsListing> listing(new WindowsListing(folder, serial));
        listing->find_ = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &listing->data_,
                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (listing->find_ == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            result = ResultOf(error);
            if (error != ERROR_FILE_NOT_FOUND)
                return nullptr;
            listing->ended_ = true;  // a root folder with nothing in it
        }
        result = EnterResult::Entered;
        return listing;
    }

    ~WindowsListing() override
    {
        if (find_ != INVALID_HANDLE_VALUE)
            FindClose(find_);
    }

    bool Next(std::string& name, FolderEntryKind& kind, bool& failed) override
    {
        failed = false;
        if (ended_)
            return false;
        if (pending_) {
            pending_ = false;
        } else if (!FindNextFileW(find_, &data_)) {
            failed = GetLastError() != ERROR_NO_MORE_FILES;
            ended_ = true;
            return false;
        }
        const DWORD attributes = data_.dwFileAttributes;
        if (!AnsiName(data_.cFileName, name) || name.empty() || name[0] == '.'
            || (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            kind = FolderEntryKind::Other;
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            kind = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? FolderEntryKind::Other : FolderEntryKind::Folder;
        else
            kind = FolderEntryKind::File;
        return true;
    }

    std::unique_ptr<FolderListing> Enter(const std::string& name, EnterResult& result) override
    {
        return Open(folder_ + L"\\" + native::PathFromText(name).wstring(), volume_, false, result);
    }

private:
    WindowsListing(std::wstring folder, DWORD volume) : folder_(std::move(folder)), volume_(volume) {}

    std::wstring folder_;
    DWORD volume_;
    HANDLE find_ = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data_{};
    bool pending_ = true;  // FindFirstFileExW has already delivered the first entry
    bool ended_ = false;
};

#else

EnterResult ResultOf(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return EnterResult::Denied;
    case EMFILE:
    case ENFILE:
    case ENOMEM:
        return EnterResult::OutOfHandles;
    default:
        return EnterResult::Failed;
    }
}

class PosixListing final : public FolderListing {
public:
    PosixListing(DIR* folder, dev_t volume) : folder_(folder), volume_(volume) {}
    ~PosixListing() override { closedir(folder_); }

    bool Next(std::string& name, FolderEntryKind& kind, bool& failed) override
    {
        failed = false;
        errno = 0;
        const dirent* entry = readdir(folder_);
        if (!entry) {
            failed = errno != 0;
            return false;
        }
        name = entry->d_name;
        return KindOf(*entry, kind, failed);
    }

    std::unique_ptr<FolderListing> Enter(const std::string& name, EnterResult& result) override
    {
        const int fd = openat(dirfd(folder_), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            result = ResultOf(errno);
            return nullptr;
        }
        return Adopt(fd, volume_, false, result);
    }

    static std::unique_ptr<FolderListing> Adopt(int fd, dev_t volume, bool anyVolume, EnterResult& result)
    {
        struct stat status {};
        const bool known = fstat(fd, &status) == 0;
        if (!known || (!anyVolume && status.st_dev != volume)) {
            // Another volume mounted here is not part of this one.
            result = known ? EnterResult::OtherVolume : EnterResult::Failed;
            ::close(fd);
            return nullptr;
        }
        DIR* folder = fdopendir(fd);
        if (!folder) {
            result = ResultOf(errno);
            ::close(fd);
            return nullptr;
        }
        result = EnterResult::Entered;
        return std::make_unique<PosixListing>(folder, status.st_dev);
    }

private:
    // What the walk makes of one listed entry; false with `failed` when it cannot be told.
    bool KindOf(const dirent& entry, FolderEntryKind& kind, bool& failed) const
    {
        const char* name = entry.d_name;
        const int folderFd = dirfd(folder_);
        kind = FolderEntryKind::Other;
        if (name[0] == '.')
            return true;  // ".", ".." and hidden entries are not listed
        struct stat status {};
        switch (entry.d_type) {
        case DT_DIR:
            kind = FolderEntryKind::Folder;
            return true;
        case DT_REG:
            kind = FolderEntryKind::File;
            return true;
        case DT_LNK:
            break;
        case DT_UNKNOWN:
            if (fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                failed = true;
                return false;
            }
            if (S_ISDIR(status.st_mode))
                kind = FolderEntryKind::Folder;
            else if (S_ISREG(status.st_mode))
                kind = FolderEntryKind::File;
            if (!S_ISLNK(status.st_mode))
                return true;
            break;
        default:
            return true;
        }
        // A dangling link is nothing to list, not a failure.
        if (fstatat(folderFd, name, &status, 0) == 0 && S_ISREG(status.st_mode))
            kind = FolderEntryKind::File;
        return true;
    }

    DIR* folder_;
    dev_t volume_;
};

#endif

} // namespace

std::unique_ptr<FolderListing> FolderListing::Open(const std::string& path, EnterResult* result)
{
    EnterResult ignored = EnterResult::Failed;
    EnterResult& outcome = result ? *result : ignored;
#if defined(_WIN32)
    return WindowsListing::Open(native::PathFromText(path).wstring(), 0, true, outcome);
#else
    const int fd = ::open(path.empty() ? "/" : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        outcome = ResultOf(errno);
        return nullptr;
    }
    return PosixListing::Adopt(fd, 0, true, outcome);
#endif
}

void WalkFolders(std::unique_ptr<FolderListing> start, std::string path, char separator, const FolderWalkHooks& hooks)
{
    struct Level {
        std::unique_ptr<FolderListing> listing;
        size_t pathLength;
    };
    std::vector<Level> levels;
    levels.push_back({std::move(start), path.size()});
    std::string name;
    FolderEntryKind kind = FolderEntryKind::Other;
    bool failed = false;
    while (!levels.empty() && !(hooks.stopped && hooks.stopped())) {
        Level& level = levels.back();
        path.resize(level.pathLength);
        if (!level.listing->Next(name, kind, failed)) {
            if (failed && hooks.unread)
                hooks.unread(path, EnterResult::Failed);
            levels.pop_back();
            continue;
        }
        if (kind == FolderEntryKind::File) {
            if (hooks.file && !hooks.file(path, name))
                return;
        } else if (kind == FolderEntryKind::Folder && !(hooks.skipFolder && hooks.skipFolder(name))) {
            EnterResult entered = EnterResult::Failed;
            auto subfolder = level.listing->Enter(name, entered);
            path.append(1, separator).append(name);
            if (subfolder) {
                if (hooks.entered)
                    hooks.entered(path);
                levels.push_back({std::move(subfolder), path.size()});
            } else if (entered != EnterResult::OtherVolume && hooks.unread) {
                hooks.unread(path, entered);
            }
        }
        if (hooks.afterEntry)
            hooks.afterEntry();
    }
}

} // namespace platform
