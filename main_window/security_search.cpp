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

void AttachSecurityList(const MainControls& controls)
{
    omega::SecurityList(controls.securityList);
}

void LoadSecurityTable(ProgramState& state, const MainControls& controls)
{
    platform::WorkingDirectoryScope scope(state.TradeStationDir);
    widgets::SetBusyPointer(true);

    const int32_t generation = ++state.SecurityTableGeneration;
    const QString directory = state.CurrentDataDir;
    // Events run while the table is read; a newer load, or a change of directory,
    // makes this one stale.
    auto stale = [&] {
        return state.SecurityTableGeneration != generation || state.CurrentDataDir != directory;
    };

    {
        omega::HeaderFile header(directory);
        const int32_t count = header.Count();
        state.SecurityCount = count;
        controls.typingTimer->stop();

        if (count > 0) {
            ShowProgress(count, QString::fromLatin1(kLoadCaption), 10, 10);
            state.SecurityTable.assign(static_cast<size_t>(count), QByteArray());
            bool abandoned = false;
            for (int32_t i = 0; i < count; ++i) {
                state.SecurityTable[static_cast<size_t>(i)] = header.Entry(i);
                if (i % kLoadStep == 0) {
                    controls.entryCountLabel->setText(CountText(i));
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
                controls.entryCountLabel->setText(CountText(count));
                state.SecurityTableLoaded = true;
            } else if (state.SecurityTableGeneration == generation) {
                // The directory changed under the load and nothing replaced the table:
                // what was read belongs to no directory now.
                CloseProgress();
                state.SecurityTable.clear();
                state.SecurityCount = 0;
                controls.entryCountLabel->setText(CountText(0));
            }
        } else {
            // The previous directory's securities must not be listed for this one.
            state.SecurityTable.clear();
            widgets::SetBusyPointer(false);
            widgets::ShowMessage(QString::fromLatin1(kTitle), NoHeaderFileText(directory),
                                  widgets::MessageIcon::Critical, controls.window);
            controls.entryCountLabel->setText(CountText(0));
        }
        controls.typingTimer->start();
    }
    widgets::SetBusyPointer(false);
}

void FillSecurityList(ProgramState& state, const MainControls& controls)
{
    const QString mask = omega::TrimLeadingBlanks(controls.symbolEdit->text());
    if (mask.isEmpty()) {
        widgets::SetBusyPointer(false);
        return;
    }
    if (state.ListFillActive)
        return;

    widgets::SetBusyPointer(true);
    state.ListFillActive = true;
    const omega::SearchField field =
        controls.searchBySymbolButton->isChecked() ? omega::SearchField::Symbol : omega::SearchField::Description;
    const std::vector<int32_t> found = omega::FindSecurities(state.SecurityTable, state.SecurityCount, mask, field);
    std::vector<QByteArray> lines;
    lines.reserve(found.size());
    for (const int32_t index : found)
        lines.push_back(state.SecurityTable[static_cast<size_t>(index)]);
    omega::SecurityList(controls.securityList)->SetEntries(std::move(lines));
    state.ListFillActive = false;
    controls.entryCountLabel->setText(CountText(static_cast<qint64>(found.size())));
    widgets::SetBusyPointer(false);
}

void ApplyImportMode([[maybe_unused]] ProgramState& state, const MainControls& controls, ImportMode mode)
{
    const bool list = mode == ImportMode::SecurityList;
    const ModeLayout& layout = list ? kListLayout : kSingleLayout;

    controls.symbolCaption->setText(QString::fromLatin1(layout.symbolLabel));
    widgets::NameAfterCaption(controls.symbolEdit, controls.symbolCaption);
    if (!list)
        omega::SecurityList(controls.securityList)->Clear();
    controls.securityList->setVisible(list);
    controls.searchButton->setVisible(!list);
    for (QWidget* widget : {static_cast<QWidget*>(controls.entryCountCaption), static_cast<QWidget*>(controls.searchByCaption),
                            static_cast<QWidget*>(controls.searchBySymbolButton), static_cast<QWidget*>(controls.searchByDescriptionButton),
                            static_cast<QWidget*>(controls.entryCountLabel), static_cast<QWidget*>(controls.wildcardHint)})
        widget->setVisible(list);
    SetTop(controls.securityInfoFrame, layout.frameTop);
    SetTop(controls.importOptionsFrame, layout.optionsTop);
    controls.mainPanel->resize(controls.mainPanel->width(), widgets::TwipsToPixelsY(layout.panelHeight));
    controls.statusLine->setText(QString::fromLatin1(layout.infoText));

    // The window ends 120 twips below the panel, with the status line; whatever the
    // window holds outside the panel's container (a menu bar) is kept.
    QWidget* container = controls.mainPanel->parentWidget();
    const int outside = container && container != controls.window ? controls.window->height() - container->height() : 0;
    const int containerHeight = controls.mainPanel->y() + controls.mainPanel->height() + widgets::TwipsToPixelsY(120) +
                                controls.statusLine->height();
    controls.window->resize(controls.window->width(), containerHeight + outside);
    if (controls.statusLine->parentWidget() == container)
        controls.statusLine->move(controls.statusLine->x(), containerHeight - controls.statusLine->height());
    QCoreApplication::processEvents();
}

void SearchSecurity(ProgramState& state, const MainControls& controls)
{
    if (ShowSecurityInfo(state, controls, controls.symbolEdit->text()) != 0) {
        widgets::ShowMessage(QString::fromLatin1(kTitle), QString::fromLatin1(kChooseSecurityText),
                             widgets::MessageIcon::Information, controls.window);
        controls.symbolEdit->setFocus();
    }
}

void ShowSelectedSecurity(ProgramState& state, const MainControls& controls)
{
    // A line made current without a selection (the list taking the focus from the
    // keyboard) would show only a focus frame: the line shown is the line selected.
    const QModelIndex current = controls.securityList->currentIndex();
    QItemSelectionModel* selection = controls.securityList->selectionModel();
    if (current.isValid() && selection && !selection->isSelected(current))
        selection->select(current, QItemSelectionModel::ClearAndSelect);
    const QString line = omega::SecurityList(controls.securityList)->Line(current.row());
    ShowSecurityInfo(state, controls, omega::SecurityLineSymbol(line));
}

void RefreshSecurityList(ProgramState& state, const MainControls& controls)
{
    if (state.SecurityTableLoaded)
        FillSecurityList(state, controls);
}

void SwitchImportMode(ProgramState& state, const MainControls& controls, ImportMode mode)
{
    if (state.Mode == mode)
        return;
    // Clearing the information disables the date boxes, which may hold the focus.
    const FocusReturn focus(controls);
    ClearSecurityInfo(controls);
    state.Mode = mode;
    const bool list = mode == ImportMode::SecurityList;
    controls.ModeAction(ImportMode::SingleSecurity)->setChecked(!list);
    controls.ModeAction(ImportMode::SecurityList)->setChecked(list);
    ApplyImportMode(state, controls, state.Mode);
    QCoreApplication::processEvents();

    auto blank = [&] { return omega::TrimBlanks(controls.symbolEdit->text()).isEmpty(); };
    if (state.Mode == ImportMode::SecurityList) {
        if (!state.SecurityTableLoaded)
            LoadSecurityTable(state, controls);
        if (controls.symbolEdit->text().isEmpty())
            controls.symbolEdit->setText(QStringLiteral("?"));
        if (!blank())
            SymbolTextChanged(state, controls);
    } else if (!blank()) {
        SearchSecurity(state, controls);
    }
}

void SymbolTextChanged(ProgramState& state, const MainControls& controls)
{
    if (state.Mode == ImportMode::SingleSecurity)
        return;
    state.SymbolTypingPending = true;
    widgets::SetBusyPointer(true);
    if (!controls.typingTimer->isActive())
        FillSecurityList(state, controls);
}

void SymbolTimerTick(ProgramState& state, const MainControls& controls)
{
    if (!state.SymbolTypingPending)
        return;
    const QString text = controls.symbolEdit->text();
    if (text != state.LastSymbolText) {
        state.LastSymbolText = text;
        return;
    }
    FillSecurityList(state, controls);
    state.SymbolTypingPending = false;
}
