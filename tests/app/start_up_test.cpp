#include "installation.h"
#include "case_name.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScopeGuard>

#include "widgets/file_dialog.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/registry_file.h"
#include "platform/working_directory.h"

#include <functional>

namespace {

using app_test::Installation;
using app_test::Native;
using widgets::MessageIcon;

const QString kTitle = QStringLiteral("Tessaport");

const QString kNotInstalled = QStringLiteral("The Windows registry does not have information that TradeStation Rel. "
                                             "5.0 is installed. You must have TradeStation Rel. 5.0 or higher "
                                             "installed on your computer in order to run Tessaport Module.");
const auto NotInstalledText = [](const Installation&) { return kNotInstalled; };
const QString kReinstall = QStringLiteral(" Try to reinstall Omega Research product, then run Tessaport module again.");
QString NotFoundText(const QString& dir) { return "TradeStation program directory '" + dir + "' not found." + kReinstall; }
QString NoDataText(const Installation& i)
{
    return "No Omega data subdirectories found in path " + Native(i.DataRoot()) + "." + kReinstall;
}

struct FatalCase : NamedCase<FatalCase> {
    // Spoils the installation; returns the folder to load the library from.
    std::function<QString(Installation&)> spoil;
    std::function<QString(const Installation&)> text;
};

const QString kBuild = QStringLiteral(TESSAPORT_PROGRAM_DIR);

class FatalStartUp : public testing::TestWithParam<FatalCase> {};

TEST_P(FatalStartUp, ShowsItsCriticalMessageAndNeverTheWindow)
{
    Installation installation;
    installation.AddDataDir(QStringLiteral("USStock"));
    const app_test::StartUp started = app_test::Start(installation, {}, GetParam().spoil(installation));

    EXPECT_EQ(started.outcome, StartUpOutcome::Fatal);
    ASSERT_EQ(started.messages.size(), 1u);
    const widgets::Message& m = started.messages[0];
    EXPECT_EQ(std::tuple(m.title, m.text, m.icon),
              std::tuple(kTitle, GetParam().text(installation), MessageIcon::Critical));
    for (const QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible()) << widget->objectName().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FatalStartUp,
    testing::Values(
        FatalCase{"no_registry_file", [](Installation& i) { QFile::remove(i.RegistryFile()); return kBuild; },
                  NotInstalledText},
        FatalCase{"program_dir_missing", [](Installation& i) { i.WriteRegistryPath(i.Root() + "/Gone"); return kBuild; },
                  [](const Installation& i) { return NotFoundText(Native(i.Root() + "/Gone")); }},
        FatalCase{"program_dir_without_separator", [](Installation& i) { i.WriteRegistryPath("Program"); return kBuild; },
                  [](const Installation&) { return NotFoundText("Program"); }},
        FatalCase{"library_absent", [](Installation& i) { return i.Temp(); }, [](const Installation& i) {
                      return "Unable to run Tessaport module: file FMGR32.DLL is absent in '" + Native(i.ProgramDir())
                           + "' directory."; }},
        FatalCase{"data_root_missing", [](Installation& i) { QDir(i.DataRoot()).removeRecursively(); return kBuild; },
                  NoDataText}),

    CaseName());

TEST(StartUp, PrefersUSStockInAnyCaseAndListsEveryEntryThatIsNotAFile)
{
    Installation installation;
    const QString data = Native(installation.DataRoot() + "/");
    for (const char* name : {"Alpha", "bonds", "USSTOCK", "zeta", ".hidden"})
        installation.AddDataDir(name);
    installation.AddFile("Data/readme.txt");
    QStringList expected{data + "Alpha", data + "bonds", data + "USSTOCK", data + "zeta"};
#if !defined(_WIN32)  // QFile::link makes a shortcut file on Windows
    // Exists, but cannot be opened.
    ASSERT_TRUE(QFile::link(installation.Temp() + "/gone", data + "offline"));
    expected.insert(2, data + "offline");
#endif

    const app_test::StartUp started = app_test::Start(installation);

    ASSERT_EQ(started.outcome, StartUpOutcome::Shown) << started.Said();
    EXPECT_TRUE(started.messages.empty());
    const ProgramState& state = started.window->State();
    const MainWindowControls& c = started.window->Controls();
    QStringList entries;
    for (int i = 0; i < c.dataDirCombo()->count(); ++i)
        entries.append(c.dataDirCombo()->itemText(i));
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(c.dataDirCombo()->currentIndex(), expected.indexOf(data + "USSTOCK"));
    for (const QString& current : {state.currentDataDir, state.previousDataDir, c.currentDataDirLabel()->text()})
        EXPECT_EQ(current, data + "USSTOCK");

    EXPECT_EQ(state.tradeStationDir, Native(installation.ProgramDir()));
    EXPECT_EQ(state.omegaRootDir, Native(installation.Root()));
    EXPECT_EQ(started.workingDirectory, QDir(installation.ProgramDir()).canonicalPath());
}

TEST(StartUp, WithoutUSStockTheFirstEntryStaysCurrent)
{
    Installation installation;
    for (const char* name : {"Futures", "Bonds", "USStocks"})
        installation.AddDataDir(name);

    const app_test::StartUp started = app_test::Start(installation);

    ASSERT_EQ(started.outcome, StartUpOutcome::Shown) << started.Said();
    EXPECT_EQ(started.window->State().currentDataDir, Native(installation.DataRoot() + "/Bonds"));
    EXPECT_EQ(started.window->Controls().dataDirCombo()->currentIndex(), 0);
}

struct CommandLineCase : NamedCase<CommandLineCase> {
    QString commandLine;
    QString patternFileName;
    QVariant hostNumber;  // invalid: not set
};

class CommandLine : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLine, SetsThePatternFileAndTheHostNumber)
{
    Installation installation;
    installation.AddDataDir("USStock");
    const CommandLineCase& c = GetParam();

    const app_test::StartUp started = app_test::Start(installation, c.commandLine);

    ASSERT_EQ(started.outcome, StartUpOutcome::Shown) << started.Said();
    const MainWindowControls& controls = started.window->Controls();
    // Where file names ignore letter case the name is kept in upper case.
    const QString name = platform::kFileNamesIgnoreCase ? c.patternFileName.toUpper() : c.patternFileName;
    EXPECT_EQ(std::tuple(started.window->State().patternFileName, controls.patternFileLabel()->text(), controls.viewPatternFileAction()->isEnabled()),
              std::tuple(name, name, !name.isEmpty()));
    EXPECT_EQ(started.window->property(MainWindow::kHostHelpContextProperty), c.hostNumber);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLine,
    testing::Values(CommandLineCase{"empty", "", "", {}},
                    // Letter case is kept where it names another file.
                    CommandLineCase{"lower_case_path", "/pat/data.pat", "/pat/data.pat", {}},
                    CommandLineCase{"path_and_number", "/PAT/DATA.PAT 12", "/PAT/DATA.PAT", 12},
                    CommandLineCase{"quoted_path_with_blank", "\"/my pats/d.pat\" 0", "/my pats/d.pat", {}},
                    CommandLineCase{"number_too_large", "/p.pat 3e9", "/p.pat", {}}),
    CaseName());

// The first start, with no registry file anywhere: after the message, a folder chooser asks
// for the installation; the registry file it writes names it, start-up goes on, and the next
// start reads it. Cancel ends as before.
TEST(StartUp, FirstStartAsksForTheInstallationAndWritesTheRegistryFile)
{
    if (QFileInfo::exists("/etc/xdg/tessaport/registry.reg"))
        GTEST_SKIP() << "/etc/xdg/tessaport/registry.reg exists on this machine: no first start here";
    Installation installation;
    installation.AddDataDir("USStock", {app_test::Security("AMBR", "Amber")});
    const QString config = installation.Temp() + "/config";
    const QByteArray forced = qgetenv("TESSAPORT_REGISTRY"), configHome = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("TESSAPORT_REGISTRY");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    const auto restore = qScopeGuard([forced, configHome] {
        for (const auto& [name, value] : {std::pair{"TESSAPORT_REGISTRY", forced}, std::pair{"XDG_CONFIG_HOME", configHome}}) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    });
    const QString written = config + "/tessaport/registry.reg";
    // Each run answers the folder chooser from the FileDialogAnswers in scope.
    auto start = [](std::vector<widgets::Message>& messages) {
        const platform::WorkingDirectoryScope keep(QDir::currentPath());
        widgets::RecordedMessages recorded;
        MainWindow window;
        StartUpEnvironment environment;
        environment.programFolder = QStringLiteral(TESSAPORT_PROGRAM_DIR);
        const StartUpOutcome outcome = OpenMainWindow(window, environment);
        messages = recorded.All();
        return outcome;
    };

    std::vector<widgets::Message> messages;
    {
        widgets::FileDialogAnswers answers;
        answers.Answer(std::nullopt);
        EXPECT_EQ(start(messages), StartUpOutcome::Fatal);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, kNotInstalled);
        ASSERT_EQ(answers.All().size(), 1u);
        EXPECT_EQ(answers.All()[0].mode, widgets::FileDialogMode::Folder);
        EXPECT_FALSE(QFileInfo::exists(written));
    }
    {
        widgets::FileDialogAnswers answers;
        answers.Answer(installation.DataRoot());  // holds no Program folder
        answers.Answer(installation.Root() + "/");
        EXPECT_EQ(start(messages), StartUpOutcome::Shown);
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[1].text, "The folder " + installation.DataRoot() + " holds no Program and Data folders. "
                                    "Choose the folder of the installation, the one that holds both.");
        EXPECT_EQ(platform::GetAppPath(platform::RegistryFile::Load(written), "ts32.exe"), installation.ProgramDir());
    }

    {
        // The next start reads the file and asks nothing.
        widgets::FileDialogAnswers none;
        EXPECT_EQ(start(messages), StartUpOutcome::Shown);
        EXPECT_TRUE(messages.empty() && none.All().empty());
    }

    // A registry file that names no installation leads to the chooser again, and a folder
    // whose path a line of the file cannot hold is refused.
    const QString bad = installation.Temp() + "/Bad\nName";
    ASSERT_TRUE(QDir().mkpath(bad + "/Program") && QDir().mkpath(bad + "/Data/USStock"));
    QFile other(written);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly | QIODevice::Truncate));
    other.write("REGEDIT4\r\n");
    other.close();
    widgets::FileDialogAnswers answers;
    answers.Answer(bad);
    answers.Answer(installation.Root());
    EXPECT_EQ(start(messages), StartUpOutcome::Shown);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "The folder " + installation.Temp()
                                    + "/Bad\\x0aName cannot be named in the registry file: it holds a control "
                                      "character (U+000a). Rename it, or choose another folder.");
    EXPECT_EQ(platform::GetAppPath(platform::RegistryFile::Load(written), "ts32.exe"), installation.ProgramDir());
}

} // namespace
