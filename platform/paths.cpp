#include "paths.h"

#include <QCoreApplication>
#include <QDir>

#if defined(_WIN32)
#include <direct.h>
#endif

namespace platform {

qsizetype LastSeparator(const QString& path)
{
    return path.lastIndexOf(kPathSeparator);
}

QString WithTrailingSeparator(const QString& folder)
{
    return folder.endsWith(kPathSeparator) ? folder : folder + kPathSeparator;
}

bool ChangeDrive(const QString& path)
{
#if defined(_WIN32)
    if (path.size() < 2 || path.at(1) != QLatin1Char(':') || !path.at(0).isLetter())
        return true;
    return _chdrive(path.at(0).toUpper().unicode() - u'A' + 1) == 0;
#else
    Q_UNUSED(path);
    return true;
#endif
}

bool ChangeDirectory(const QString& directory)
{
    return ChangeDrive(directory) && QDir::setCurrent(directory);
}

QString ProgramDirectory()
{
    const QString forced = qEnvironmentVariable("TESSAPORT_PROGRAM_DIR");
    if (!forced.isEmpty())
        return forced;
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

QString ProgramFolder()
{
    return WithTrailingSeparator(QDir::toNativeSeparators(ProgramDirectory()));
}

} // namespace platform
