#pragma once

#include <memory>
#include <string>

namespace platform {

enum class FolderEntryKind { File, Folder, Other };
// Denied: closed to this user. OutOfHandles: the process has as many files and folders open
// as the system lets it.
enum class EnterResult { Entered, Denied, OtherVolume, OutOfHandles, Failed };

// One folder listed in the order the file system returns its entries, for a walk that stays
// on one volume. Hidden entries (a leading '.'; on Windows also the hidden and system
// attributes) are Other; a link or reparse point counts as the file it points to, and one to
// a folder is never entered, so no loop can trap a walk. Names and paths are 8-bit texts as
// QFile::encodeName makes them (the ANSI code page on Windows); an entry whose name that
// code page cannot spell is Other.
class FolderListing {
public:
    // Opens `path` ("" is the root folder); the volume it lies on is the walk's.
    static std::unique_ptr<FolderListing> Open(const std::string& path, EnterResult* result = nullptr);
    virtual ~FolderListing() = default;

    // The next entry; false at the end, with `failed` telling whether the listing broke off.
    virtual bool Next(std::string& name, FolderEntryKind& kind, bool& failed) = 0;
    // The subfolder `name` of this folder, when it lies on the walk's volume.
    virtual std::unique_ptr<FolderListing> Enter(const std::string& name, EnterResult& result) = 0;
};

} // namespace platform
