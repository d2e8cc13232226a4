#include "pattern_file/viewer_launch.h"

#include "widgets/busy_pointer.h"
#include "widgets/message_box.h"
#include "platform/paths.h"
#include "platform/process_launch.h"
#include "widgets/path_text.h"

#include <QDir>

#ifdef Q_OS_WIN
const QString kViewerProgram = QStringLiteral("viewer.exe");
#else
const QString kViewerProgram = QStringLiteral("viewer");
#endif

namespace {
const QString kLaunchTitle = QStringLiteral("Quorvane 2");

// The folder as the user knows it: without the separator the program folder ends with,
// except at the root, where it belongs to the name.
QString ShownFolder(const QString& folder)
{
    return QDir::toNativeSeparators(QDir::cleanPath(QDir::fromNativeSeparators(folder)));
}

void ReportLaunchFailure(const QString& program, const QString& shownFolder, const platform::LaunchResult& result)
{
    const QString text = result.failure == platform::LaunchFailure::FileNotFound
        ? QStringLiteral("Could not locate ") + program + QStringLiteral(" in the current directory: ") + shownFolder
              + QStringLiteral(". You must load it there or set a DOS path to it.")
        : QStringLiteral("Error loading ") + program + QStringLiteral(": ") + result.description + u'.';
    widgets::ShowMessage(kLaunchTitle, text, widgets::MessageIcon::Exclamation);
}
} // namespace

QString WindowsCommandLine(const QString& folder, const QString& commandLine)
{
    QString rest = commandLine;
    const QString program = widgets::NextToken(rest);
    QString path = folder;
    if (!path.endsWith(u'\\'))
        path += u'\\';
    if (path.contains(u' '))
        return u'"' + path + program + QStringLiteral("\" ") + rest;
    return path + commandLine;
}

void RunProgram(const QString& commandLine)
{
    QString rest = commandLine;
    const QString program = widgets::NextToken(rest);

    widgets::SetBusyPointer(true);
    const QString folder = platform::ProgramFolder();
#ifdef Q_OS_WIN
    const platform::LaunchResult result = platform::StartCommandLine(WindowsCommandLine(folder, commandLine));
#else
    // The rest is one argument however many blanks it holds; no shell splits it.
    const QStringList arguments = rest.isEmpty() ? QStringList() : QStringList{rest};
    const platform::LaunchResult result = platform::StartProgram(folder + program, arguments);
#endif
    widgets::SetBusyPointer(false);

    if (!result.Started())
        ReportLaunchFailure(program, ShownFolder(folder), result);
}

void ViewPatternFile(const QString& patternFileName) { RunProgram(kViewerProgram + u' ' + patternFileName); }
