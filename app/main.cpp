#include "app/help_window.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "platform/paths.h"
#include "widgets/focus_frame.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <cstdio>

#if defined(_WIN32)
#include "widgets/path_text.h"
#include <windows.h>
#endif

namespace {

// The command line as the host wrote it, without the program's own name.
QString CommandLine(const QStringList& arguments)
{
#if defined(_WIN32)
    Q_UNUSED(arguments);
    QString line = QString::fromWCharArray(GetCommandLineW());
    widgets::NextToken(line);
    return line;
#else
    return JoinCommandLine(arguments.mid(1));
#endif
}

// For the start-up benchmark and the demo's screenshot: says "shown" on the standard
// output once the window has been painted, and ends the program then when asked to.
void ReportFirstPaint(QWidget& window, bool exitThen)
{
    class Watcher : public QObject {
    public:
        Watcher(QObject* parent, bool exitThen) : QObject(parent), exitThen_(exitThen) {}
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint) {
                watched->removeEventFilter(this);
                std::printf("shown\n");
                std::fflush(stdout);
                if (exitThen_)
                    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            }
            return false;
        }

    private:
        bool exitThen_;
    };
    window.installEventFilter(new Watcher(&window, exitThen));
}

// For the real-input test, which sees the window only from outside: one line on the
// standard output whenever the keyboard focus moves ("focus NAME", "focus -" when no
// control of the program has it), a menu of the menu bar opens or closes ("menu File",
// "menu -"), an import starts or ends ("importing 1", "importing 0") or the count of entries
// found is painted ("entries N").
void ReportStateChanges(MainWindow& window)
{
    auto say = [](const QString& line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    };
    QObject::connect(qApp, &QApplication::focusChanged, &window, [say](QWidget*, QWidget* now) {
        say(QStringLiteral("focus ") + (now ? now->objectName() : QStringLiteral("-")));
    });
    QObject::connect(window.Controls().interruptImportAction(), &QAction::enabledChanged, &window,
                     [say](bool enabled) { say(QStringLiteral("importing ") + (enabled ? u'1' : u'0')); });

    // A label's text as it is painted, each time it changes: "NAME text".
    class LabelWatcher : public QObject {
    public:
        LabelWatcher(const char* name, QObject* parent) : QObject(parent), name_(name) {}
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            const QString text = static_cast<QLabel*>(watched)->text().trimmed();
            if (event->type() == QEvent::Paint && text != said_) {
                said_ = text;
                std::printf("%s %s\n", name_, qPrintable(text));
                std::fflush(stdout);
            }
            return false;
        }

    private:
        const char* name_;
        QString said_;
    };
    // A menu takes the keyboard once it is shown, so a test waits for this before the item's key.
    class MenuWatcher : public QObject {
    public:
        using QObject::QObject;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
                const QString title = static_cast<QMenu*>(watched)->title().remove(u'&');
                std::printf("menu %s\n", event->type() == QEvent::Show ? qPrintable(title) : "-");
                std::fflush(stdout);
            }
            return false;
        }
    };
    auto* menus = new MenuWatcher(&window);
    for (QAction* action : window.menuBar()->actions()) {
        if (QMenu* menu = action->menu())
            menu->installEventFilter(menus);
    }
    window.Controls().entryCountLabel()->installEventFilter(new LabelWatcher("entries", &window));
    window.Controls().patternFileLabel()->installEventFilter(new LabelWatcher("pattern-file", &window));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaport"));
    widgets::ShowFocusFrames();

    BuiltInHelp help;
    widgets::SetHelpEngine(&help);

    MainWindow window;
    const bool exitWhenShown = qEnvironmentVariableIsSet("TESSAPORT_EXIT_WHEN_SHOWN");
    if (exitWhenShown || qEnvironmentVariableIsSet("TESSAPORT_REPORT_SHOWN"))
        ReportFirstPaint(window, exitWhenShown);
    if (qEnvironmentVariableIsSet("TESSAPORT_REPORT_STATE"))
        ReportStateChanges(window);

    StartUpEnvironment environment;
    environment.commandLine = CommandLine(QApplication::arguments());
    environment.programFolder = platform::ProgramFolder();
    if (OpenMainWindow(window, environment) == StartUpOutcome::Fatal)
        return 1;

    const int result = QApplication::exec();
    widgets::SetHelpEngine(nullptr);
    return result;
}
