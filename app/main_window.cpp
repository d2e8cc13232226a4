#include "main_window.h"

#include "app/data_dir_list.h"
#include "app/program_icon.h"
#include "import/begin_import.h"
#include "import/date_text.h"
#include "import/export_listed.h"
#include "omega/data_library.h"
#include "main_window/progress_window.h"
#include "main_window/security_search.h"
#include "widgets/accessible_caption.h"
#include "widgets/help_request.h"
#include "widgets/message_box.h"
#include "widgets/twips.h"
#include "widgets/window_font.h"
#include "scan/scan_command.h"
#include "pattern_file/pattern_file_selection.h"
#include "about/about_dialog.h"
#include "pattern_file/viewer_launch.h"

#include <QAbstractButton>
#include <QActionGroup>
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

using widgets::SetTwipsGeometry;
using widgets::TwipsToPixelsX;
using widgets::TwipsToPixelsY;

const QString MainWindow::kTitle = QStringLiteral("Tessaport");

namespace {

constexpr int kClientWidth = 6885;
constexpr int kClientHeight = 4755;
// List mode's client area, the menu bar and a window frame.
constexpr int kTallestArrangement = 6600;
constexpr int kStatusLineHeight = 345;
constexpr int kTypingPauseInterval = 550;
constexpr int16_t kEnterKey = 13;

const QString kImportRunning = QStringLiteral("Import should either be interrupted or allowed to run to ")
                             + QStringLiteral("completion before closing import module.");

template <typename Widget>
Widget* Make(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* widget = new Widget(parent);
    widget->setObjectName(QLatin1String(name));
    SetTwipsGeometry(widget, left, top, width, height);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                  int height)
{
    auto* label = Make<QLabel>(parent, name, left, top, width, height);
    label->setText(caption);
    return label;
}

QFrame* MakePanel(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* panel = Make<QFrame>(parent, name, left, top, width, height);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return panel;
}

QGroupBox* MakeFrame(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                     int height)
{
    auto* frame = Make<QGroupBox>(parent, name, left, top, width, height);
    frame->setTitle(caption);
    return frame;
}

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

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(kTitle);
    setWindowIcon(ProgramIcon());
    // A fixed dialog border: no maximize button and no resizing by the user.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    controls_.window = this;
    FitDesignToScreen();

    CreateControls();
    OrderTabsAsOnScreen();
    CreateMenus();
    ConnectHandlers();
    NameInputsAfterCaptions();
    FitFontToCaptions();
    SetClientHeight(TwipsToPixelsY(kClientHeight));
}

void MainWindow::FitDesignToScreen()
{
    // The tallest arrangement (list mode) with the menu bar and the frame: where the screen
    // has less room, every window is drawn that much smaller, fonts included.
    const int needed = TwipsToPixelsY(kTallestArrangement);
    const QRect area = ScreenArea();
    if (needed > area.height())
        widgets::SetTwipsScale(static_cast<double>(area.height()) / needed);
}

void MainWindow::CreateControls()
{
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->installEventFilter(this);
    setCentralWidget(client_);

    CreateFileFrame(client_);
    CreateMainPanel(client_);
    CreateStatusLine(client_);

    controls_.currentDataDirLabel = MakeLabel(client_, "currentDataDirLabel", {}, 0, 0, 4065, 255);
    controls_.currentDataDirLabel->hide();

    controls_.typingTimer = new QTimer(this);
    controls_.typingTimer->setObjectName(QStringLiteral("typingTimer"));
    controls_.typingTimer->setInterval(kTypingPauseInterval);
    controls_.typingTimer->start();
}

void MainWindow::OrderTabsAsOnScreen()
{
    // Tab goes down the window as the eye does, whichever controls the mode shows.
    const auto& c = controls_;
    const std::array<QWidget*, 10> order = {c.dataDirCombo,  c.symbolEdit,       c.searchBySymbolButton,
                                            c.searchByDescriptionButton, c.searchButton, c.securityList,
                                            c.firstDateEdit, c.lastDateEdit,     c.skipInvalidCheck,
                                            c.openInterestCheck};
    for (size_t i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void MainWindow::CreateFileFrame(QWidget* client)
{
    auto& c = controls_;
    c.filePanel = MakePanel(client, "filePanel", 240, 90, 6375, 765);
    c.dataDirCaption = MakeLabel(c.filePanel, "dataDirCaption", QStringLiteral("Omega Downloader Files In:"), 180, 120, 2055, 255);
    c.dataDirCombo = Make<QComboBox>(c.filePanel, "dataDirCombo", 2220, 60, 4065, 315);
    c.dataDirCombo->setEditable(false);
    c.patternFileCaption = MakeLabel(c.filePanel, "patternFileCaption", QStringLiteral("Pattern File:"), 180, 420, 915, 255);
    c.patternFileLabel = MakeLabel(c.filePanel, "patternFileLabel", {}, 2280, 420, 4065, 255);
}

void MainWindow::CreateMainPanel(QWidget* client)
{
    auto& c = controls_;
    c.mainPanel = MakePanel(client, "mainPanel", 240, 960, 6375, 3345);
    c.symbolCaption = MakeLabel(c.mainPanel, "symbolCaption", QStringLiteral("Enter security symbol:"), 390, 150, 1575, 195);
    c.symbolEdit = Make<QLineEdit>(c.mainPanel, "symbolEdit", 2040, 120, 1095, 285);
    c.symbolEdit->installEventFilter(this);
    c.searchByCaption = MakeLabel(c.mainPanel, "searchByCaption", QStringLiteral("Search by:"), 3270, 150, 825, 225);
    c.searchBySymbolButton = Make<QRadioButton>(c.mainPanel, "searchBySymbolButton", 4110, 150, 825, 255);
    c.searchBySymbolButton->setText(QStringLiteral("Symbol"));
    c.searchBySymbolButton->setChecked(true);
    // A little right of the design's 4950, which left the "Symbol" caption touching it.
    c.searchByDescriptionButton = Make<QRadioButton>(c.mainPanel, "searchByDescriptionButton", 5040, 150, 1215, 255);
    c.searchByDescriptionButton->setText(QStringLiteral("Description"));
    c.wildcardHint = MakeLabel(c.mainPanel, "wildcardHint", QStringLiteral("(wildcard '?' shows all)"), 390, 330, 1635, 195);
    c.entryCountCaption = MakeLabel(c.mainPanel, "entryCountCaption", QStringLiteral("Number of entries found:"), 390, 540, 1815, 225);
    c.entryCountLabel = MakeLabel(c.mainPanel, "entryCountLabel", QStringLiteral(" 0"), 2280, 540, 975, 225);
    c.searchButton = Make<QPushButton>(c.mainPanel, "searchButton", 3570, 90, 2205, 315);
    c.searchButton->setText(QStringLiteral("Search For Security"));
    c.searchButton->setAutoDefault(false);

    CreateInformationFrame();

    // It takes the place of the information frame in list mode.
    c.securityList = Make<QListView>(c.mainPanel, "securityList", 390, 750, 5625, 1035);

    CreateOptionsFrame();

    // The single-security arrangement; the mode set-up at start-up confirms it.
    for (QWidget* listOnly : {static_cast<QWidget*>(c.securityList), static_cast<QWidget*>(c.entryCountCaption),
                              static_cast<QWidget*>(c.searchByCaption), static_cast<QWidget*>(c.wildcardHint),
                              static_cast<QWidget*>(c.entryCountLabel), static_cast<QWidget*>(c.searchBySymbolButton),
                              static_cast<QWidget*>(c.searchByDescriptionButton)})
        listOnly->hide();
}

void MainWindow::CreateInformationFrame()
{
    auto& c = controls_;
    c.securityInfoFrame = MakeFrame(c.mainPanel, "securityInfoFrame", QStringLiteral("Security information:"), 390, 540, 5625, 1455);
    c.descriptionCaption = MakeLabel(c.securityInfoFrame, "descriptionCaption", QStringLiteral("Description:"), 330, 300, 1185, 255);
    c.descriptionLabel = MakeLabel(c.securityInfoFrame, "descriptionLabel", {}, 1530, 300, 3795, 255);
    c.descriptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.descriptionLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    c.categoryCaption = MakeLabel(c.securityInfoFrame, "categoryCaption", QStringLiteral("Category:"), 330, 570, 1185, 255);
    c.categoryLabel = MakeLabel(c.securityInfoFrame, "categoryLabel", {}, 1530, 570, 3795, 255);
    c.periodCaption = MakeLabel(c.securityInfoFrame, "periodCaption", QStringLiteral("Period:"), 330, 840, 1185, 255);
    c.periodLabel = MakeLabel(c.securityInfoFrame, "periodLabel", {}, 1530, 840, 3795, 255);
    c.dataAvailableCaption = MakeLabel(c.securityInfoFrame, "dataAvailableCaption", QStringLiteral("Data available: "), 330, 1110, 1185, 255);
    c.dataAvailableLabel = MakeLabel(c.securityInfoFrame, "dataAvailableLabel", {}, 1530, 1110, 3795, 255);
}

void MainWindow::CreateOptionsFrame()
{
    auto& c = controls_;
    c.importOptionsFrame = MakeFrame(c.mainPanel, "importOptionsFrame", QStringLiteral("Import options:"), 390, 2010, 5625, 1035);
    c.firstDateCaption = MakeLabel(c.importOptionsFrame, "firstDateCaption", QStringLiteral("First Date:"), 330, 300, 945, 255);
    c.firstDateEdit = Make<QLineEdit>(c.importOptionsFrame, "firstDateEdit", 1260, 270, 1065, 285);
    c.firstDateEdit->setEnabled(false);
    c.firstDateEdit->setMaxLength(kMaxDateTextLength);
    c.lastDateCaption = MakeLabel(c.importOptionsFrame, "lastDateCaption", QStringLiteral("Last Date:"), 330, 630, 945, 255);
    c.lastDateEdit = Make<QLineEdit>(c.importOptionsFrame, "lastDateEdit", 1260, 600, 1065, 285);
    c.lastDateEdit->setEnabled(false);
    c.lastDateEdit->setMaxLength(kMaxDateTextLength);
    c.skipInvalidCheck = Make<QCheckBox>(c.importOptionsFrame, "skipInvalidCheck", 3060, 240, 1755, 285);
    c.skipInvalidCheck->setText(QStringLiteral("Skip invalid records"));
    c.skipInvalidCheck->setChecked(true);
    c.openInterestCheck = Make<QCheckBox>(c.importOptionsFrame, "openInterestCheck", 3060, 630, 2235, 225);
    c.openInterestCheck->setText(QStringLiteral("Import 'Open Interest' field"));
}

void MainWindow::CreateStatusLine(QWidget* client)
{
    controls_.statusLine = new QLabel(client);
    controls_.statusLine->setObjectName(QStringLiteral("statusLine"));
    controls_.statusLine->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    controls_.statusLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    controls_.statusLine->setIndent(TwipsToPixelsX(60));
}

void MainWindow::CreateMenus()
{
    auto& c = controls_;
    auto add = [this](QMenu* menu, QAction*& slot, const char* name, const QString& caption) {
        slot = menu->addAction(caption);
        slot->setObjectName(QLatin1String(name));
        slot->setParent(this);
        return slot;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    add(file, c.dataDirectoriesAction, "dataDirectoriesAction", QStringLiteral("Omega Data Directories..."));
    add(file, c.selectPatternFileAction, "selectPatternFileAction", QStringLiteral("Select &Pattern File"));
    file->addSeparator();
    add(file, c.viewPatternFileAction, "viewPatternFileAction", QStringLiteral("&View Pattern File"));
    file->addSeparator();
    add(file, c.exitAction, "exitAction", QStringLiteral("E&xit Tessaport"));
    // F4 echoes Alt+F4, the system's own key for closing a window; F1 and F2 belong
    // to help, and F3 is by habit "find next", which a search window may want later.
    c.exitAction->setShortcut(QKeySequence(Qt::Key_F4));

    QMenu* import = menuBar()->addMenu(QStringLiteral("&Import"));
    import->setObjectName(QStringLiteral("importMenu"));
    add(import, c.beginImportAction, "beginImportAction", QStringLiteral("&Begin Import"))->setEnabled(false);
    add(import, c.interruptImportAction, "interruptImportAction", QStringLiteral("&Interrupt Import"))->setEnabled(false);
    import->addSeparator();
    add(import, c.exportListedAction, "exportListedAction", QStringLiteral("&Export Listed Securities..."))->setEnabled(false);

    QMenu* mode = menuBar()->addMenu(QStringLiteral("&Mode"));
    mode->setObjectName(QStringLiteral("modeMenu"));
    // Exclusive, so choosing the checked item again keeps its check mark.
    auto* modes = new QActionGroup(this);
    add(mode, c.modeActions[0], "singleSecurityModeAction", QStringLiteral("&Single security"));
    add(mode, c.modeActions[1], "securityListModeAction", QStringLiteral("&List of securities"));
    for (QAction* action : c.modeActions) {
        action->setCheckable(true);
        modes->addAction(action);
    }
    c.modeActions[0]->setChecked(true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    add(help, c.contextHelpAction, "contextHelpAction", QStringLiteral("&Current Context"))
        ->setShortcut(QKeySequence(Qt::Key_F1));
    add(help, c.helpIndexAction, "helpIndexAction", QStringLiteral("&Index"))->setShortcut(QKeySequence(Qt::Key_F2));
    help->addSeparator();
    add(help, c.aboutAction, "aboutAction", QStringLiteral("&About"));
}

void MainWindow::ConnectHandlers()
{
    const auto& c = controls_;
    connect(c.dataDirectoriesAction, &QAction::triggered, this, &MainWindow::scanDataFolders);
    connect(c.selectPatternFileAction, &QAction::triggered, this, &MainWindow::selectPatternFile);
    connect(c.viewPatternFileAction, &QAction::triggered, this, &MainWindow::viewPatternFile);
    connect(c.exitAction, &QAction::triggered, this, &MainWindow::exitProgram);
    connect(c.beginImportAction, &QAction::triggered, this, &MainWindow::beginImport);
    connect(c.interruptImportAction, &QAction::triggered, this, &MainWindow::interruptImport);
    connect(c.exportListedAction, &QAction::triggered, this, &MainWindow::exportListed);
    for (const ImportMode mode : {ImportMode::SingleSecurity, ImportMode::SecurityList})
        connect(c.ModeAction(mode), &QAction::triggered, this, [this, mode] { switchImportMode(mode); });
    for (QRadioButton* field : {c.searchBySymbolButton, c.searchByDescriptionButton})
        connect(field, &QRadioButton::clicked, this, &MainWindow::refreshSecurityList);
    connect(c.contextHelpAction, &QAction::triggered, this, &MainWindow::showContextHelp);
    connect(c.helpIndexAction, &QAction::triggered, this, &MainWindow::showHelpIndex);
    connect(c.aboutAction, &QAction::triggered, this, &MainWindow::showAbout);

    // The list's model comes first: setting one replaces the selection model.
    AttachSecurityList(c);
    AttachExportListed(state_, c);
    // Chosen by the user; the program's own selections run the handler themselves.
    connect(c.dataDirCombo, &QComboBox::activated, this, &MainWindow::adoptChosenDataDir);
    connect(c.searchButton, &QPushButton::clicked, this, &MainWindow::searchSecurity);
    connect(c.securityList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    showSelectedSecurity();
            });
    connect(c.symbolEdit, &QLineEdit::textChanged, this, &MainWindow::symbolTextChanged);
    connect(c.typingTimer, &QTimer::timeout, this, &MainWindow::checkTypingPause);
}

void MainWindow::NameInputsAfterCaptions()
{
    const auto& c = controls_;
    widgets::NameAfterCaption(c.dataDirCombo, c.dataDirCaption);
    widgets::NameAfterCaption(c.symbolEdit, c.symbolCaption);
    widgets::NameAfterCaption(c.firstDateEdit, c.firstDateCaption);
    widgets::NameAfterCaption(c.lastDateEdit, c.lastDateCaption);
    // The list has no caption of its own: it takes the place of the information frame
    // and lists what the mask above it finds.
    c.securityList->setAccessibleName(QStringLiteral("Securities"));
}

void MainWindow::FitFontToCaptions()
{
    // Where the nearest face here runs wider than the one the layout was drawn for, a
    // slightly smaller size keeps every fixed caption whole.
    const QList<QWidget*> controls = client_->findChildren<QWidget*>();
    for (const double pointSize : {8.0, 7.5, 7.0}) {
        const QFont font = widgets::WindowFont(pointSize * widgets::TwipsScale());
        setFont(font);
        const QFontMetrics metrics(font);
        const bool fits = std::all_of(controls.begin(), controls.end(), [&](const QWidget* control) {
            return control == controls_.statusLine || CaptionWidth(*control, metrics) <= control->width();
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
    client_->resize(width, pixels);
    setFixedSize(width, MenuBarHeight(*this) + pixels);
    PlaceStatusLine();
}

void MainWindow::PlaceStatusLine()
{
    // The status line clings to the bottom edge of the client area, across its width.
    const int height = TwipsToPixelsY(kStatusLineHeight);
    controls_.statusLine->setGeometry(0, client_->height() - height, client_->width(), height);
}

void MainWindow::FitStatusLineBelowMainPanel(int marginTwips)
{
    const QRect panel = controls_.mainPanel->geometry();
    const int change = panel.y() + panel.height() - controls_.statusLine->y() + TwipsToPixelsY(marginTwips);
    SetClientHeight(client_->height() + change);
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

void MainWindow::FillDataDirCombo() { ::FillDataDirCombo(state_, controls_); }
void MainWindow::SelectDataDir() { ::SelectDataDir(state_, controls_); }

bool MainWindow::quitUnlessImporting()
{
    if (controls_.interruptImportAction->isEnabled()) {
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
    scan::ShowDataFolderScanner(state_, controls_, [this] { FillDataDirCombo(); }, [this] { SelectDataDir(); });
}

void MainWindow::selectPatternFile() { ::SelectPatternFile(state_, controls_); }
void MainWindow::viewPatternFile() { ::ViewPatternFile(state_); }
void MainWindow::beginImport()
{
    // Cancelling the chooser leaves the pattern file unchosen, and the import ends there.
    ::BeginImport(state_, controls_, [this] {
        ::SelectPatternFile(state_, controls_);
        return !state_.patternFileName.isEmpty();
    });
}
void MainWindow::exportListed() { ::ExportListedSecurities(state_, controls_); }
void MainWindow::showAbout() { ShowAbout(this, QStringLiteral("Tessaport Version 4.32"), 0); }

void MainWindow::switchImportMode(ImportMode mode)
{
    WhileResizable([&] { ::SwitchImportMode(state_, controls_, mode); });
}
void MainWindow::adoptChosenDataDir() { ::SelectDataDir(state_, controls_); }
void MainWindow::searchSecurity() { ::SearchSecurity(state_, controls_); }
void MainWindow::refreshSecurityList() { ::RefreshSecurityList(state_, controls_); }
void MainWindow::showSelectedSecurity() { ::ShowSelectedSecurity(state_, controls_); }

void MainWindow::symbolKeyPressed(int16_t& keyAscii)
{
    if (keyAscii == kEnterKey && state_.mode == ImportMode::SingleSecurity)
        ::SearchSecurity(state_, controls_);
}

void MainWindow::symbolTextChanged() { SymbolTextChanged(state_, controls_); }
void MainWindow::checkTypingPause() { SymbolTimerTick(state_, controls_); }

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
    if (watched == client_ && event->type() == QEvent::Resize) {
        PlaceStatusLine();
    } else if (watched == controls_.symbolEdit && event->type() == QEvent::KeyPress) {
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
