#include "platform/native/native_file.h"

#include "platform/native/native_path.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace native {

namespace {

constexpr int kTemporaryNameTries = 100;
constexpr std::size_t kLongestBaseInTemporaryName = 200;

int OpenFailed(std::string& error)
{
    error = std::string("cannot open the file: ") + std::strerror(errno);
    return -1;
}

int NotRegular(int fd, FileType type, std::string& error)
{
    Close(fd);
    error = type == FileType::Folder   ? "cannot read the file: it is a folder"
        : type == FileType::Device     ? "cannot read the file: it is a device, not a regular file"
                                       : "cannot read the file: it is a pipe or socket, not a regular file";
    return -1;
}

} // namespace


// Next to the destination so that the final rename stays on one file system.
int CreateTemporaryBeside(const std::string& destination, std::string& temporary)
{
    // The folder part is kept as written, with its separator: "C:name" has none.
    const auto slash = LastSeparator(destination);
    const std::string base = slash == std::string::npos ? destination : destination.substr(slash + 1);
    const std::string stem = (slash == std::string::npos ? std::string("./") : destination.substr(0, slash + 1))
        + "." + base.substr(0, kLongestBaseInTemporaryName) + ".";
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        temporary = stem + RandomLetters(8) + ".tmp";
        const int fd = CreateNewFile(temporary);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

namespace {

// Tries `attempt` until it succeeds, fails for another reason than `busy`, or the wait is over.
template <typename Attempt, typename Busy>
bool Retried(int waitMilliseconds, Attempt attempt, Busy busy)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(waitMilliseconds, 0));
    for (int pause = 1;; pause = std::min(pause * 2, 50)) {
        if (attempt())
            return true;
        if (!busy() || std::chrono::steady_clock::now() >= deadline)
            return false;
#if defined(_WIN32)
        Sleep(static_cast<DWORD>(pause));
#else
        ::usleep(static_cast<useconds_t>(pause) * 1000);
#endif
    }
}

} // namespace

#if defined(_WIN32)

namespace {

std::wstring Wide(const std::string& path)
{
    return PathFromText(path).wstring();
}

int OpenWide(const std::string& path, int flags)
{
    return ::_wopen(Wide(path).c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

// The POSIX error number closest to a Windows one, as the writer's results are chosen by it.
int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_READY:
        return EBUSY;
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    default:
        return EIO;
    }
}

} // namespace

const std::size_t kLongestName = 255;

FileType TypeOf(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FileType::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FileType::Folder : FileType::Regular;
}

int OpenForReading(const std::string& path) { return OpenWide(path, _O_RDONLY); }

int OpenRegularForReading(const std::string& path, std::string& error)
{
    // Windows opens no folder as a file: say what it is rather than "permission denied".
    if (TypeOf(path) == FileType::Folder) {
        error = "cannot read the file: it is a folder";
        return -1;
    }
    const int fd = OpenWide(path, _O_RDONLY);
    if (fd < 0)
        return OpenFailed(error);
    const DWORD type = GetFileType(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)));
    if (type != FILE_TYPE_DISK)
        return NotRegular(fd, type == FILE_TYPE_CHAR ? FileType::Device : FileType::Other, error);
    if (IsFolder(fd))
        return NotRegular(fd, FileType::Folder, error);
    return fd;
}
int OpenForWriting(const std::string& path) { return OpenWide(path, _O_WRONLY); }
int CreateNewFile(const std::string& path) { return OpenWide(path, _O_WRONLY | _O_CREAT | _O_EXCL); }

bool IsFolder(int fd)
{
    struct _stat64 info {};
    return ::_fstat64(fd, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFDIR;
}

// The C library moves at most INT_MAX bytes a call.
long long Read(int fd, void* buffer, std::size_t size)
{
    return ::_read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

long long Write(int fd, const void* data, std::size_t size)
{
    return ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

long long Seek(int fd, long long offset, int origin) { return ::_lseeki64(fd, offset, origin); }

long long WriteAt(int fd, const void* data, std::size_t size, uint64_t offset)
{
    const long long position = ::_lseeki64(fd, 0, SEEK_CUR);
    if (position < 0 || ::_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) < 0)
        return -1;
    const long long written = Write(fd, data, size);
    const int writeError = errno;
    if (::_lseeki64(fd, position, SEEK_SET) < 0)
        return -1;
    errno = writeError;
    return written;
}

void StartWriteback(int, uint64_t, uint64_t) {}

int Sync(int fd) { return ::_commit(fd); }
int SyncData(int fd) { return ::_commit(fd); }
// A volume is flushed whole only by an administrator.
int SyncFileSystem(const std::string&) { return ENOSYS; }
int Close(int fd) { return ::_close(fd); }

// MOVEFILE_WRITE_THROUGH returns once the move is on the disk, so there is no folder to sync.
int PutInPlace(const std::string& from, const std::string& to)
{
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return ErrnoOf(GetLastError());
}

void SyncFolder(const std::string&) {}

intptr_t LockFile(const std::string& path, int waitMilliseconds)
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = 0;
    const std::wstring name = Wide(path);
    const bool locked = Retried(
        waitMilliseconds,
        [&] {
            // No sharing: a second open fails until this handle is closed. A link is opened
            // as itself, never followed.
            handle = CreateFileW(name.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr);
            error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
            return handle != INVALID_HANDLE_VALUE;
        },
        // A file whose holder has just closed it may be denied until it is gone.
        [&] { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED; });
    if (locked)
        return reinterpret_cast<intptr_t>(handle);
    errno = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? EWOULDBLOCK : ErrnoOf(error);
    return -1;
}

void UnlockFile(intptr_t lock, const std::string&)
{
    if (lock != -1)
        CloseHandle(reinterpret_cast<HANDLE>(lock));  // which deletes the file
}

int RemoveFile(const std::string& path) { return ::_wunlink(Wide(path).c_str()); }

#else

const std::size_t kLongestName = NAME_MAX;

FileType TypeOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return FileType::Missing;
    if (S_ISREG(info.st_mode))
        return FileType::Regular;
    if (S_ISDIR(info.st_mode))
        return FileType::Folder;
    return S_ISCHR(info.st_mode) ? FileType::Device : FileType::Other;
}

int OpenForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

// O_NONBLOCK lets the open of a pipe return at once; the type is taken from what was opened,
// so nothing can be swapped in between.
int OpenRegularForReading(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return OpenFailed(error);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int why = errno;
        ::close(fd);
        errno = why;
        return OpenFailed(error);
    }
    if (!S_ISREG(info.st_mode))
        return NotRegular(fd, S_ISDIR(info.st_mode) ? FileType::Folder
                              : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? FileType::Device
                                                                               : FileType::Other,
                          error);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}
int OpenForWriting(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_CLOEXEC); }
int CreateNewFile(const std::string& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

bool IsFolder(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

long long Read(int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); }
long long Write(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }

long long Seek(int fd, long long offset, int origin) { return ::lseek(fd, static_cast<off_t>(offset), origin); }

long long WriteAt(int fd, const void* data, std::size_t size, uint64_t offset)
{
    return ::pwrite(fd, data, size, static_cast<off_t>(offset));
}

void StartWriteback(int fd, uint64_t offset, uint64_t size)
{
#ifdef __linux__
    ::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
#else
    (void)fd, (void)offset, (void)size;
#endif
}

int Sync(int fd) { return ::fsync(fd); }

int SyncData(int fd)
{
#ifdef __linux__
    return ::fdatasync(fd);
#else
    return ::fsync(fd);
#endif
}

int SyncFileSystem(const std::string& folder)
{
#ifdef __linux__
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::syncfs(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
#else
    (void)folder;
    return ENOSYS;
#endif
}
int Close(int fd) { return ::close(fd); }

int PutInPlace(const std::string& from, const std::string& to)
{
    // A file kept private stays private: the new one gets the old one's mode, not the umask's.
    struct stat earlier {};
    if (::lstat(to.c_str(), &earlier) == 0 && S_ISREG(earlier.st_mode)) {
        // The group first: changing it may clear the set-group-ID bit that the mode restores.
        if (::chown(from.c_str(), static_cast<uid_t>(-1), earlier.st_gid) != 0) {
            // Not a member of that group: the folder's or our own group stays.
        }
        if (::chmod(from.c_str(), earlier.st_mode & 07777) != 0)
            return errno;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the rename is done either way
        ::close(fd);
    }
}

int RemoveFile(const std::string& path) { return ::unlink(path.c_str()); }

intptr_t LockFile(const std::string& path, int waitMilliseconds)
{
    int fd = -1;
    const bool locked = Retried(
        waitMilliseconds,
        [&] {
            // Read-only is enough for flock.
            if (fd < 0 && (fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666)) < 0)
                return false;
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
                return false;
            // The holder before removes the file as it lets go: a lock on a file no longer at
            // the path locks out no one, so it is taken again on the file there now.
            struct stat held {};
            struct stat named {};
            if (::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev
                && held.st_ino == named.st_ino)
                return true;
            ::close(fd);
            fd = -1;
            errno = EWOULDBLOCK;
            return false;
        },
        [] { return errno == EWOULDBLOCK || errno == EINTR; });
    if (locked)
        return fd;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    errno = error;
    return -1;
}

void UnlockFile(intptr_t lock, const std::string& path)
{
    if (lock < 0)
        return;
    // Removed while still held, so no one takes a lock on it that the next writer would miss.
    ::unlink(path.c_str());
    ::close(static_cast<int>(lock));  // closing the last descriptor releases the flock
}

#endif

// No std::mt19937: a static Qt for Windows calls its own copy of that engine's code as if
// it kept registers that ours (linked first, compiled otherwise) does not keep.
std::string RandomLetters(std::size_t count)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::string letters(count, ' ');
    for (auto& c : letters)
        c = kLetters[device() % (sizeof kLetters - 1)];
    return letters;
}

} // namespace native
