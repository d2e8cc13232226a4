#include "main_window/main_window_controls.h"

#include "widgets/accessible_caption.h"
#include "widgets/twips.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

using widgets::SetTwipsGeometry;
using widgets::TwipsToPixelsX;
using widgets::TwipsToPixelsY;

namespace {

// List mode's client area, the menu bar and a window frame.
constexpr int kTallestArrangement = 6600;
constexpr int kTypingPauseInterval = 550;

void FitDesignToScreen()
{
    // The tallest arrangement (list mode) with the menu bar and the frame: where the screen
    // has less room, every window is drawn that much smaller, fonts included.
    const int needed = TwipsToPixelsY(kTallestArrangement);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    if (needed > area.height())
        widgets::SetTwipsScale(static_cast<double>(area.height()) / needed);
}

// Places are in twips, from the top left corner of the parent.
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

} // namespace

MainWindowControls::MainWindowControls(QMainWindow& window) : window_(&window)
{
    FitDesignToScreen();

    client_ = new QWidget(&window);
    client_->setObjectName(QStringLiteral("client"));
    window.setCentralWidget(client_);

    CreateFileFrame();
    CreateMainPanel();
    CreateStatusLine();

    currentDataDirLabel_ = MakeLabel(client_, "currentDataDirLabel", {}, 0, 0, 4065, 255);
    currentDataDirLabel_->hide();

    typingTimer_ = new QTimer(&window);
    typingTimer_->setObjectName(QStringLiteral("typingTimer"));
    typingTimer_->setInterval(kTypingPauseInterval);
    typingTimer_->start();

    OrderTabsAsOnScreen();
    CreateMenus(window);
    NameInputsAfterCaptions();
}

void MainWindowControls::CreateFileFrame()
{
    filePanel_ = MakePanel(client_, "filePanel", 240, 90, 6375, 765);
    dataDirCaption_ = MakeLabel(filePanel_, "dataDirCaption", QStringLiteral("Omega Downloader Files In:"), 180, 120, 2055, 255);
    dataDirCombo_ = Make<QComboBox>(filePanel_, "dataDirCombo", 2220, 60, 4065, 315);
    dataDirCombo_->setEditable(false);
    patternFileCaption_ = MakeLabel(filePanel_, "patternFileCaption", QStringLiteral("Pattern File:"), 180, 420, 915, 255);
    patternFileLabel_ = MakeLabel(filePanel_, "patternFileLabel", {}, 2280, 420, 4065, 255);
}

void MainWindowControls::CreateMainPanel()
{
    mainPanel_ = MakePanel(client_, "mainPanel", 240, 960, 6375, 3345);
    symbolCaption_ = MakeLabel(mainPanel_, "symbolCaption", QStringLiteral("Enter security symbol:"), 390, 150, 1575, 195);
    symbolEdit_ = Make<QLineEdit>(mainPanel_, "symbolEdit", 2040, 120, 1095, 285);
    searchByCaption_ = MakeLabel(mainPanel_, "searchByCaption", QStringLiteral("Search by:"), 3270, 150, 825, 225);
    searchBySymbolButton_ = Make<QRadioButton>(mainPanel_, "searchBySymbolButton", 4110, 150, 825, 255);
    searchBySymbolButton_->setText(QStringLiteral("Symbol"));
    searchBySymbolButton_->setChecked(true);
    // A little right of the design's 4950, which left the "Symbol" caption touching it.
    searchByDescriptionButton_ = Make<QRadioButton>(mainPanel_, "searchByDescriptionButton", 5040, 150, 1215, 255);
    searchByDescriptionButton_->setText(QStringLiteral("Description"));
    wildcardHint_ = MakeLabel(mainPanel_, "wildcardHint", QStringLiteral("(wildcard '?' shows all)"), 390, 330, 1635, 195);
    entryCountCaption_ = MakeLabel(mainPanel_, "entryCountCaption", QStringLiteral("Number of entries found:"), 390, 540, 1815, 225);
    entryCountLabel_ = MakeLabel(mainPanel_, "entryCountLabel", QStringLiteral(" 0"), 2280, 540, 975, 225);
    searchButton_ = Make<QPushButton>(mainPanel_, "searchButton", 3570, 90, 2205, 315);
    searchButton_->setText(QStringLiteral("Search For Security"));
    searchButton_->setAutoDefault(false);

    CreateInformationFrame();

    // It takes the place of the information frame in list mode.
    securityList_ = Make<QListView>(mainPanel_, "securityList", 390, 750, 5625, 1035);

    CreateOptionsFrame();

    // The single-security arrangement; the mode set-up at start-up confirms it.
    for (QWidget* listOnly : {static_cast<QWidget*>(securityList_), static_cast<QWidget*>(entryCountCaption_),
                              static_cast<QWidget*>(searchByCaption_), static_cast<QWidget*>(wildcardHint_),
                              static_cast<QWidget*>(entryCountLabel_), static_cast<QWidget*>(searchBySymbolButton_),
                              static_cast<QWidget*>(searchByDescriptionButton_)})
        listOnly->hide();
}

void MainWindowControls::CreateInformationFrame()
{
    securityInfoFrame_ = MakeFrame(mainPanel_, "securityInfoFrame", QStringLiteral("Security information:"), 390, 540, 5625, 1455);
    descriptionCaption_ = MakeLabel(securityInfoFrame_, "descriptionCaption", QStringLiteral("Description:"), 330, 300, 1185, 255);
    descriptionLabel_ = MakeLabel(securityInfoFrame_, "descriptionLabel", {}, 1530, 300, 3795, 255);
    descriptionLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    descriptionLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    categoryCaption_ = MakeLabel(securityInfoFrame_, "categoryCaption", QStringLiteral("Category:"), 330, 570, 1185, 255);
    categoryLabel_ = MakeLabel(securityInfoFrame_, "categoryLabel", {}, 1530, 570, 3795, 255);
    periodCaption_ = MakeLabel(securityInfoFrame_, "periodCaption", QStringLiteral("Period:"), 330, 840, 1185, 255);
    periodLabel_ = MakeLabel(securityInfoFrame_, "periodLabel", {}, 1530, 840, 3795, 255);
    dataAvailableCaption_ = MakeLabel(securityInfoFrame_, "dataAvailableCaption", QStringLiteral("Data available: "), 330, 1110, 1185, 255);
    dataAvailableLabel_ = MakeLabel(securityInfoFrame_, "dataAvailableLabel", {}, 1530, 1110, 3795, 255);
}

void MainWindowControls::CreateOptionsFrame()
{
    importOptionsFrame_ = MakeFrame(mainPanel_, "importOptionsFrame", QStringLiteral("Import options:"), 390, 2010, 5625, 1035);
    firstDateCaption_ = MakeLabel(importOptionsFrame_, "firstDateCaption", QStringLiteral("First Date:"), 330, 300, 945, 255);
    firstDateEdit_ = Make<QLineEdit>(importOptionsFrame_, "firstDateEdit", 1260, 270, 1065, 285);
    firstDateEdit_->setEnabled(false);
    lastDateCaption_ = MakeLabel(importOptionsFrame_, "lastDateCaption", QStringLiteral("Last Date:"), 330, 630, 945, 255);
    lastDateEdit_ = Make<QLineEdit>(importOptionsFrame_, "lastDateEdit", 1260, 600, 1065, 285);
    lastDateEdit_->setEnabled(false);
    skipInvalidCheck_ = Make<QCheckBox>(importOptionsFrame_, "skipInvalidCheck", 3060, 240, 1755, 285);
    skipInvalidCheck_->setText(QStringLiteral("Skip invalid records"));
    skipInvalidCheck_->setChecked(true);
    openInterestCheck_ = Make<QCheckBox>(importOptionsFrame_, "openInterestCheck", 3060, 630, 2235, 225);
    openInterestCheck_->setText(QStringLiteral("Import 'Open Interest' field"));
}

void MainWindowControls::CreateStatusLine()
{
    // Along the bottom edge of the client area; the window keeps it there when its height
    // changes.
    statusLine_ = Make<QLabel>(client_, "statusLine", 0, 4410, 6885, 345);
    statusLine_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusLine_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusLine_->setIndent(TwipsToPixelsX(60));
}

void MainWindowControls::CreateMenus(QMainWindow& window)
{
    auto add = [&window](QMenu* menu, QAction*& slot, const char* name, const QString& caption) {
        slot = menu->addAction(caption);
        slot->setObjectName(QLatin1String(name));
        slot->setParent(&window);
        return slot;
    };

    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    add(file, dataDirectoriesAction_, "dataDirectoriesAction", QStringLiteral("Omega Data Directories..."));
    add(file, selectPatternFileAction_, "selectPatternFileAction", QStringLiteral("Select &Pattern File"));
    file->addSeparator();
    add(file, viewPatternFileAction_, "viewPatternFileAction", QStringLiteral("&View Pattern File"));
    file->addSeparator();
    add(file, exitAction_, "exitAction", QStringLiteral("E&xit Tessaport"));
    // F4 echoes Alt+F4, the system's own key for closing a window; F1 and F2 belong
    // to help, and F3 is by habit "find next", which a search window may want later.
    exitAction_->setShortcut(QKeySequence(Qt::Key_F4));

    QMenu* import = window.menuBar()->addMenu(QStringLiteral("&Import"));
    import->setObjectName(QStringLiteral("importMenu"));
    add(import, beginImportAction_, "beginImportAction", QStringLiteral("&Begin Import"))->setEnabled(false);
    add(import, interruptImportAction_, "interruptImportAction", QStringLiteral("&Interrupt Import"))->setEnabled(false);
    import->addSeparator();
    add(import, exportListedAction_, "exportListedAction", QStringLiteral("&Export Listed Securities..."))->setEnabled(false);

    QMenu* mode = window.menuBar()->addMenu(QStringLiteral("&Mode"));
    mode->setObjectName(QStringLiteral("modeMenu"));
    // Exclusive, so choosing the checked item again keeps its check mark.
    auto* modes = new QActionGroup(&window);
    add(mode, modeActions_[0], "singleSecurityModeAction", QStringLiteral("&Single security"));
    add(mode, modeActions_[1], "securityListModeAction", QStringLiteral("&List of securities"));
    for (QAction* action : modeActions_) {
        action->setCheckable(true);
        modes->addAction(action);
    }
    modeActions_[0]->setChecked(true);

    QMenu* help = window.menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    add(help, contextHelpAction_, "contextHelpAction", QStringLiteral("&Current Context"))
        ->setShortcut(QKeySequence(Qt::Key_F1));
    add(help, helpIndexAction_, "helpIndexAction", QStringLiteral("&Index"))->setShortcut(QKeySequence(Qt::Key_F2));
    help->addSeparator();
    add(help, aboutAction_, "aboutAction", QStringLiteral("&About"));
}

void MainWindowControls::OrderTabsAsOnScreen()
{
    // Tab goes down the window as the eye does, whichever controls the mode shows.
    const std::array<QWidget*, 10> order = {dataDirCombo_,  symbolEdit_,       searchBySymbolButton_,
                                            searchByDescriptionButton_, searchButton_, securityList_,
                                            firstDateEdit_, lastDateEdit_,     skipInvalidCheck_,
                                            openInterestCheck_};
    for (size_t i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void MainWindowControls::NameInputsAfterCaptions()
{
    widgets::NameAfterCaption(dataDirCombo_, dataDirCaption_);
    widgets::NameAfterCaption(symbolEdit_, symbolCaption_);
    widgets::NameAfterCaption(firstDateEdit_, firstDateCaption_);
    widgets::NameAfterCaption(lastDateEdit_, lastDateCaption_);
    // The list has no caption of its own: it takes the place of the information frame
    // and lists what the mask above it finds.
    securityList_->setAccessibleName(QStringLiteral("Securities"));
}
