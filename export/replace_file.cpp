#include "export/replace_file.h"

#include "platform/native/native_file.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kTemporaryNameTries = 100;
constexpr std::size_t kLongestBaseInTemporaryName = 200;

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomSuffix()
{
    static std::mt19937 generator{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string suffix(8, ' ');
    for (auto& c : suffix)
        c = kLetters[pick(generator)];
    return suffix;
}

// A link stays a link: the file it points to is the one replaced.
std::string ResolveLinks(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)))
        return path;
    const auto target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target.string();
}

SheetError SyncFile(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return SheetErrorFromErrno(errno);
    const SheetError result = ::fsync(fd) == 0 ? kSheetOk : SheetErrorFromErrno(errno);
    ::close(fd);
    return result;
}

} // namespace

SheetError ReplaceFile::Create(const std::string& requestedPath)
{
    Discard();
    destination_ = ResolveLinks(requestedPath);
    const std::string base = BaseNameOf(destination_);
    if (base.empty() || base == "." || base == ".." || base.size() > NAME_MAX
        || destination_.find('\0') != std::string::npos)
        return kSheetBadFileName;
    struct stat existing {};
    if (::stat(destination_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return kSheetPathFileAccessError;

    const std::string stem = FolderOf(destination_) + "/." + base.substr(0, kLongestBaseInTemporaryName) + ".";
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        temporary_ = stem + RandomSuffix() + ".tmp";
        const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return kSheetOk;
        }
        if (errno != EEXIST)
            break;
    }
    const SheetError error = SheetErrorFromErrno(errno);
    temporary_.clear();
    return error;
}

SheetError ReplaceFile::Commit()
{
    if (temporary_.empty())
        return kSheetBadHandle;
    SheetError result = SyncFile(temporary_, O_RDONLY);
    if (result == kSheetOk) {
        if (const int failure = native::PutInPlace(temporary_, destination_))
            result = SheetErrorFromErrno(failure);
    }
    if (result != kSheetOk) {
        Discard();
        return result;
    }
    temporary_.clear();
    SyncFile(FolderOf(destination_), O_RDONLY | O_DIRECTORY);  // best effort: the rename is done
    return kSheetOk;
}

void ReplaceFile::Discard()
{
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}
