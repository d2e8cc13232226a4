#include "data_folder_dialog.h"

#include "drive_list.h"
#include "omega/data_library.h"
#include "widgets/busy_pointer.h"
#include "widgets/file_dialog.h"
#include "platform/folder_walk.h"
#include "platform/paths.h"
#include "widgets/message_box.h"
#include "widgets/twips.h"
#include "platform/working_directory.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QStyle>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTreeWidget>

#include <algorithm>
#include <climits>

#include <strings.h>

namespace scan {

namespace {

const QString kChooseFolder = QStringLiteral("Folder\u2026");
const QString kChooseFolderMark = QStringLiteral("choose");

} // namespace

namespace {

using platform::TwipsToPixelsX;
using platform::TwipsToPixelsY;

constexpr char kHeaderFileName[] = "master.omg";
constexpr auto kPumpInterval = std::chrono::milliseconds(20);
constexpr int kEntriesPerClockCheck = 32;

// Outer size below which the window does not shrink, in twips.
constexpr int kMinimumWidth = 3900;
constexpr int kMinimumHeight = 3255;

QString CountText(int value) { return u' ' + QString::number(value); }

constexpr char kSeparator = static_cast<char>(platform::kPathSeparator.unicode());

QString DisplayPath(const std::string& path)
{
    if (path.empty())
        return QString(platform::kPathSeparator);
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

bool IsSystemFolderName(const char* name)
{
    return strcasecmp(name, "windows") == 0 || strcasecmp(name, "winnt") == 0;
}

bool VolumeIsReady(const QString& volume)
{
    const auto root = platform::FolderListing::Open(QFile::encodeName(volume).toStdString());
    std::string name;
    platform::FolderEntryKind kind;
    bool failed = false;
    if (root)
        root->Next(name, kind, failed);
    return root && !failed;
}

} // namespace

formFileSearch::formFileSearch(ProgramState& state, const QComboBox* cmbOmega, QWidget* parent)
    : QDialog(parent), state_(state)
{
    CreateControls();
    Form_Load(cmbOmega);
}

void formFileSearch::CreateControls()
{
    setObjectName(QStringLiteral("formFileSearch"));
    setWindowTitle(QStringLiteral("Omega Research datafile folders"));
    setWindowModality(Qt::ApplicationModal);
    resize(TwipsToPixelsX(6855), TwipsToPixelsY(5070));

    Label2 = new QLabel(QStringLiteral("Drive to scan:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    platform::SetTwipsGeometry(Label2, 60, 90, 990, 195);

    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    platform::SetTwipsGeometry(Drive1, 1080, 30, 1905, 315);
    // A font wider than the design's must not cut the caption off.
    const QSize caption = Label2->sizeHint();
    if (caption.width() > Label2->width()) {
        Label2->resize(caption.width(), std::max(Label2->height(), caption.height()));
        Drive1->move(std::max(Drive1->x(), Label2->geometry().right() + 1 + TwipsToPixelsX(30)), Drive1->y());
    }

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setColumnCount(2);
    ListView1->setHeaderLabels({QStringLiteral("Folder"), QStringLiteral("# files")});
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setTextElideMode(Qt::ElideMiddle);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->setResizeContentsPrecision(-1);  // fit every entry, not a sample
    platform::SetTwipsGeometry(ListView1, 0, 390, 5145, 1995);

    struct Button {
        const char* caption;
        int top;
    };
    constexpr std::array<Button, 5> kButtons = {{
        {"&Scan", 60}, {"S&top", 450}, {"C&lear list", 1050}, {"&Remove", 1440}, {"&Close", 2010},
    }};
    for (int i = 0; i < static_cast<int>(Command1.size()); ++i) {
        QPushButton* button = new QPushButton(QString::fromLatin1(kButtons[i].caption), this);
        button->setObjectName(QStringLiteral("Command1_%1").arg(i));
        platform::SetTwipsGeometry(button, 5220, kButtons[i].top, 1185, 375);
        connect(button, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        Command1[i] = button;
    }
    Command1[kStop]->setEnabled(false);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    statusPanel_ = new QLabel(StatusBar1);
    statusPanel_->setObjectName(QStringLiteral("Panel1"));
    statusPanel_->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(statusPanel_, 1);
    platform::SetTwipsGeometry(StatusBar1, 0, 5070 - 300, 6855, 300);

    ApplyMinimumSize();
    Form_Resize();
}

void formFileSearch::Form_Load(const QComboBox* cmbOmega)
{
    const QStringList volumes = MountedVolumes();
    Drive1->addItems(ScanPlaces());
    // Last, the entry that asks for a folder of the user's choice.
    Drive1->addItem(kChooseFolder, kChooseFolderMark);
    // The program's own volume, or the first one when it has none (a network path).
    const auto home = static_cast<int>(volumes.indexOf(VolumeOf(omega::DataLibrary::ProgramDir(), volumes)));
    Drive1->setCurrentIndex(std::max(0, home));
    chosenPlace_ = Drive1->currentIndex();
    connect(Drive1, &QComboBox::activated, this, &formFileSearch::Drive1_Change);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }

    ListView1->clear();
    for (int i = 0; cmbOmega && i < cmbOmega->count(); ++i) {
        const QString folder = cmbOmega->itemText(i);
        new QTreeWidgetItem(ListView1, {folder, CountText(GetFolderFileCount(folder))});
    }
    ResizeListView(ListView1);
}

void formFileSearch::ApplyMinimumSize()
{
    // The minimum is for the outer size; the frame is known only once the window shows.
    const QSize frame = frameGeometry().size() - geometry().size();
    setMinimumSize(std::max(0, TwipsToPixelsX(kMinimumWidth) - frame.width()),
                   std::max(0, TwipsToPixelsY(kMinimumHeight) - frame.height()));
}

void formFileSearch::Form_Resize()
{
    const int x = width() - Command1[kScan]->width() - TwipsToPixelsX(30);
    for (QPushButton* button : Command1)
        button->move(x, button->y());
    const int statusHeight = StatusBar1->height();
    StatusBar1->setGeometry(0, height() - statusHeight, width(), statusHeight);
    ListView1->resize(std::max(0, x - TwipsToPixelsX(60)), std::max(0, height() - ListView1->y() - statusHeight));
}

void formFileSearch::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (!isMinimized())
        Form_Resize();
}

void formFileSearch::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ApplyMinimumSize();
}

void formFileSearch::closeEvent(QCloseEvent* event)
{
    // Closing through the frame discards the window; a walk still running ends at its
    // next entry, before the window goes.
    StopRequested = kTrue;
    closedThroughFrame_ = true;
    event->accept();
}

void formFileSearch::Command1_Click(int index)
{
    switch (index) {
    case kScan:
        Scan();
        break;
    case kStop:
        StopRequested = kTrue;
        break;
    case kClearList:
        ListView1->clear();
        break;
    case kRemove:
        // An entry must be selected as well: removing some other one would surprise.
        if (ListView1->topLevelItemCount() > 0 && !ListView1->selectedItems().isEmpty())
            delete ListView1->selectedItems().constFirst();
        break;
    case kClose:
        CloseWindow();
        break;
    default:
        break;
    }
}

void formFileSearch::Drive1_Change(int index)
{
    if (Drive1->itemData(index) != kChooseFolderMark) {
        chosenPlace_ = index;
        return;
    }
    platform::FileDialogRequest request;
    request.mode = platform::FileDialogMode::Folder;
    request.title = QStringLiteral("Scan a Folder");
    const std::optional<QString> folder = platform::RunFileDialog(this, request);
    if (!folder || folder->isEmpty()) {
        Drive1->setCurrentIndex(chosenPlace_);
        return;
    }
    const QString path = QDir::toNativeSeparators(QDir::cleanPath(*folder));
    int at = Drive1->findText(path);
    if (at < 0) {
        at = Drive1->count() - 1;
        Drive1->insertItem(at, path);
    }
    Drive1->setCurrentIndex(at);
    chosenPlace_ = at;
}

void formFileSearch::Scan()
{
    SetStatus(QString());
    const QString drive = Drive1->currentText();
    if (!VolumeIsReady(drive)) {
        platform::ShowMessage(QStringLiteral("Tessaport"), QStringLiteral("Drive ") + drive + QStringLiteral(" is not ready."),
                              platform::MessageIcon::Critical, this);
        return;
    }
    platform::SetBusyPointer(true);
    StopRequested = kFalse;
    DirsSearched = 0;
    FilesChecked = 0;
    unreadFolders_ = 0;
    firstUnread_.clear();
    walkEndedEarly_ = false;
    SetScanning(true);

    // The system volume is never walked whole: only the installation's data root.
    ScanFolder(drive == SystemVolume() ? QDir::cleanPath(state_.OmegaRootDir + QStringLiteral("/Data")) : drive);

    QString status = QStringLiteral("Total") + CountText(DirsSearched) + QStringLiteral(" directories searched,")
                   + CountText(FilesChecked) + QStringLiteral(" files checked.");
    if (unreadFolders_ > 0) {
        // The reason before the path, which may run past the window's edge.
        status += unreadFolders_ == 1 ? QStringLiteral(" A folder was left out (%1): ").arg(firstUnreadWhy_)
                                      : QStringLiteral(" %1 folders were left out, the first (%2): ")
                                            .arg(unreadFolders_)
                                            .arg(firstUnreadWhy_);
        status += firstUnread_ + u'.';
    }
    if (walkEndedEarly_) {
        status += QStringLiteral(" The walk ended early: the program folder ") + state_.TradeStationDir
                + QStringLiteral(" could not be made the working folder.");
    }
    SetStatus(status);
    ResizeListView(ListView1);
    SetScanning(false);
    platform::SetBusyPointer(false);
}

void formFileSearch::CloseWindow()
{
    const int count = std::min(ListView1->topLevelItemCount(), static_cast<int>(INT16_MAX));
    QStringList dirs;
    for (int i = 0; i < count; ++i)
        dirs.append(ListView1->topLevelItem(i)->text(0));
    state_.DataDirCount = static_cast<int16_t>(count);
    state_.DataDirs = dirs;  // also emptied with the count, so no reader sees stale folders
    hide();
}

void formFileSearch::SetScanning(bool scanning)
{
    for (int index : {kScan, kClearList, kRemove, kClose})
        Command1[index]->setEnabled(!scanning);
    Drive1->setEnabled(!scanning);
    Command1[kStop]->setEnabled(scanning);
}

void formFileSearch::SetStatus(const QString& text)
{
    statusPanel_->setText(text);
    statusPanel_->setToolTip(text);  // whole, where the window is too narrow for it
}

QString formFileSearch::StatusText() const { return statusPanel_->text(); }

void formFileSearch::ScanFolder(const QString& path)
{
    std::string folder = QFile::encodeName(QDir::toNativeSeparators(path)).toStdString();
    while (!folder.empty() && (folder.back() == '/' || folder.back() == kSeparator))
        folder.pop_back();
    EnterFolder(folder);
    PumpEvents();

    platform::EnterResult opened = platform::EnterResult::Failed;
    auto listing = platform::FolderListing::Open(folder, &opened);
    if (!listing) {
        NoteUnread(folder, opened);
        return;
    }
    Walk(std::move(listing), folder);
}

void formFileSearch::Walk(std::unique_ptr<platform::FolderListing> start, const std::string& path)
{
    platform::FolderWalkHooks hooks;
    hooks.stopped = [this] { return StopRequested != kFalse; };
    hooks.skipFolder = [](const std::string& name) { return IsSystemFolderName(name.c_str()); };
    hooks.entered = [this](const std::string& folder) {
        ++DirsSearched;
        EnterFolder(folder);
    };
    hooks.file = [this](const std::string& folder, const std::string& name) {
        ++FilesChecked;
        // Without the program's folder as the working folder no count can be made.
        if (strcasecmp(name.c_str(), kHeaderFileName) == 0 && !RecordDataFolder(folder)) {
            walkEndedEarly_ = true;
            return false;
        }
        return true;
    };
    hooks.unread = [this](const std::string& folder, platform::EnterResult why) { NoteUnread(folder, why); };
    hooks.afterEntry = [this] { PumpEventsIfDue(); };
    platform::WalkFolders(std::move(start), path, kSeparator, hooks);
}

void formFileSearch::NoteUnread(const std::string& path, platform::EnterResult result)
{
    if (unreadFolders_++ > 0)
        return;
    const char* why = result == platform::EnterResult::Denied         ? "access denied"
                    : result == platform::EnterResult::OutOfHandles ? "too many folders open at once"
                                                                      : "it could not be read";
    firstUnread_ = DisplayPath(path);
    firstUnreadWhy_ = QLatin1String(why);
}

// Lists `path` once, ignoring case; a folder found again gets its count refreshed.
bool formFileSearch::RecordDataFolder(const std::string& path)
{
    const QString folder = DisplayPath(path);
    QTreeWidgetItem* target = nullptr;
    for (int i = 0; i < ListView1->topLevelItemCount() && !target; ++i) {
        if (ListView1->topLevelItem(i)->text(0).compare(folder, Qt::CaseInsensitive) == 0)
            target = ListView1->topLevelItem(i);
    }
    if (!target)
        target = new QTreeWidgetItem(ListView1, {folder});
    bool switched = true;
    target->setText(1, CountText(GetFolderFileCount(folder, &switched)));
    PumpEvents();  // a new entry shows at once
    return switched;
}

int16_t formFileSearch::GetFolderFileCount(const QString& path, bool* switched) const
{
    platform::WorkingDirectoryScope directory(state_.TradeStationDir);
    if (switched)
        *switched = directory.Switched();
    FileContext context{};
    const QByteArray folder = QFile::encodeName(path);
    const int32_t count = omega::TheDataLibrary().OpenHeaderFile(folder.constData(), &context);
    omega::TheDataLibrary().CloseHeaderFile(&context);
    return static_cast<int16_t>(std::clamp<int32_t>(count, 0, INT16_MAX));
}

void formFileSearch::ResizeListView(QTreeWidget* lstv)
{
    for (int column = 0; column < lstv->columnCount(); ++column)
        lstv->resizeColumnToContents(column);
    // The counts stay in sight: a path longer than the room left is shortened in its
    // middle rather than pushing the last column out of the view.
    const int last = lstv->columnCount() - 1;
    if (last < 1)
        return;
    int others = 0;
    for (int column = 1; column <= last; ++column)
        others += lstv->columnWidth(column);
    // Measured on the view, not its viewport, which is laid out only once shown; room is
    // kept for a vertical scroll bar.
    const int room = lstv->maximumViewportSize().width() - others -
                     lstv->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lstv);
    if (room > 0 && lstv->columnWidth(0) > room)
        lstv->setColumnWidth(0, room);
}

void formFileSearch::EnterFolder(const std::string& path)
{
    scanningFolder_ = path;
    scanningFolderShown_ = false;
}

void formFileSearch::PumpEvents()
{
    // The status shows the folder entered last; it is written only when it can be seen.
    if (!scanningFolderShown_) {
        SetStatus(QStringLiteral("Scanning ") + DisplayPath(scanningFolder_) + QStringLiteral("..."));
        scanningFolderShown_ = true;
    }
    QCoreApplication::processEvents();
    lastPump_ = std::chrono::steady_clock::now();
    entriesUntilClockCheck_ = kEntriesPerClockCheck;
}

void formFileSearch::PumpEventsIfDue()
{
    if (--entriesUntilClockCheck_ > 0)
        return;
    entriesUntilClockCheck_ = kEntriesPerClockCheck;
    if (std::chrono::steady_clock::now() - lastPump_ >= kPumpInterval)
        PumpEvents();
}

} // namespace scan
