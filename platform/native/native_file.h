#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Binary file access by descriptor, the same on every system: paths are texts as
// native::PathFromText reads them, failures return -1 (or an error number) with errno set
// to the POSIX value that comes closest. Descriptors are not inherited by child processes.
namespace native {

// The longest name one folder entry may have.
extern const std::size_t kLongestName;

enum class FileType { Missing, Regular, Folder, Device, Other };
FileType TypeOf(const std::string& path);

int OpenForReading(const std::string& path);
// Opens a regular file for reading. Anything else is refused at once, without waiting on a
// pipe for a writer or reading a device that never ends: -1 with the reason in `error`
// ("cannot open the file: ...", "cannot read the file: it is a folder", ...).
int OpenRegularForReading(const std::string& path, std::string& error);
int OpenForWriting(const std::string& path);  // an existing file or device, not truncated
int CreateNewFile(const std::string& path);  // fails with EEXIST when the name is taken, or is a link
// A new hidden file beside `destination` (".NAME.xxxxxxxx.tmp"), under a random name no one
// can plant a link at in advance; its name in `temporary`. The descriptor, or -1.
int CreateTemporaryBeside(const std::string& destination, std::string& temporary);
bool IsFolder(int fd);

// Results as read() and write(): bytes moved, or -1. WriteAt leaves the file position alone.
long long Read(int fd, void* buffer, std::size_t size);
long long Write(int fd, const void* data, std::size_t size);
long long WriteAt(int fd, const void* data, std::size_t size, uint64_t offset);
// Moves the file position: `origin` is SEEK_SET, SEEK_CUR or SEEK_END. The new position, or -1.
long long Seek(int fd, long long offset, int origin);
// Asks the disk to start writing a range now; a hint, where the system has it.
void StartWriteback(int fd, uint64_t offset, uint64_t size);
int Sync(int fd);
// The file's data and what is needed to read it back (its size), not its times.
int SyncData(int fd);
// Makes every file's data on the file system that holds `folder` durable in one call
// (syncfs on Linux, which reports a writeback error that no one has been told of yet).
// 0, an errno value, or ENOSYS where the system has no such call: sync each file then.
int SyncFileSystem(const std::string& folder);
int Close(int fd);

// Puts `from` in the place of `to` in one step, replacing a file there, whose permissions
// (and group, where allowed) `from` takes over; on failure `to` is as it was. 0 or an errno value. SyncFolder makes such a rename durable where the system
// needs it asked (best effort).
int PutInPlace(const std::string& from, const std::string& to);
void SyncFolder(const std::string& folder);
int RemoveFile(const std::string& path);

// An exclusive lock through the file at `path`, made for it (never through a link) and
// removed again by UnlockFile, which releases the lock: an advisory flock on POSIX, a handle
// that shares nothing and deletes the file on close on Windows. Another holder is waited for
// up to `waitMilliseconds`. The lock, or -1 with errno set: EWOULDBLOCK when it stayed held.
// A file left by a holder that was killed is taken over.
intptr_t LockFile(const std::string& path, int waitMilliseconds);
void UnlockFile(intptr_t lock, const std::string& path);

// `count` letters and digits drawn from the system's random source, for temporary names.
std::string RandomLetters(std::size_t count);

} // namespace native
