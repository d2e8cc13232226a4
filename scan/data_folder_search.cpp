#include "data_folder_search.h"

#include "drive_list.h"
#include "omega/data_library.h"
#include "platform/folder_walk.h"
#include "platform/paths.h"
#include "platform/working_directory.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <climits>
#include <string>
#include <utility>

#include <strings.h>

namespace scan {

namespace {

constexpr char kHeaderFileName[] = "master.omg";
// Progress is reported at most every few milliseconds; the clock is read only every few
// entries.
constexpr auto kProgressInterval = std::chrono::milliseconds(20);
constexpr int kEntriesPerClockCheck = 32;

constexpr char kSeparator = static_cast<char>(platform::kPathSeparator.unicode());

QString DisplayPath(const std::string& path)
{
    if (path.empty())
        return QString(platform::kPathSeparator);
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

bool IsSystemFolderName(const char* name)
{
    return strcasecmp(name, "windows") == 0 || strcasecmp(name, "winnt") == 0;
}

// One search's counts and the folder it is in.
class Walk {
public:
    Walk(const DataFolderSearch& search, const DataFolderSearchHooks& hooks) : search_(search), hooks_(hooks) {}

    DataFolderSearchOutcome Run(const std::string& start)
    {
        Enter(start);
        ReportProgress();
        platform::EnterResult opened = platform::EnterResult::Failed;
        auto listing = platform::FolderListing::Open(start, &opened);
        if (!listing) {
            NoteUnread(start, opened);
            return outcome_;
        }
        platform::FolderWalkHooks walk;
        walk.stopped = [this] { return hooks_.stopRequested && hooks_.stopRequested(); };
        walk.skipFolder = [](const std::string& name) { return IsSystemFolderName(name.c_str()); };
        walk.entered = [this](const std::string& folder) {
            ++outcome_.foldersSearched;
            Enter(folder);
        };
        walk.file = [this](const std::string& folder, const std::string& name) {
            ++outcome_.filesChecked;
            // Without the program's folder as the working folder no count can be made.
            if (strcasecmp(name.c_str(), kHeaderFileName) == 0 && !RecordDataFolder(folder)) {
                outcome_.endedEarly = true;
                return false;
            }
            return true;
        };
        walk.unread = [this](const std::string& folder, platform::EnterResult why) { NoteUnread(folder, why); };
        walk.afterEntry = [this] { ReportProgressIfDue(); };
        platform::WalkFolders(std::move(listing), start, kSeparator, walk);
        return outcome_;
    }

private:
    void Enter(const std::string& path)
    {
        folder_ = path;
        folderShown_ = false;
    }

    bool RecordDataFolder(const std::string& path)
    {
        const QString folder = DisplayPath(path);
        bool switched = true;
        const int16_t count = search_.CountSecurities(folder, &switched);
        if (hooks_.found)
            hooks_.found(folder, count);
        ReportProgress();  // a new find shows at once
        return switched;
    }

    void NoteUnread(const std::string& path, platform::EnterResult result)
    {
        if (outcome_.unreadFolders++ > 0)
            return;
        const char* why = result == platform::EnterResult::Denied         ? "access denied"
                        : result == platform::EnterResult::OutOfHandles ? "too many folders open at once"
                                                                          : "it could not be read";
        outcome_.firstUnread = DisplayPath(path);
        outcome_.firstUnreadWhy = QLatin1String(why);
    }

    void ReportProgress()
    {
        // The folder's text is made only when it changed since the last report.
        if (!folderShown_) {
            shownFolder_ = DisplayPath(folder_);
            folderShown_ = true;
        }
        if (hooks_.progress)
            hooks_.progress(shownFolder_);
        lastProgress_ = std::chrono::steady_clock::now();
        entriesUntilClockCheck_ = kEntriesPerClockCheck;
    }

    void ReportProgressIfDue()
    {
        if (--entriesUntilClockCheck_ > 0)
            return;
        entriesUntilClockCheck_ = kEntriesPerClockCheck;
        if (std::chrono::steady_clock::now() - lastProgress_ >= kProgressInterval)
            ReportProgress();
    }

    const DataFolderSearch& search_;
    const DataFolderSearchHooks& hooks_;
    DataFolderSearchOutcome outcome_;
    std::string folder_;
    bool folderShown_ = false;
    QString shownFolder_;
    std::chrono::steady_clock::time_point lastProgress_;
    int entriesUntilClockCheck_ = kEntriesPerClockCheck;
};

} // namespace

DataFolderSearch::DataFolderSearch(QString programFolder, QString installationRoot)
    : programFolder_(std::move(programFolder)), installationRoot_(std::move(installationRoot))
{
}

DataFolderSearchOutcome DataFolderSearch::Search(const QString& place, const DataFolderSearchHooks& hooks) const
{
    return SearchFolder(place == SystemVolume() ? QDir::cleanPath(installationRoot_ + QStringLiteral("/Data")) : place,
                        hooks);
}

DataFolderSearchOutcome DataFolderSearch::SearchFolder(const QString& path, const DataFolderSearchHooks& hooks) const
{
    std::string folder = QFile::encodeName(QDir::toNativeSeparators(path)).toStdString();
    while (!folder.empty() && (folder.back() == '/' || folder.back() == kSeparator))
        folder.pop_back();
    return Walk(*this, hooks).Run(folder);
}

int16_t DataFolderSearch::CountSecurities(const QString& folder, bool* switched) const
{
    platform::WorkingDirectoryScope directory(programFolder_);
    if (switched)
        *switched = directory.Switched();
    FileContext context{};
    const QByteArray path = QFile::encodeName(folder);
    const int32_t count = omega::TheDataLibrary().OpenHeaderFile(path.constData(), &context);
    omega::TheDataLibrary().CloseHeaderFile(&context);
    return static_cast<int16_t>(std::clamp<int32_t>(count, 0, INT16_MAX));
}

bool DataFolderSearch::IsReady(const QString& volume)
{
    const auto root = platform::FolderListing::Open(QFile::encodeName(volume).toStdString());
    std::string name;
    platform::FolderEntryKind kind;
    bool failed = false;
    if (root)
        root->Next(name, kind, failed);
    return root && !failed;
}

} // namespace scan
