#include "main_window.h"

#include "app/data_dir_list.h"
#include "app/program_icon.h"
#include "import/begin_import.h"
#include "import/date_text.h"
#include "import/export_listed.h"
#include "omega/data_library.h"
#include "main_window/progress_window.h"
#include "main_window/security_search.h"
#include "widgets/help_request.h"
#include "widgets/message_box.h"
#include "widgets/twips.h"
#include "widgets/window_font.h"
#include "scan/scan_command.h"
#include "pattern_file/pattern_file_selection.h"
#include "about/about_dialog.h"
#include "pattern_file/viewer_launch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>

using widgets::TwipsToPixelsX;
using widgets::TwipsToPixelsY;

const QString MainWindow::kTitle = QStringLiteral("Tessaport");

namespace {

constexpr int kClientWidth = 6885;
constexpr int kClientHeight = 4755;
constexpr int kStatusLineHeight = 345;
constexpr int16_t kEnterKey = 13;

const QString kImportRunning = QStringLiteral("Import should either be interrupted or allowed to run to ")
                             + QStringLiteral("completion before closing import module.");

// Room a caption needs in its control: check boxes and option buttons draw their box first.
int CaptionWidth(const QWidget& control, const QFontMetrics& metrics)
{
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return metrics.horizontalAdvance(label->text()) + 2 * label->margin();
    const auto* button = qobject_cast<const QAbstractButton*>(&control);
    if (!button || qobject_cast<const QPushButton*>(&control))
        return 0;
    const int indicator = control.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &control);
    const int spacing = control.style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &control);
    return indicator + spacing + metrics.horizontalAdvance(button->text());
}

QRect ScreenArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// A menu bar drawn by the desktop elsewhere takes no room in the window.
int MenuBarHeight(const QMainWindow& window)
{
    const QMenuBar* bar = window.menuBar();
    return bar->isNativeMenuBar() ? 0 : bar->sizeHint().height();
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), controls_(*this)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(kTitle);
    setWindowIcon(ProgramIcon());
    // A fixed dialog border: no maximize button and no resizing by the user.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    LimitDateLengths();
    ConnectHandlers();
    FitFontToCaptions();
    SetClientHeight(TwipsToPixelsY(kClientHeight));
}

void MainWindow::LimitDateLengths()
{
    // Longer text than the import reads as a date cannot be typed.
    controls_.firstDateEdit()->setMaxLength(kMaxDateTextLength);
    controls_.lastDateEdit()->setMaxLength(kMaxDateTextLength);
}

void MainWindow::ConnectHandlers()
{
    const MainWindowControls& c = controls_;
    c.client()->installEventFilter(this);
    c.symbolEdit()->installEventFilter(this);
    connect(c.dataDirectoriesAction(), &QAction::triggered, this, &MainWindow::scanDataFolders);
    connect(c.selectPatternFileAction(), &QAction::triggered, this, &MainWindow::selectPatternFile);
    connect(c.viewPatternFileAction(), &QAction::triggered, this, &MainWindow::viewPatternFile);
    connect(c.exitAction(), &QAction::triggered, this, &MainWindow::exitProgram);
    connect(c.beginImportAction(), &QAction::triggered, this, &MainWindow::beginImport);
    connect(c.interruptImportAction(), &QAction::triggered, this, &MainWindow::interruptImport);
    connect(c.exportListedAction(), &QAction::triggered, this, &MainWindow::exportListed);
    for (const ImportMode mode : {ImportMode::SingleSecurity, ImportMode::SecurityList})
        connect(c.modeAction(mode), &QAction::triggered, this, [this, mode] { switchImportMode(mode); });
    for (QRadioButton* field : {c.searchBySymbolButton(), c.searchByDescriptionButton()})
        connect(field, &QRadioButton::clicked, this, &MainWindow::refreshSecurityList);
    connect(c.contextHelpAction(), &QAction::triggered, this, &MainWindow::showContextHelp);
    connect(c.helpIndexAction(), &QAction::triggered, this, &MainWindow::showHelpIndex);
    connect(c.aboutAction(), &QAction::triggered, this, &MainWindow::showAbout);

    // The list's model comes first: setting one replaces the selection model.
    AttachSecurityList(c.securityList());
    AttachExportListed(state_, c);
    // Chosen by the user; the program's own selections run the handler themselves.
    connect(c.dataDirCombo(), &QComboBox::activated, this, &MainWindow::adoptChosenDataDir);
    connect(c.searchButton(), &QPushButton::clicked, this, &MainWindow::searchSecurity);
    connect(c.securityList()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    showSelectedSecurity();
            });
    connect(c.symbolEdit(), &QLineEdit::textChanged, this, &MainWindow::symbolTextChanged);
    connect(c.typingTimer(), &QTimer::timeout, this, &MainWindow::checkTypingPause);
}

void MainWindow::FitFontToCaptions()
{
    // Where the nearest face here runs wider than the one the layout was drawn for, a
    // slightly smaller size keeps every fixed caption whole.
    const QList<QWidget*> controls = controls_.client()->findChildren<QWidget*>();
    for (const double pointSize : {8.0, 7.5, 7.0}) {
        const QFont font = widgets::WindowFont(pointSize * widgets::TwipsScale());
        setFont(font);
        const QFontMetrics metrics(font);
        const bool fits = std::all_of(controls.begin(), controls.end(), [&](const QWidget* control) {
            return control == controls_.statusLine() || CaptionWidth(*control, metrics) <= control->width();
        });
        if (fits)
            break;
    }
    // Menus open as windows of their own, which do not take their owner's font; nor do the
    // boxes, dialogs and help, which take the program's.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        menu->setFont(font());
    QApplication::setFont(font());
}

void MainWindow::SetClientHeight(int pixels)
{
    const int width = TwipsToPixelsX(kClientWidth);
    controls_.client()->resize(width, pixels);
    setFixedSize(width, MenuBarHeight(*this) + pixels);
    PlaceStatusLine();
}

void MainWindow::PlaceStatusLine()
{
    // The status line clings to the bottom edge of the client area, across its width.
    const int height = TwipsToPixelsY(kStatusLineHeight);
    controls_.statusLine()->setGeometry(0, controls_.client()->height() - height, controls_.client()->width(), height);
}

void MainWindow::FitStatusLineBelowMainPanel(int marginTwips)
{
    const QRect panel = controls_.mainPanel()->geometry();
    const int change = panel.y() + panel.height() - controls_.statusLine()->y() + TwipsToPixelsY(marginTwips);
    SetClientHeight(controls_.client()->height() + change);
}

void MainWindow::CentreHorizontally()
{
    const QRect screen = ScreenArea();
    move(screen.x() + (screen.width() - width()) / 2, y());
}

void MainWindow::CentreOnScreen()
{
    const QRect screen = ScreenArea();
    move(screen.x() + (screen.width() - width()) / 2, screen.y() + (screen.height() - height()) / 2);
}

void MainWindow::WhileResizable(const std::function<void()>& rearrange)
{
    // The mode set-up sizes the window to its arrangement; the user still cannot.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    rearrange();
    setFixedSize(size());
    // The taller arrangement grows downwards: where that passes the screen's bottom, the
    // window moves up, its title bar staying on the screen.
    const QRect area = ScreenArea();
    const int below = frameGeometry().bottom() - area.bottom();
    if (below > 0)
        move(x(), std::max(area.top() + (y() - frameGeometry().top()), y() - below));
}


bool MainWindow::quitUnlessImporting()
{
    if (controls_.interruptImportAction()->isEnabled()) {
        widgets::ShowMessage(kTitle, kImportRunning, widgets::MessageIcon::Exclamation, this);
        return false;
    }
    omega::TheDataLibrary().Uninitialize();
    // Ends the event loop: no other window gets another event.
    QCoreApplication::quit();
    return true;
}

void MainWindow::followWindowState()
{
    FollowMainWindowState(windowState());
}

void MainWindow::exitProgram()
{
    close();
}

void MainWindow::interruptImport()
{
    state_.interruptRequested = true;
}

void MainWindow::showContextHelp()
{
    widgets::ShowHelpContext(state_.helpContext);
}

void MainWindow::showHelpIndex()
{
    widgets::ShowHelpIndex();
}

// The commands of the data folder scanner, pattern file selection, viewer, import and
// About box come with those windows.
void MainWindow::scanDataFolders()
{
    scan::ShowDataFolderScanner(state_, controls_.dataDirCombo(), this, [this] { dataDirs_.Fill(); },
                                [this] { dataDirs_.Adopt(); });
}

void MainWindow::selectPatternFile()
{
    ::SelectPatternFile(state_.patternFileName, this, controls_.patternFileLabel(), controls_.viewPatternFileAction());
}
void MainWindow::viewPatternFile() { ::ViewPatternFile(state_.patternFileName); }
void MainWindow::beginImport()
{
    // Cancelling the chooser leaves the pattern file unchosen, and the import ends there.
    ::BeginImport(state_, controls_, [this] {
        selectPatternFile();
        return !state_.patternFileName.isEmpty();
    });
}
void MainWindow::exportListed() { ::ExportListedSecurities(state_, controls_); }
void MainWindow::showAbout() { ShowAbout(this, QStringLiteral("Tessaport Version 4.32"), 0); }

void MainWindow::switchImportMode(ImportMode mode)
{
    WhileResizable([&] { search_.SwitchMode(mode); });
}
void MainWindow::adoptChosenDataDir() { dataDirs_.Adopt(); }
void MainWindow::searchSecurity() { search_.Search(); }
void MainWindow::refreshSecurityList() { search_.Refresh(); }
void MainWindow::showSelectedSecurity() { search_.ShowSelected(); }

void MainWindow::symbolKeyPressed(int16_t& keyAscii)
{
    if (keyAscii == kEnterKey && state_.mode == ImportMode::SingleSecurity)
        search_.Search();
}

void MainWindow::symbolTextChanged() { search_.SymbolTextChanged(); }
void MainWindow::checkTypingPause() { search_.TypingTimerTick(); }

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (quitUnlessImporting())
        event->accept();
    else
        event->ignore();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    followWindowState();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        followWindowState();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == controls_.client() && event->type() == QEvent::Resize) {
        PlaceStatusLine();
    } else if (watched == controls_.symbolEdit() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        int16_t keyAscii = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            keyAscii = kEnterKey;
        else if (!key->text().isEmpty())
            keyAscii = static_cast<int16_t>(key->text().at(0).unicode());
        if (keyAscii != 0)
            symbolKeyPressed(keyAscii);
    }
    return QMainWindow::eventFilter(watched, event);
}
