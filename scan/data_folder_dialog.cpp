#include "data_folder_dialog.h"

#include "data_folder_search.h"
#include "drive_list.h"
#include "omega/data_library.h"
#include "widgets/busy_pointer.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"
#include "widgets/twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <array>
#include <climits>

namespace scan {

namespace {

using widgets::TwipsToPixelsX;
using widgets::TwipsToPixelsY;

const QString kChooseFolder = QStringLiteral("Folder\u2026");
const QString kChooseFolderMark = QStringLiteral("choose");

// Outer size below which the window does not shrink, in twips.
constexpr int kMinimumWidth = 3900;
constexpr int kMinimumHeight = 3255;

QString CountText(int value) { return u' ' + QString::number(value); }

// What a search did, for the status line.
QString SummaryText(const DataFolderSearchOutcome& outcome, const QString& programFolder)
{
    QString text = QStringLiteral("Total") + CountText(outcome.foldersSearched) + QStringLiteral(" directories searched,")
                 + CountText(outcome.filesChecked) + QStringLiteral(" files checked.");
    if (outcome.unreadFolders > 0) {
        // The reason before the path, which may run past the window's edge.
        text += outcome.unreadFolders == 1
                    ? QStringLiteral(" A folder was left out (%1): ").arg(outcome.firstUnreadWhy)
                    : QStringLiteral(" %1 folders were left out, the first (%2): ")
                          .arg(outcome.unreadFolders)
                          .arg(outcome.firstUnreadWhy);
        text += outcome.firstUnread + u'.';
    }
    if (outcome.endedEarly) {
        text += QStringLiteral(" The walk ended early: the program folder ") + programFolder
              + QStringLiteral(" could not be made the working folder.");
    }
    return text;
}

} // namespace

DataFolderDialog::DataFolderDialog(ProgramState& state, const QComboBox* mainList, QWidget* parent)
    : QDialog(parent), state_(state)
{
    CreateControls();
    CreateButtons();
    CreateStatusLine();
    ApplyMinimumSize();
    LayOut();
    CentreOnScreen();
    LoadList(mainList);
}

void DataFolderDialog::CreateControls()
{
    setObjectName(QStringLiteral("DataFolderDialog"));
    setWindowTitle(QStringLiteral("Omega Research datafile folders"));
    setWindowModality(Qt::ApplicationModal);
    resize(TwipsToPixelsX(6855), TwipsToPixelsY(5070));

    placeLabel = new QLabel(QStringLiteral("Drive to scan:"), this);
    placeLabel->setObjectName(QStringLiteral("placeLabel"));
    widgets::SetTwipsGeometry(placeLabel, 60, 90, 990, 195);

    placeBox = new QComboBox(this);
    placeBox->setObjectName(QStringLiteral("placeBox"));
    widgets::SetTwipsGeometry(placeBox, 1080, 30, 1905, 315);
    // A font wider than the design's must not cut the caption off.
    const QSize caption = placeLabel->sizeHint();
    if (caption.width() > placeLabel->width()) {
        placeLabel->resize(caption.width(), std::max(placeLabel->height(), caption.height()));
        placeBox->move(std::max(placeBox->x(), placeLabel->geometry().right() + 1 + TwipsToPixelsX(30)), placeBox->y());
    }

    folderList = new QTreeWidget(this);
    folderList->setObjectName(QStringLiteral("folderList"));
    folderList->setColumnCount(2);
    folderList->setHeaderLabels({QStringLiteral("Folder"), QStringLiteral("# files")});
    folderList->setRootIsDecorated(false);
    folderList->setUniformRowHeights(true);
    folderList->setAllColumnsShowFocus(true);
    folderList->setTextElideMode(Qt::ElideMiddle);
    folderList->setSelectionMode(QAbstractItemView::SingleSelection);
    folderList->header()->setStretchLastSection(false);
    folderList->header()->setSectionsMovable(false);
    folderList->header()->setResizeContentsPrecision(-1);  // fit every entry, not a sample
    widgets::SetTwipsGeometry(folderList, 0, 390, 5145, 1995);
}

void DataFolderDialog::CreateButtons()
{
    struct Button {
        QPushButton** button;
        const char* name;
        const char* caption;
        int top;
        void (DataFolderDialog::*clicked)();
    };
    const std::array<Button, 5> buttons = {{
        {&scanButton, "scanButton", "&Scan", 60, &DataFolderDialog::scan},
        {&stopButton, "stopButton", "S&top", 450, &DataFolderDialog::stopScan},
        {&clearListButton, "clearListButton", "C&lear list", 1050, &DataFolderDialog::clearList},
        {&removeButton, "removeButton", "&Remove", 1440, &DataFolderDialog::removeSelected},
        {&closeButton, "closeButton", "&Close", 2010, &DataFolderDialog::closeWindow},
    }};
    for (const Button& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.caption), this);
        button->setObjectName(QString::fromLatin1(b.name));
        widgets::SetTwipsGeometry(button, 5220, b.top, 1185, 375);
        connect(button, &QPushButton::clicked, this, b.clicked);
        *b.button = button;
    }
    stopButton->setEnabled(false);
}

void DataFolderDialog::CreateStatusLine()
{
    statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    statusLabel_ = new QLabel(statusBar);
    statusLabel_->setObjectName(QStringLiteral("statusLabel"));
    statusLabel_->setTextFormat(Qt::PlainText);
    statusBar->addWidget(statusLabel_, 1);
    widgets::SetTwipsGeometry(statusBar, 0, 5070 - 300, 6855, 300);
}

void DataFolderDialog::LoadList(const QComboBox* mainList)
{
    const QStringList volumes = MountedVolumes();
    placeBox->addItems(ScanPlaces());
    // Last, the entry that asks for a folder of the user's choice.
    placeBox->addItem(kChooseFolder, kChooseFolderMark);
    // The program's own volume, or the first one when it has none (a network path).
    const auto home = static_cast<int>(volumes.indexOf(VolumeOf(omega::DataLibrary::ProgramDir(), volumes)));
    placeBox->setCurrentIndex(std::max(0, home));
    chosenPlace_ = placeBox->currentIndex();
    connect(placeBox, &QComboBox::activated, this, &DataFolderDialog::choosePlace);

    folderList->clear();
    const DataFolderSearch search(state_.tradeStationDir, state_.omegaRootDir);
    for (int i = 0; mainList && i < mainList->count(); ++i) {
        const QString folder = mainList->itemText(i);
        new QTreeWidgetItem(folderList, {folder, CountText(search.CountSecurities(folder))});
    }
    FitColumns();
}

void DataFolderDialog::CentreOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void DataFolderDialog::ApplyMinimumSize()
{
    // The minimum is for the outer size; the frame is known only once the window shows.
    const QSize frame = frameGeometry().size() - geometry().size();
    setMinimumSize(std::max(0, TwipsToPixelsX(kMinimumWidth) - frame.width()),
                   std::max(0, TwipsToPixelsY(kMinimumHeight) - frame.height()));
}

void DataFolderDialog::LayOut()
{
    const int x = width() - scanButton->width() - TwipsToPixelsX(30);
    for (QPushButton* button : {scanButton, stopButton, clearListButton, removeButton, closeButton})
        button->move(x, button->y());
    const int statusHeight = statusBar->height();
    statusBar->setGeometry(0, height() - statusHeight, width(), statusHeight);
    folderList->resize(std::max(0, x - TwipsToPixelsX(60)), std::max(0, height() - folderList->y() - statusHeight));
}

void DataFolderDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (!isMinimized())
        LayOut();
}

void DataFolderDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ApplyMinimumSize();
}

void DataFolderDialog::closeEvent(QCloseEvent* event)
{
    // Closing through the frame discards the window; a search still running ends at its
    // next entry, before the window goes.
    stopRequested_ = true;
    closedThroughFrame_ = true;
    event->accept();
}

void DataFolderDialog::choosePlace(int index)
{
    if (placeBox->itemData(index) != kChooseFolderMark) {
        chosenPlace_ = index;
        return;
    }
    widgets::FileDialogRequest request;
    request.mode = widgets::FileDialogMode::Folder;
    request.title = QStringLiteral("Scan a Folder");
    const std::optional<QString> folder = widgets::RunFileDialog(this, request);
    if (!folder || folder->isEmpty()) {
        placeBox->setCurrentIndex(chosenPlace_);
        return;
    }
    const QString path = QDir::toNativeSeparators(QDir::cleanPath(*folder));
    int at = placeBox->findText(path);
    if (at < 0) {
        at = placeBox->count() - 1;
        placeBox->insertItem(at, path);
    }
    placeBox->setCurrentIndex(at);
    chosenPlace_ = at;
}

void DataFolderDialog::scan()
{
    SetStatus(QString());
    const QString place = placeBox->currentText();
    if (!DataFolderSearch::IsReady(place)) {
        widgets::ShowMessage(QStringLiteral("Tessaport"),
                              QStringLiteral("Drive ") + place + QStringLiteral(" is not ready."),
                              widgets::MessageIcon::Critical, this);
        return;
    }
    widgets::SetBusyPointer(true);
    stopRequested_ = false;
    SetScanning(true);

    DataFolderSearchHooks hooks;
    hooks.stopRequested = [this] { return stopRequested_; };
    hooks.found = [this](const QString& folder, int16_t securities) { ListDataFolder(folder, securities); };
    hooks.progress = [this](const QString& folder) {
        SetStatus(QStringLiteral("Scanning ") + folder + QStringLiteral("..."));
        QCoreApplication::processEvents();
    };
    const DataFolderSearchOutcome outcome =
        DataFolderSearch(state_.tradeStationDir, state_.omegaRootDir).Search(place, hooks);

    SetStatus(SummaryText(outcome, state_.tradeStationDir));
    FitColumns();
    SetScanning(false);
    widgets::SetBusyPointer(false);
}

void DataFolderDialog::stopScan() { stopRequested_ = true; }

void DataFolderDialog::clearList() { folderList->clear(); }

void DataFolderDialog::removeSelected()
{
    // An entry must be selected as well: removing some other one would surprise.
    if (folderList->topLevelItemCount() > 0 && !folderList->selectedItems().isEmpty())
        delete folderList->selectedItems().constFirst();
}

void DataFolderDialog::closeWindow()
{
    const int count = std::min(folderList->topLevelItemCount(), static_cast<int>(kMaxDataDirs));
    QStringList dirs;
    for (int i = 0; i < count; ++i)
        dirs.append(folderList->topLevelItem(i)->text(0));
    state_.dataDirs = dirs;  // an empty list empties it too, so no reader sees stale folders
    hide();
}

// Lists `folder` once, ignoring case; a folder found again gets its count refreshed.
void DataFolderDialog::ListDataFolder(const QString& folder, int16_t securities)
{
    QTreeWidgetItem* target = nullptr;
    for (int i = 0; i < folderList->topLevelItemCount() && !target; ++i) {
        if (folderList->topLevelItem(i)->text(0).compare(folder, Qt::CaseInsensitive) == 0)
            target = folderList->topLevelItem(i);
    }
    if (!target)
        target = new QTreeWidgetItem(folderList, {folder});
    target->setText(1, CountText(securities));
}

void DataFolderDialog::SetScanning(bool scanning)
{
    for (QPushButton* button : {scanButton, clearListButton, removeButton, closeButton})
        button->setEnabled(!scanning);
    placeBox->setEnabled(!scanning);
    stopButton->setEnabled(scanning);
}

void DataFolderDialog::SetStatus(const QString& text)
{
    statusLabel_->setText(text);
    statusLabel_->setToolTip(text);  // whole, where the window is too narrow for it
}

QString DataFolderDialog::StatusText() const { return statusLabel_->text(); }

void DataFolderDialog::FitColumns()
{
    for (int column = 0; column < folderList->columnCount(); ++column)
        folderList->resizeColumnToContents(column);
    // The counts stay in sight: a path longer than the room left is shortened in its
    // middle rather than pushing the last column out of the view.
    const int last = folderList->columnCount() - 1;
    if (last < 1)
        return;
    int others = 0;
    for (int column = 1; column <= last; ++column)
        others += folderList->columnWidth(column);
    // Measured on the view, not its viewport, which is laid out only once shown; room is
    // kept for a vertical scroll bar.
    const int room = folderList->maximumViewportSize().width() - others
                   - folderList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, folderList);
    if (room > 0 && folderList->columnWidth(0) > room)
        folderList->setColumnWidth(0, room);
}

} // namespace scan
