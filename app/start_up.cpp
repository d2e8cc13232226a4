#include "start_up.h"

#include "app/data_dir_list.h"
#include "app/main_window.h"
#include "widgets/path_text.h"
#include "omega/data_library.h"
#include "main_window/security_search.h"
#include "widgets/file_dialog.h"
#include "platform/file_system.h"
#include "widgets/message_box.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/registry_file.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int32_t kMainWindowHelpContext = 5616;
constexpr int kMarginBelowMainPanel = 90;

const QString kTradeStationExe = QStringLiteral("ts32.exe");
const QString kPreferredDataDir = QStringLiteral("USStock");

QString NoRegistryEntry()
{
    return QStringLiteral("The Windows registry does not have information that ")
         + QStringLiteral("TradeStation Rel. 5.0 is installed. You must have ")
         + QStringLiteral("TradeStation Rel. 5.0 or higher installed on your computer ")
         + QStringLiteral("in order to run Tessaport Module.");
}

QString ProgramDirNotFound(const QString& tradeStationDir)
{
    return QStringLiteral("TradeStation program directory '") + tradeStationDir + QStringLiteral("' not found. Try to ")
         + QStringLiteral("reinstall Omega Research product, then run Tessaport module again.");
}

QString LibraryAbsent(const QString& tradeStationDir)
{
    return QStringLiteral("Unable to run Tessaport module: file FMGR32.DLL ") + QStringLiteral("is absent in '")
         + tradeStationDir + QStringLiteral("' directory.");
}

QString NoDataDirs(const QString& omegaRootDir)
{
    return QStringLiteral("No Omega data subdirectories found in path ") + omegaRootDir + platform::kPathSeparator
         + QStringLiteral("Data. Try to reinstall Omega Research product, then run ")
         + QStringLiteral("Tessaport module again.");
}

// Where there is no Windows registry, the message box cannot say which file it read, so
// the person setting the machine up learns it on the standard error.
void ReportRegistryFiles()
{
#if !defined(_WIN32)
    const QString key = platform::AppPathKey(kTradeStationExe);
    QString text = QStringLiteral("tessaport: no \"Path\" value under [%1] in a registry file.\n").arg(key)
                 + QStringLiteral("Registry files tried:\n");
    for (const QString& line : platform::DescribeRegistryFiles(key, QStringLiteral("Path")))
        text += QStringLiteral("  ") + line + QLatin1Char('\n');
    text += QStringLiteral("See \"man tessaport\" for how to write one.\n");
    std::fputs(text.toLocal8Bit().constData(), stderr);
#endif
}

// A path as a message shows it: a control character in a name written as \xNN, so that a
// line break cannot pass for the end of the name.
QString ShownPath(const QString& path)
{
    QString shown;
    for (const QChar c : path) {
        if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

// Asks for the installation's folder (the one holding Program and Data) and writes the
// registry file that names it; its Program folder, or nothing when the user cancels or the
// file cannot be written.
QString ChooseInstallation()
{
    widgets::FileDialogRequest request;
    request.mode = widgets::FileDialogMode::Folder;
    request.title = QStringLiteral("Choose the Installation Folder (It Holds Program and Data)");
    request.directory = QDir::homePath();
    for (;;) {
        const std::optional<QString> chosen = widgets::RunFileDialog(nullptr, request);
        if (!chosen || chosen->isEmpty())
            return {};
        const QString folder = QDir::cleanPath(*chosen);
        const QString program = folder + platform::kPathSeparator + QStringLiteral("Program");
        if (!QFileInfo(program).isDir() || !QFileInfo(folder + platform::kPathSeparator + QStringLiteral("Data")).isDir()) {
            widgets::ShowMessage(MainWindow::kTitle,
                                  QStringLiteral("The folder ") + folder
                                      + QStringLiteral(" holds no Program and Data folders. Choose the folder of the ")
                                      + QStringLiteral("installation, the one that holds both."),
                                  widgets::MessageIcon::Exclamation);
            request.directory = folder;
            continue;
        }
        const QString problem = platform::RegistryTextProblem(program);
        if (!problem.isEmpty()) {
            widgets::ShowMessage(MainWindow::kTitle,
                                  QStringLiteral("The folder ") + ShownPath(folder)
                                      + QStringLiteral(" cannot be named in the registry file: ") + problem
                                      + QStringLiteral(". Rename it, or choose another folder."),
                                  widgets::MessageIcon::Exclamation);
            continue;
        }
        const QString file = platform::RegistryFileLocations().constFirst();
        QString error;
        if (!platform::WriteRegistryFile(file, platform::AppPathKey(kTradeStationExe), QStringLiteral("Path"), program,
                                         error)) {
            widgets::ShowMessage(MainWindow::kTitle,
                                  QStringLiteral("Cannot write the registry file ") + file + QStringLiteral(": ") + error,
                                  widgets::MessageIcon::Critical);
            return {};
        }
        return program;
    }
}

StartUpOutcome Fatal(const QString& text)
{
    widgets::ShowMessage(MainWindow::kTitle, text, widgets::MessageIcon::Critical);
    return StartUpOutcome::Fatal;
}

// Every subdirectory of the data root, and every entry that cannot be opened as a
// file, which is how a directory was told from a file where this began.
void DiscoverDataDirs(ProgramState& state, const QString& dataRoot)
{
    state.dataDirs.clear();
    for (const QString& name : platform::ListDirectory(dataRoot)) {
        const QString path = dataRoot + platform::kPathSeparator + name;
        if (!platform::CannotOpenForInput(path) || name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        if (state.dataDirs.size() == kMaxDataDirs)
            break;
        state.dataDirs.append(path);
    }
}

} // namespace

StartUpOutcome OpenMainWindow(MainWindow& window, const StartUpEnvironment& environment)
{
    ProgramState& state = window.State();
    const MainWindowControls& controls = window.Controls();

#if defined(_WIN32)
    const platform::Registry& registry = environment.registry ? *environment.registry : platform::SystemRegistry();
#else
    // Read at every start, so that a file the first-start chooser wrote counts.
    const platform::RegistryFile fileRegistry = platform::RegistryFile::Load(platform::RegistryFilePath());
    const platform::Registry& registry = environment.registry ? *environment.registry : fileRegistry;
#endif
    state.tradeStationDir = platform::GetAppPath(registry, kTradeStationExe);
    if (state.tradeStationDir.isEmpty()) {
        if (environment.registry)
            return Fatal(NoRegistryEntry());
        ReportRegistryFiles();
#if defined(_WIN32)
        return Fatal(NoRegistryEntry());
#else
        // Where no registry file names the installation (none is there, or the one there
        // cannot be read or names none), the chooser asks for it: a broken file must not
        // keep the program from starting for good.
        Fatal(NoRegistryEntry());
#endif
        state.tradeStationDir = ChooseInstallation();
        if (state.tradeStationDir.isEmpty())
            return StartUpOutcome::Fatal;
    }

    // Without a separator there is no folder to find the data beside; a file of that
    // name cannot be worked in.
    const qsizetype lastSeparator = platform::LastSeparator(state.tradeStationDir);
    if (lastSeparator < 0 || !QFileInfo(state.tradeStationDir).isDir())
        return Fatal(ProgramDirNotFound(state.tradeStationDir));

    const QString library = QDir(environment.programFolder).filePath(omega::DataLibrary::FileName());
    if (omega::TheDataLibrary().Probe(library) == 2)
        return Fatal(LibraryAbsent(state.tradeStationDir));

    if (!platform::ChangeDirectory(state.tradeStationDir))
        return Fatal(ProgramDirNotFound(state.tradeStationDir));

    omega::TheDataLibrary().Initialize();

    state.omegaRootDir = state.tradeStationDir.left(lastSeparator);

    window.CentreHorizontally();
    window.FitStatusLineBelowMainPanel(kMarginBelowMainPanel);

    state.helpContext = kMainWindowHelpContext;

    QString commandLine = environment.commandLine;
    state.patternFileName = widgets::NextToken(commandLine);
    // Upper case is the same file only where file names ignore letter case.
    if (platform::kFileNamesIgnoreCase)
        state.patternFileName = state.patternFileName.toUpper();
    if (state.patternFileName.isEmpty())
        controls.viewPatternFileAction()->setEnabled(false);
    controls.patternFileLabel()->setText(widgets::ShortenPath(state.patternFileName, window, controls.patternFileLabel()->width()));

    // The launching host may pass a number for the window. Nothing in the program reads
    // it: it is kept as the window's help context property, where the host (and its
    // help or automation tools) can read it back, while our own help keeps helpContext.
    const std::optional<int32_t> hostNumber = widgets::LeadingWholeNumber(widgets::NextToken(commandLine));
    if (hostNumber && *hostNumber != 0)
        window.setProperty(MainWindow::kHostHelpContextProperty, *hostNumber);

    const QString dataRoot = state.omegaRootDir + platform::kPathSeparator + QStringLiteral("Data");
    DiscoverDataDirs(state, dataRoot);

    window.DataDirs().Fill();
    if (controls.dataDirCombo()->count() == 0)
        return Fatal(NoDataDirs(state.omegaRootDir));

    const QString preferred = dataRoot + platform::kPathSeparator + kPreferredDataDir;
    for (int i = 0; i < controls.dataDirCombo()->count(); ++i) {
        if (controls.dataDirCombo()->itemText(i).compare(preferred, Qt::CaseInsensitive) == 0) {
            window.DataDirs().SelectEntry(i);
            state.currentDataDir = controls.dataDirCombo()->itemText(i);
        }
    }
    state.previousDataDir = state.currentDataDir;
    controls.currentDataDirLabel()->setText(state.currentDataDir);

    state.interruptRequested = false;
    state.securityTableLoaded = false;
    state.mode = ImportMode::SingleSecurity;
    controls.modeAction(ImportMode::SingleSecurity)->setChecked(true);
    controls.modeAction(ImportMode::SecurityList)->setChecked(false);
    window.WhileResizable([&] { window.Search().ApplyMode(state.mode); });

    window.CentreOnScreen();
    window.show();
    window.activateWindow();
    controls.symbolEdit()->setFocus();
    return StartUpOutcome::Shown;
}

QString JoinCommandLine(const QStringList& arguments)
{
    QStringList words;
    for (const QString& argument : arguments) {
        // An empty argument is a word too: unquoted it would vanish and move the next one up.
        const bool quote = (argument.isEmpty() || argument.contains(QLatin1Char(' ')))
                        && !argument.contains(QLatin1Char('"'));
        words.append(quote ? QLatin1Char('"') + argument + QLatin1Char('"') : argument);
    }
    return words.join(QLatin1Char(' '));
}
