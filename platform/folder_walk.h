#pragma once

#include <functional>
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

// What a walk tells the one who walks, and asks of it. Every hook may be left empty.
struct FolderWalkHooks {
    std::function<bool()> stopped;                                // asked before each entry
    std::function<bool(const std::string& name)> skipFolder;     // a folder not to enter
    std::function<void(const std::string& path)> entered;        // a folder entered
    // A file listed in `folder`; false ends the whole walk at once.
    std::function<bool(const std::string& folder, const std::string& name)> file;
    // A folder that could not be entered, or listed to its end: it is left out.
    std::function<void(const std::string& path, EnterResult why)> unread;
    std::function<void()> afterEntry;                             // after each entry listed
};

// Walks `start`, open at `path`, depth first and in the order the file system lists each
// folder: a subfolder is searched whole as soon as the walk meets it. The folders being
// listed are held on a stack of their own, not the call stack, so depth costs memory only,
// and each is closed as the walk leaves it. A folder that cannot be entered or listed to its
// end goes to `unread` and the walk goes on without it; another volume mounted inside is not
// entered, and that is no failure. Subfolders' paths are `path`, `separator` and the name.
void WalkFolders(std::unique_ptr<FolderListing> start, std::string path, char separator, const FolderWalkHooks& hooks);

} // namespace platform
