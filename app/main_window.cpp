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

using platform::SetTwipsGeometry;
using platform::TwipsToPixelsX;
using platform::TwipsToPixelsY;

const QString Omega::kTitle = QStringLiteral("Tessaport");

namespace {

constexpr int kClientWidth = 6885;
constexpr int kClientHeight = 4755;
// List mode's client area, the menu bar and a window frame.
constexpr int kTallestArrangement = 6600;
constexpr int kInfoPanelHeight = 345;
constexpr int kTimerInterval = 550;
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

Omega::Omega(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Omega"));
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

void Omega::FitDesignToScreen()
{
    // The tallest arrangement (list mode) with the menu bar and the frame: where the screen
    // has less room, every window is drawn that much smaller, fonts included.
    const int needed = TwipsToPixelsY(kTallestArrangement);
    const QRect area = ScreenArea();
    if (needed > area.height())
        platform::SetTwipsScale(static_cast<double>(area.height()) / needed);
}

void Omega::CreateControls()
{
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->installEventFilter(this);
    setCentralWidget(client_);

    CreateFileFrame(client_);
    CreateMainPanel(client_);
    CreateStatusLine(client_);

    controls_.Label3 = MakeLabel(client_, "Label3", {}, 0, 0, 4065, 255);
    controls_.Label3->hide();

    controls_.Timer1 = new QTimer(this);
    controls_.Timer1->setObjectName(QStringLiteral("Timer1"));
    controls_.Timer1->setInterval(kTimerInterval);
    controls_.Timer1->start();
}

void Omega::OrderTabsAsOnScreen()
{
    // Tab goes down the window as the eye does, whichever controls the mode shows.
    const auto& c = controls_;
    const std::array<QWidget*, 10> order = {c.cmbOmega,     c.txtSymbol,    c.opbSearch[0], c.opbSearch[1],
                                            c.cmdSearch,    c.List1,        c.txtFirstDate, c.txtLastDate,
                                            c.chbSkip,      c.chbOpenInt};
    for (size_t i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void Omega::CreateFileFrame(QWidget* client)
{
    auto& c = controls_;
    c.FileLabelFrame = MakePanel(client, "FileLabelFrame", 240, 90, 6375, 765);
    c.Label1 = MakeLabel(c.FileLabelFrame, "Label1", QStringLiteral("Omega Downloader Files In:"), 180, 120, 2055, 255);
    c.cmbOmega = Make<QComboBox>(c.FileLabelFrame, "cmbOmega", 2220, 60, 4065, 315);
    c.cmbOmega->setEditable(false);
    c.Label2 = MakeLabel(c.FileLabelFrame, "Label2", QStringLiteral("Pattern File:"), 180, 420, 915, 255);
    c.Label4 = MakeLabel(c.FileLabelFrame, "Label4", {}, 2280, 420, 4065, 255);
}

void Omega::CreateMainPanel(QWidget* client)
{
    auto& c = controls_;
    c.Panel3D1 = MakePanel(client, "Panel3D1", 240, 960, 6375, 3345);
    c.Label6 = MakeLabel(c.Panel3D1, "Label6", QStringLiteral("Enter security symbol:"), 390, 150, 1575, 195);
    c.txtSymbol = Make<QLineEdit>(c.Panel3D1, "txtSymbol", 2040, 120, 1095, 285);
    c.txtSymbol->installEventFilter(this);
    c.Label13 = MakeLabel(c.Panel3D1, "Label13", QStringLiteral("Search by:"), 3270, 150, 825, 225);
    c.opbSearch[0] = Make<QRadioButton>(c.Panel3D1, "opbSearch(0)", 4110, 150, 825, 255);
    c.opbSearch[0]->setText(QStringLiteral("Symbol"));
    c.opbSearch[0]->setChecked(true);
    // A little right of the design's 4950, which left the "Symbol" caption touching it.
    c.opbSearch[1] = Make<QRadioButton>(c.Panel3D1, "opbSearch(1)", 5040, 150, 1215, 255);
    c.opbSearch[1]->setText(QStringLiteral("Description"));
    c.Label14 = MakeLabel(c.Panel3D1, "Label14", QStringLiteral("(wildcard '?' shows all)"), 390, 330, 1635, 195);
    c.Label12 = MakeLabel(c.Panel3D1, "Label12", QStringLiteral("Number of entries found:"), 390, 540, 1815, 225);
    c.lblNumOfEntries = MakeLabel(c.Panel3D1, "lblNumOfEntries", QStringLiteral(" 0"), 2280, 540, 975, 225);
    c.cmdSearch = Make<QPushButton>(c.Panel3D1, "cmdSearch", 3570, 90, 2205, 315);
    c.cmdSearch->setText(QStringLiteral("Search For Security"));
    c.cmdSearch->setAutoDefault(false);

    CreateInformationFrame();

    // It takes the place of the information frame in list mode.
    c.List1 = Make<QListView>(c.Panel3D1, "List1", 390, 750, 5625, 1035);

    CreateOptionsFrame();

    // The single-security arrangement; the mode set-up at start-up confirms it.
    for (QWidget* listOnly : {static_cast<QWidget*>(c.List1), static_cast<QWidget*>(c.Label12),
                              static_cast<QWidget*>(c.Label13), static_cast<QWidget*>(c.Label14),
                              static_cast<QWidget*>(c.lblNumOfEntries), static_cast<QWidget*>(c.opbSearch[0]),
                              static_cast<QWidget*>(c.opbSearch[1])})
        listOnly->hide();
}

void Omega::CreateInformationFrame()
{
    auto& c = controls_;
    c.Frame3D1 = MakeFrame(c.Panel3D1, "Frame3D1", QStringLiteral("Security information:"), 390, 540, 5625, 1455);
    c.Label8 = MakeLabel(c.Frame3D1, "Label8", QStringLiteral("Description:"), 330, 300, 1185, 255);
    c.pctDesc = MakeLabel(c.Frame3D1, "pctDesc", {}, 1530, 300, 3795, 255);
    c.pctDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.pctDesc->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    c.Label9 = MakeLabel(c.Frame3D1, "Label9", QStringLiteral("Category:"), 330, 570, 1185, 255);
    c.lblCategory = MakeLabel(c.Frame3D1, "lblCategory", {}, 1530, 570, 3795, 255);
    c.Label11 = MakeLabel(c.Frame3D1, "Label11", QStringLiteral("Period:"), 330, 840, 1185, 255);
    c.lblPeriod = MakeLabel(c.Frame3D1, "lblPeriod", {}, 1530, 840, 3795, 255);
    c.Label10 = MakeLabel(c.Frame3D1, "Label10", QStringLiteral("Data available: "), 330, 1110, 1185, 255);
    c.lblDataAvailable = MakeLabel(c.Frame3D1, "lblDataAvailable", {}, 1530, 1110, 3795, 255);
}

void Omega::CreateOptionsFrame()
{
    auto& c = controls_;
    c.frmOptions = MakeFrame(c.Panel3D1, "frmOptions", QStringLiteral("Import options:"), 390, 2010, 5625, 1035);
    c.Label5 = MakeLabel(c.frmOptions, "Label5", QStringLiteral("First Date:"), 330, 300, 945, 255);
    c.txtFirstDate = Make<QLineEdit>(c.frmOptions, "txtFirstDate", 1260, 270, 1065, 285);
    c.txtFirstDate->setEnabled(false);
    c.txtFirstDate->setMaxLength(kMaxDateTextLength);
    c.Label7 = MakeLabel(c.frmOptions, "Label7", QStringLiteral("Last Date:"), 330, 630, 945, 255);
    c.txtLastDate = Make<QLineEdit>(c.frmOptions, "txtLastDate", 1260, 600, 1065, 285);
    c.txtLastDate->setEnabled(false);
    c.txtLastDate->setMaxLength(kMaxDateTextLength);
    c.chbSkip = Make<QCheckBox>(c.frmOptions, "chbSkip", 3060, 240, 1755, 285);
    c.chbSkip->setText(QStringLiteral("Skip invalid records"));
    c.chbSkip->setChecked(true);
    c.chbOpenInt = Make<QCheckBox>(c.frmOptions, "chbOpenInt", 3060, 630, 2235, 225);
    c.chbOpenInt->setText(QStringLiteral("Import 'Open Interest' field"));
}

void Omega::CreateStatusLine(QWidget* client)
{
    controls_.InfoPanel = new QLabel(client);
    controls_.InfoPanel->setObjectName(QStringLiteral("InfoPanel"));
    controls_.InfoPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    controls_.InfoPanel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    controls_.InfoPanel->setIndent(TwipsToPixelsX(60));
}

void Omega::CreateMenus()
{
    auto& c = controls_;
    auto add = [this](QMenu* menu, QAction*& slot, const char* name, const QString& caption) {
        slot = menu->addAction(caption);
        slot->setObjectName(QLatin1String(name));
        slot->setParent(this);
        return slot;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    add(file, c.mnuScan, "mnuScan", QStringLiteral("Omega Data Directories..."));
    add(file, c.mnuSelectPatternFile, "mnuSelectPatternFile", QStringLiteral("Select &Pattern File"));
    file->addSeparator();
    add(file, c.mnuView, "mnuView", QStringLiteral("&View Pattern File"));
    file->addSeparator();
    add(file, c.mnuExit, "mnuExit", QStringLiteral("E&xit Tessaport"));
    // F4 echoes Alt+F4, the system's own key for closing a window; F1 and F2 belong
    // to help, and F3 is by habit "find next", which a search window may want later.
    c.mnuExit->setShortcut(QKeySequence(Qt::Key_F4));

    QMenu* import = menuBar()->addMenu(QStringLiteral("&Import"));
    import->setObjectName(QStringLiteral("mnuImport"));
    add(import, c.mnuBegin, "mnuBegin", QStringLiteral("&Begin Import"))->setEnabled(false);
    add(import, c.mnuInterrupt, "mnuInterrupt", QStringLiteral("&Interrupt Import"))->setEnabled(false);
    import->addSeparator();
    add(import, c.mnuExportListed, "mnuExportListed", QStringLiteral("&Export Listed Securities..."))->setEnabled(false);

    QMenu* mode = menuBar()->addMenu(QStringLiteral("&Mode"));
    mode->setObjectName(QStringLiteral("mnuModeMenu"));
    // Exclusive, so choosing the checked item again keeps its check mark.
    auto* modes = new QActionGroup(this);
    add(mode, c.mnuMode[0], "mnuMode(0)", QStringLiteral("&Single security"));
    add(mode, c.mnuMode[1], "mnuMode(1)", QStringLiteral("&List of securities"));
    for (QAction* action : c.mnuMode) {
        action->setCheckable(true);
        modes->addAction(action);
    }
    c.mnuMode[0]->setChecked(true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    add(help, c.mnuCurrentContext, "mnuCurrentContext", QStringLiteral("&Current Context"))
        ->setShortcut(QKeySequence(Qt::Key_F1));
    add(help, c.mnuIndex, "mnuIndex", QStringLiteral("&Index"))->setShortcut(QKeySequence(Qt::Key_F2));
    help->addSeparator();
    add(help, c.mnuAbout, "mnuAbout", QStringLiteral("&About"));
}

void Omega::ConnectHandlers()
{
    const auto& c = controls_;
    connect(c.mnuScan, &QAction::triggered, this, &Omega::mnuScan_Click);
    connect(c.mnuSelectPatternFile, &QAction::triggered, this, &Omega::mnuSelectPatternFile_Click);
    connect(c.mnuView, &QAction::triggered, this, &Omega::mnuView_Click);
    connect(c.mnuExit, &QAction::triggered, this, &Omega::mnuExit_Click);
    connect(c.mnuBegin, &QAction::triggered, this, &Omega::mnuBegin_Click);
    connect(c.mnuInterrupt, &QAction::triggered, this, &Omega::mnuInterrupt_Click);
    connect(c.mnuExportListed, &QAction::triggered, this, &Omega::mnuExportListed_Click);
    for (int i = 0; i < 2; ++i) {
        connect(c.mnuMode[i], &QAction::triggered, this, [this, i] { mnuMode_Click(i); });
        connect(c.opbSearch[i], &QRadioButton::clicked, this, [this, i] { opbSearch_Click(i); });
    }
    connect(c.mnuCurrentContext, &QAction::triggered, this, &Omega::mnuCurrentContext_Click);
    connect(c.mnuIndex, &QAction::triggered, this, &Omega::mnuIndex_Click);
    connect(c.mnuAbout, &QAction::triggered, this, &Omega::mnuAbout_Click);

    // The list's model comes first: setting one replaces the selection model.
    AttachSecurityList(c);
    AttachExportListed(state_, c);
    // Chosen by the user; the program's own selections run the handler themselves.
    connect(c.cmbOmega, &QComboBox::activated, this, &Omega::cmbOmega_Click);
    connect(c.cmdSearch, &QPushButton::clicked, this, &Omega::cmdSearch_Click);
    connect(c.List1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    List1_Click();
            });
    connect(c.txtSymbol, &QLineEdit::textChanged, this, &Omega::txtSymbol_Change);
    connect(c.Timer1, &QTimer::timeout, this, &Omega::Timer1_Timer);
}

void Omega::NameInputsAfterCaptions()
{
    const auto& c = controls_;
    platform::NameAfterCaption(c.cmbOmega, c.Label1);
    platform::NameAfterCaption(c.txtSymbol, c.Label6);
    platform::NameAfterCaption(c.txtFirstDate, c.Label5);
    platform::NameAfterCaption(c.txtLastDate, c.Label7);
    // The list has no caption of its own: it takes the place of the information frame
    // and lists what the mask above it finds.
    c.List1->setAccessibleName(QStringLiteral("Securities"));
}

void Omega::FitFontToCaptions()
{
    // Where the nearest face here runs wider than the one the layout was drawn for, a
    // slightly smaller size keeps every fixed caption whole.
    const QList<QWidget*> controls = client_->findChildren<QWidget*>();
    for (const double pointSize : {8.0, 7.5, 7.0}) {
        const QFont font = platform::WindowFont(pointSize * platform::TwipsScale());
        setFont(font);
        const QFontMetrics metrics(font);
        const bool fits = std::all_of(controls.begin(), controls.end(), [&](const QWidget* control) {
            return control == controls_.InfoPanel || CaptionWidth(*control, metrics) <= control->width();
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

void Omega::SetClientHeight(int pixels)
{
    const int width = TwipsToPixelsX(kClientWidth);
    client_->resize(width, pixels);
    setFixedSize(width, MenuBarHeight(*this) + pixels);
    PlaceInfoPanel();
}

void Omega::PlaceInfoPanel()
{
    // The status line clings to the bottom edge of the client area, across its width.
    const int height = TwipsToPixelsY(kInfoPanelHeight);
    controls_.InfoPanel->setGeometry(0, client_->height() - height, client_->width(), height);
}

void Omega::FitInfoPanelBelowMainPanel(int marginTwips)
{
    const QRect panel = controls_.Panel3D1->geometry();
    const int change = panel.y() + panel.height() - controls_.InfoPanel->y() + TwipsToPixelsY(marginTwips);
    SetClientHeight(client_->height() + change);
}

void Omega::CentreHorizontally()
{
    const QRect screen = ScreenArea();
    move(screen.x() + (screen.width() - width()) / 2, y());
}

void Omega::CentreOnScreen()
{
    const QRect screen = ScreenArea();
    move(screen.x() + (screen.width() - width()) / 2, screen.y() + (screen.height() - height()) / 2);
}

void Omega::WhileResizable(const std::function<void()>& rearrange)
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

void Omega::FillOmegaDirs() { ::FillOmegaDirs(state_, controls_); }
void Omega::SelectDataDir() { ::SelectDataDir(state_, controls_); }

void Omega::Form_Unload(int16_t& cancel)
{
    if (controls_.mnuInterrupt->isEnabled()) {
        cancel = kTrue;
        platform::ShowMessage(kTitle, kImportRunning, platform::MessageIcon::Exclamation, this);
        return;
    }
    omega::TheDataLibrary().Uninitialize();
    // Ends the event loop: no other window gets another event.
    QCoreApplication::quit();
}

void Omega::Form_Resize()
{
    FollowMainWindowState(windowState());
}

void Omega::mnuExit_Click()
{
    close();
}

void Omega::mnuInterrupt_Click()
{
    state_.InterruptRequested = kTrue;
}

void Omega::mnuCurrentContext_Click()
{
    platform::ShowHelpContext(state_.HelpContext);
}

void Omega::mnuIndex_Click()
{
    platform::ShowHelpIndex();
}

// The commands of the data folder scanner, pattern file selection, viewer, import and
// About box come with those windows.
void Omega::mnuScan_Click()
{
    scan::mnuScan_Click(state_, controls_, [this] { FillOmegaDirs(); }, [this] { SelectDataDir(); });
}

void Omega::mnuSelectPatternFile_Click() { ::mnuSelectPatternFile_Click(state_, controls_); }
void Omega::mnuView_Click() { ::mnuView_Click(state_); }
void Omega::mnuBegin_Click()
{
    // Cancelling the chooser leaves the pattern file unchosen, and the import ends there.
    ::mnuBegin_Click(state_, controls_, [this] {
        ::mnuSelectPatternFile_Click(state_, controls_);
        return !state_.PatternFileName.isEmpty();
    });
}
void Omega::mnuExportListed_Click() { ::mnuExportListed_Click(state_, controls_); }
void Omega::mnuAbout_Click() { ShowAbout(this, QStringLiteral("Tessaport Version 4.32"), 0); }

void Omega::mnuMode_Click(int index)
{
    WhileResizable([&] { ::mnuMode_Click(state_, controls_, index); });
}
void Omega::cmbOmega_Click() { ::cmbOmega_Click(state_, controls_); }
void Omega::cmdSearch_Click() { ::cmdSearch_Click(state_, controls_); }
void Omega::opbSearch_Click(int index) { ::opbSearch_Click(state_, controls_, index); }
void Omega::List1_Click() { ::List1_Click(state_, controls_); }

void Omega::txtSymbol_KeyPress(int16_t& keyAscii)
{
    if (keyAscii == kEnterKey && state_.ImportMode == 0)
        ::cmdSearch_Click(state_, controls_);
}

void Omega::txtSymbol_Change() { SymbolTextChanged(state_, controls_); }
void Omega::Timer1_Timer() { SymbolTimerTick(state_, controls_); }

void Omega::closeEvent(QCloseEvent* event)
{
    int16_t cancel = kFalse;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void Omega::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Omega::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

bool Omega::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == client_ && event->type() == QEvent::Resize) {
        PlaceInfoPanel();
    } else if (watched == controls_.txtSymbol && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        int16_t keyAscii = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            keyAscii = kEnterKey;
        else if (!key->text().isEmpty())
            keyAscii = static_cast<int16_t>(key->text().at(0).unicode());
        if (keyAscii != 0)
            txtSymbol_KeyPress(keyAscii);
    }
    return QMainWindow::eventFilter(watched, event);
}
