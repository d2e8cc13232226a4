#include "file_system.h"

#include <QDir>
#include <QFile>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

bool CannotOpenForInput(const QString& path)
{
    if (path.isEmpty())
        return true;
#if defined(_WIN32)
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    file.close();
    return false;
#else
    // Non-blocking, so a named pipe without a writer does not hang the program.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true;
    struct stat info {};
    const bool isDirectory = ::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode);
    ::close(fd);
    return isDirectory;
#endif
}

QStringList ListDirectory(const QString& directory)
{
#if defined(_WIN32)
    const QDir::Filters filters = QDir::AllEntries | QDir::NoDotAndDotDot;
#else
    // System lists what Windows has no word for (pipes, sockets, dangling links).
    const QDir::Filters filters = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;
#endif
    return QDir(directory).entryList(filters, QDir::Name | QDir::IgnoreCase);
}

} // namespace platform
