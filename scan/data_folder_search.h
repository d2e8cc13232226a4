#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace scan {

// How the caller follows and steers a search; any of them may be left empty.
struct DataFolderSearchHooks {
    // Asked before each entry: true ends the search there, keeping what was found.
    std::function<bool()> stopRequested;
    // A folder that holds a database header file, with its number of securities; a folder
    // is reported each time the search meets it.
    std::function<void(const QString& folder, int16_t securities)> found;
    // The folder entered last, at the start, after each find and otherwise at most every
    // few milliseconds: the moment to show it and let pending events run.
    std::function<void(const QString& folder)> progress;
};

struct DataFolderSearchOutcome {
    int32_t foldersSearched = 0;  // below the start folder
    int32_t filesChecked = 0;
    // Folders the search could not enter or list to the end, and the first of them with why
    // ("access denied", ...).
    int unreadFolders = 0;
    QString firstUnread;
    QString firstUnreadWhy;
    // The program folder could not be made the working folder, so nothing could be counted.
    bool endedEarly = false;
};

// Searches a place for data folders: folders that directly hold a database header file.
// It stays on the volume it starts on, leaves out Windows' own folders and hidden entries,
// and counts each data folder's securities through the data-access library, run from the
// program folder. Paths are given and reported in the system's separators. No window:
// the caller shows the progress and the finds.
class DataFolderSearch {
public:
    // `programFolder` is the working folder the library counts from; the data root below
    // `installationRoot` is what is searched of the system volume.
    DataFolderSearch(QString programFolder, QString installationRoot);

    // Searches `place`, a volume or folder as the scanner offers it: the system volume is
    // never walked whole, only the installation's data root.
    DataFolderSearchOutcome Search(const QString& place, const DataFolderSearchHooks& hooks) const;
    // Searches `path` and everything below it on its volume. An empty path stands for the
    // root folder, as a bare drive does.
    DataFolderSearchOutcome SearchFolder(const QString& path, const DataFolderSearchHooks& hooks) const;

    // Number of securities in the header file of `folder`, 0 when there is none.
    // `switched` tells whether the program folder could be made the working folder.
    int16_t CountSecurities(const QString& folder, bool* switched = nullptr) const;

    // Whether `volume` can be listed at all (a drive without a disk cannot).
    static bool IsReady(const QString& volume);

private:
    QString programFolder_;
    QString installationRoot_;
};

} // namespace scan
