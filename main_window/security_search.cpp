#include "main_window/security_search.h"

#include "main_window/focus_return.h"
#include "main_window/progress_window.h"
#include "main_window/security_info.h"
#include "main_window/security_list_model.h"
#include "omega/security_table.h"
#include "omega/security_text.h"
#include "widgets/accessible_caption.h"
#include "widgets/busy_pointer.h"
#include "widgets/message_box.h"
#include "widgets/twips.h"
#include "platform/working_directory.h"

#include <QAction>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

const char kTitle[] = "Tessaport";
const char kLoadCaption[] = "Initializing Omega Downloader Database...";
constexpr int32_t kLoadStep = 500;

QString CountText(qint64 count)
{
    return u' ' + QString::number(count);
}

QString NoHeaderFileText(const QString& directory)
{
    return QStringLiteral("Specified directory ") + directory + QStringLiteral(" does not contain ") +
           QStringLiteral("a valid Omega Downloader header file.");
}

// Moves a control to another top (twips), keeping its left.
void SetTop(QWidget* widget, int twips)
{
    widget->move(widget->x(), widgets::TwipsToPixelsY(twips));
}

struct ModeLayout {
    const char* symbolLabel;
    int frameTop;
    int optionsTop;
    int panelHeight;
    const char* infoText;
};

const ModeLayout kSingleLayout = {
    "Enter security symbol:", 600, 2100, 3345,
    "Choose a valid Omega data directory, enter a valid security symbol, search for it, then import.",
};
const ModeLayout kListLayout = {
    "Enter security mask:", 1800, 3210, 4335,
    "Choose a valid Omega data directory, enter security mask, pick security, then import.",
};

} // namespace

void AttachSecurityList(QListView* list)
{
    omega::SecurityList(list);
}

SecuritySearch::SecuritySearch(ProgramState& state, const MainWindowControls& controls)
    : state_(state), controls_(controls)
{
}

void SecuritySearch::LoadTable()
{
    platform::WorkingDirectoryScope scope(state_.tradeStationDir);
    widgets::SetBusyPointer(true);

    const int32_t generation = ++tableGeneration_;
    const QString directory = state_.currentDataDir;
    // Events run while the table is read; a newer load, or a change of directory,
    // makes this one stale.
    auto stale = [&] {
        return tableGeneration_ != generation || state_.currentDataDir != directory;
    };

    {
        omega::HeaderFile header(directory);
        const int32_t count = header.Count();
        state_.securityCount = count;
        controls_.typingTimer()->stop();

        if (count > 0) {
            ShowProgress(count, QString::fromLatin1(kLoadCaption), 10, 10);
            state_.securityTable.assign(static_cast<size_t>(count), QByteArray());
            bool abandoned = false;
            for (int32_t i = 0; i < count; ++i) {
                state_.securityTable[static_cast<size_t>(i)] = header.Entry(i);
                if (i % kLoadStep == 0) {
                    controls_.entryCountLabel()->setText(CountText(i));
                    UpdateProgress(i);
                    QCoreApplication::processEvents();
                    if (stale()) {
                        abandoned = true;
                        break;
                    }
                }
            }
            if (!abandoned) {
                UpdateProgress(count);
                CloseProgress();
                controls_.entryCountLabel()->setText(CountText(count));
                state_.securityTableLoaded = true;
            } else if (tableGeneration_ == generation) {
                // The directory changed under the load and nothing replaced the table:
                // what was read belongs to no directory now.
                CloseProgress();
                state_.securityTable.clear();
                state_.securityCount = 0;
                controls_.entryCountLabel()->setText(CountText(0));
            }
        } else {
            // The previous directory's securities must not be listed for this one.
            state_.securityTable.clear();
            widgets::SetBusyPointer(false);
            widgets::ShowMessage(QString::fromLatin1(kTitle), NoHeaderFileText(directory),
                                  widgets::MessageIcon::Critical, controls_.window());
            controls_.entryCountLabel()->setText(CountText(0));
        }
        controls_.typingTimer()->start();
    }
    widgets::SetBusyPointer(false);
}

void SecuritySearch::FillList()
{
    const QString mask = omega::TrimLeadingBlanks(controls_.symbolEdit()->text());
    if (mask.isEmpty()) {
        widgets::SetBusyPointer(false);
        return;
    }
    if (listFillActive_)
        return;

    widgets::SetBusyPointer(true);
    listFillActive_ = true;
    const omega::SearchField field =
        controls_.searchBySymbolButton()->isChecked() ? omega::SearchField::Symbol : omega::SearchField::Description;
    const std::vector<int32_t> found = omega::FindSecurities(state_.securityTable, state_.securityCount, mask, field);
    std::vector<QByteArray> lines;
    lines.reserve(found.size());
    for (const int32_t index : found)
        lines.push_back(state_.securityTable[static_cast<size_t>(index)]);
    omega::SecurityList(controls_.securityList())->SetEntries(std::move(lines));
    listFillActive_ = false;
    controls_.entryCountLabel()->setText(CountText(static_cast<qint64>(found.size())));
    widgets::SetBusyPointer(false);
}

void SecuritySearch::ApplyMode(ImportMode mode)
{
    const bool list = mode == ImportMode::SecurityList;
    const ModeLayout& layout = list ? kListLayout : kSingleLayout;

    controls_.symbolCaption()->setText(QString::fromLatin1(layout.symbolLabel));
    widgets::NameAfterCaption(controls_.symbolEdit(), controls_.symbolCaption());
    if (!list)
        omega::SecurityList(controls_.securityList())->Clear();
    controls_.securityList()->setVisible(list);
    controls_.searchButton()->setVisible(!list);
    for (QWidget* widget : {static_cast<QWidget*>(controls_.entryCountCaption()), static_cast<QWidget*>(controls_.searchByCaption()),
                            static_cast<QWidget*>(controls_.searchBySymbolButton()), static_cast<QWidget*>(controls_.searchByDescriptionButton()),
                            static_cast<QWidget*>(controls_.entryCountLabel()), static_cast<QWidget*>(controls_.wildcardHint())})
        widget->setVisible(list);
    SetTop(controls_.securityInfoFrame(), layout.frameTop);
    SetTop(controls_.importOptionsFrame(), layout.optionsTop);
    controls_.mainPanel()->resize(controls_.mainPanel()->width(), widgets::TwipsToPixelsY(layout.panelHeight));
    controls_.statusLine()->setText(QString::fromLatin1(layout.infoText));

    // The window ends 120 twips below the panel, with the status line; whatever the
    // window holds outside the panel's container (a menu bar) is kept.
    QWidget* container = controls_.mainPanel()->parentWidget();
    const int outside = container && container != controls_.window() ? controls_.window()->height() - container->height() : 0;
    const int containerHeight = controls_.mainPanel()->y() + controls_.mainPanel()->height() + widgets::TwipsToPixelsY(120) +
                                controls_.statusLine()->height();
    controls_.window()->resize(controls_.window()->width(), containerHeight + outside);
    if (controls_.statusLine()->parentWidget() == container)
        controls_.statusLine()->move(controls_.statusLine()->x(), containerHeight - controls_.statusLine()->height());
    QCoreApplication::processEvents();
}

void SecuritySearch::Search()
{
    if (ShowSecurityInfo(state_, controls_, controls_.symbolEdit()->text()) != 0) {
        widgets::ShowMessage(QString::fromLatin1(kTitle), QString::fromLatin1(kChooseSecurityText),
                             widgets::MessageIcon::Information, controls_.window());
        controls_.symbolEdit()->setFocus();
    }
}

void SecuritySearch::ShowSelected()
{
    // A line made current without a selection (the list taking the focus from the
    // keyboard) would show only a focus frame: the line shown is the line selected.
    const QModelIndex current = controls_.securityList()->currentIndex();
    QItemSelectionModel* selection = controls_.securityList()->selectionModel();
    if (current.isValid() && selection && !selection->isSelected(current))
        selection->select(current, QItemSelectionModel::ClearAndSelect);
    const QString line = omega::SecurityList(controls_.securityList())->Line(current.row());
    ShowSecurityInfo(state_, controls_, omega::SecurityLineSymbol(line));
}

void SecuritySearch::Refresh()
{
    if (state_.securityTableLoaded)
        FillList();
}

void SecuritySearch::SwitchMode(ImportMode mode)
{
    if (state_.mode == mode)
        return;
    // Clearing the information disables the date boxes, which may hold the focus.
    const FocusReturn focus(controls_);
    ClearSecurityInfo(controls_);
    state_.mode = mode;
    const bool list = mode == ImportMode::SecurityList;
    controls_.modeAction(ImportMode::SingleSecurity)->setChecked(!list);
    controls_.modeAction(ImportMode::SecurityList)->setChecked(list);
    ApplyMode(state_.mode);
    QCoreApplication::processEvents();

    auto blank = [&] { return omega::TrimBlanks(controls_.symbolEdit()->text()).isEmpty(); };
    if (state_.mode == ImportMode::SecurityList) {
        if (!state_.securityTableLoaded)
            LoadTable();
        if (controls_.symbolEdit()->text().isEmpty())
            controls_.symbolEdit()->setText(QStringLiteral("?"));
        if (!blank())
            SymbolTextChanged();
    } else if (!blank()) {
        Search();
    }
}

void SecuritySearch::SymbolTextChanged()
{
    if (state_.mode == ImportMode::SingleSecurity)
        return;
    typingPending_ = true;
    widgets::SetBusyPointer(true);
    if (!controls_.typingTimer()->isActive())
        FillList();
}

void SecuritySearch::TypingTimerTick()
{
    if (!typingPending_)
        return;
    const QString text = controls_.symbolEdit()->text();
    if (text != lastSymbolText_) {
        lastSymbolText_ = text;
        return;
    }
    FillList();
    typingPending_ = false;
}
