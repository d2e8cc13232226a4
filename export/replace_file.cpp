#include "export/replace_file.h"

#include "platform/native/native_file.h"
#include "platform/native/native_path.h"

#include <cerrno>
#include <filesystem>

namespace {

constexpr int kTemporaryNameTries = 100;
constexpr std::size_t kLongestBaseInTemporaryName = 200;

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

// A link stays a link: the file it points to is the one replaced. (On Windows the path
// itself is replaced, as the sheet writer does.)
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

// The file is written by name by another library, so it is opened again to be made durable.
SheetError SyncFile(const std::string& path)
{
    const int fd = native::OpenForWriting(path);
    if (fd < 0)
        return SheetErrorFromErrno(errno);
    SheetError result = native::Sync(fd) == 0 ? kSheetOk : SheetErrorFromErrno(errno);
    if (native::Close(fd) != 0 && errno != EINTR && result == kSheetOk)
        result = SheetErrorFromErrno(errno);
    return result;
}

} // namespace

SheetError ReplaceFile::Create(const std::string& requestedPath)
{
    Discard();
    destination_ = ResolveLinks(requestedPath);
    const std::string base = BaseNameOf(destination_);
    if (base.empty() || base == "." || base == ".." || base.size() > native::kLongestName
        || destination_.find('\0') != std::string::npos)
        return kSheetBadFileName;
    const native::FileType existing = native::TypeOf(destination_);
    if (existing != native::FileType::Missing && existing != native::FileType::Regular)
        return kSheetPathFileAccessError;

    // Hidden, next to the destination so that the rename stays on one file system; the
    // folder part is kept as written, with its separator ("C:name" has none).
    const auto slash = native::LastSeparator(destination_);
    const std::string stem = (slash == std::string::npos ? std::string("./") : destination_.substr(0, slash + 1))
        + "." + base.substr(0, kLongestBaseInTemporaryName) + ".";
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        temporary_ = stem + native::RandomLetters(8) + ".tmp";
        const int fd = native::CreateNewFile(temporary_);
        if (fd >= 0) {
            native::Close(fd);
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
    SheetError result = SyncFile(temporary_);
    if (result == kSheetOk) {
        if (const int failure = native::PutInPlace(temporary_, destination_))
            result = SheetErrorFromErrno(failure);
    }
    if (result != kSheetOk) {
        Discard();
        return result;
    }
    temporary_.clear();
    native::SyncFolder(FolderOf(destination_));
    return kSheetOk;
}

void ReplaceFile::Discard()
{
    if (!temporary_.empty()) {
        native::RemoveFile(temporary_);
        temporary_.clear();
    }
}
