#include "process_launch.h"

#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform {

namespace {
#ifndef Q_OS_WIN
QString ErrnoText(int errorNumber) { return QString::fromLocal8Bit(std::strerror(errorNumber)); }
#endif
} // namespace

LaunchResult StartProgram(const QString& program, const QStringList& arguments)
{
    if (RecordedLaunches* recorder = RecordedLaunches::Current())
        return recorder->Ask({program, arguments, QString()});

    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (process.startDetached())
        return {};

    if (!QFileInfo::exists(program)) {
#ifdef Q_OS_WIN
        return {LaunchFailure::FileNotFound, QStringLiteral("The system cannot find the file specified")};
#else
        return {LaunchFailure::FileNotFound, ErrnoText(ENOENT)};
#endif
    }
    // Qt words it "<call>: <system text>"; the user needs only the system's part.
    QString description = process.errorString().section(QStringLiteral(": "), -1).trimmed();
    while (description.endsWith(u'.'))
        description.chop(1);
    return {LaunchFailure::Other, description};
}

#ifdef Q_OS_WIN
LaunchResult StartCommandLine(const QString& commandLine)
{
    if (RecordedLaunches* recorder = RecordedLaunches::Current())
        return recorder->Ask({QString(), QStringList(), commandLine});

    std::wstring line = commandLine.toStdWString();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        return {};
    }

    const DWORD error = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString description = text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("Error %1").arg(error);
    LocalFree(text);
    while (description.endsWith(u'.'))
        description.chop(1);
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return {missing ? LaunchFailure::FileNotFound : LaunchFailure::Other, description};
}
#endif

} // namespace platform
