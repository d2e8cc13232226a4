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

QString EmptySymbolText()
{
    return QStringLiteral("Choose a valid Omega Downloader data directory, enter ") +
           QStringLiteral("a valid security symbol, search for it, then import.");
}

// Moves a control to another top (twips), keeping its left.
void SetTop(QWidget* widget, int twips)
{
    widget->move(widget->x(), platform::TwipsToPixelsY(twips));
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
    omega::SecurityList(controls.List1);
}

void LoadSecurityTable(ProgramState& state, const MainControls& controls)
{
    platform::WorkingDirectoryScope scope(state.TradeStationDir);
    platform::SetBusyPointer(true);

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
        controls.Timer1->stop();

        if (count > 0) {
            ShowProgress(count, QString::fromLatin1(kLoadCaption), 10, 10);
            state.SecurityTable.assign(static_cast<size_t>(count), QByteArray());
            bool abandoned = false;
            for (int32_t i = 0; i < count; ++i) {
                state.SecurityTable[static_cast<size_t>(i)] = header.Entry(i);
                if (i % kLoadStep == 0) {
                    controls.lblNumOfEntries->setText(CountText(i));
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
                controls.lblNumOfEntries->setText(CountText(count));
                state.SecurityTableLoaded = kTrue;
            } else if (state.SecurityTableGeneration == generation) {
                // The directory changed under the load and nothing replaced the table:
                // what was read belongs to no directory now.
                CloseProgress();
                state.SecurityTable.clear();
                state.SecurityCount = 0;
                controls.lblNumOfEntries->setText(CountText(0));
            }
        } else {
            // The previous directory's securities must not be listed for this one.
            state.SecurityTable.clear();
            platform::SetBusyPointer(false);
            platform::ShowMessage(QString::fromLatin1(kTitle), NoHeaderFileText(directory),
                                  platform::MessageIcon::Critical, controls.window);
            controls.lblNumOfEntries->setText(CountText(0));
        }
        controls.Timer1->start();
    }
    platform::SetBusyPointer(false);
}

void FillSecurityList(ProgramState& state, const MainControls& controls)
{
    const QString mask = omega::TrimLeadingBlanks(controls.txtSymbol->text());
    if (mask.isEmpty()) {
        platform::SetBusyPointer(false);
        return;
    }
    if (state.ListFillActive)
        return;

    platform::SetBusyPointer(true);
    state.ListFillActive = kTrue;
    const omega::SearchField field =
        controls.opbSearch[0]->isChecked() ? omega::SearchField::Symbol : omega::SearchField::Description;
    const std::vector<int32_t> found = omega::FindSecurities(state.SecurityTable, state.SecurityCount, mask, field);
    std::vector<QByteArray> lines;
    lines.reserve(found.size());
    for (const int32_t index : found)
        lines.push_back(state.SecurityTable[static_cast<size_t>(index)]);
    omega::SecurityList(controls.List1)->SetEntries(std::move(lines));
    state.ListFillActive = kFalse;
    controls.lblNumOfEntries->setText(CountText(static_cast<qint64>(found.size())));
    platform::SetBusyPointer(false);
}

void ApplyImportMode([[maybe_unused]] ProgramState& state, const MainControls& controls, int16_t mode)
{
    const bool list = mode != 0;
    const ModeLayout& layout = list ? kListLayout : kSingleLayout;

    controls.Label6->setText(QString::fromLatin1(layout.symbolLabel));
    platform::NameAfterCaption(controls.txtSymbol, controls.Label6);
    if (!list)
        omega::SecurityList(controls.List1)->Clear();
    controls.List1->setVisible(list);
    controls.cmdSearch->setVisible(!list);
    for (QWidget* widget : {static_cast<QWidget*>(controls.Label12), static_cast<QWidget*>(controls.Label13),
                            static_cast<QWidget*>(controls.opbSearch[0]), static_cast<QWidget*>(controls.opbSearch[1]),
                            static_cast<QWidget*>(controls.lblNumOfEntries), static_cast<QWidget*>(controls.Label14)})
        widget->setVisible(list);
    SetTop(controls.Frame3D1, layout.frameTop);
    SetTop(controls.frmOptions, layout.optionsTop);
    controls.Panel3D1->resize(controls.Panel3D1->width(), platform::TwipsToPixelsY(layout.panelHeight));
    controls.InfoPanel->setText(QString::fromLatin1(layout.infoText));

    // The window ends 120 twips below the panel, with the status line; whatever the
    // window holds outside the panel's container (a menu bar) is kept.
    QWidget* container = controls.Panel3D1->parentWidget();
    const int outside = container && container != controls.window ? controls.window->height() - container->height() : 0;
    const int containerHeight = controls.Panel3D1->y() + controls.Panel3D1->height() + platform::TwipsToPixelsY(120) +
                                controls.InfoPanel->height();
    controls.window->resize(controls.window->width(), containerHeight + outside);
    if (controls.InfoPanel->parentWidget() == container)
        controls.InfoPanel->move(controls.InfoPanel->x(), containerHeight - controls.InfoPanel->height());
    QCoreApplication::processEvents();
}

void cmdSearch_Click(ProgramState& state, const MainControls& controls)
{
    if (ShowSecurityInfo(state, controls, controls.txtSymbol->text()) != 0) {
        platform::ShowMessage(QString::fromLatin1(kTitle), EmptySymbolText(), platform::MessageIcon::Information,
                              controls.window);
        controls.txtSymbol->setFocus();
    }
}

void List1_Click(ProgramState& state, const MainControls& controls)
{
    // A line made current without a selection (the list taking the focus from the
    // keyboard) would show only a focus frame: the line shown is the line selected.
    const QModelIndex current = controls.List1->currentIndex();
    QItemSelectionModel* selection = controls.List1->selectionModel();
    if (current.isValid() && selection && !selection->isSelected(current))
        selection->select(current, QItemSelectionModel::ClearAndSelect);
    const QString line = omega::SecurityList(controls.List1)->Line(current.row());
    ShowSecurityInfo(state, controls, omega::SecurityLineSymbol(line));
}

void opbSearch_Click(ProgramState& state, const MainControls& controls, [[maybe_unused]] int index)
{
    if (state.SecurityTableLoaded)
        FillSecurityList(state, controls);
}

void mnuMode_Click(ProgramState& state, const MainControls& controls, int index)
{
    if (index != 0 && index != 1)
        return;
    if (state.ImportMode == index)
        return;
    // Clearing the information disables the date boxes, which may hold the focus.
    const FocusReturn focus(controls);
    ClearSecurityInfo(controls);
    state.ImportMode = static_cast<int16_t>(index);
    controls.mnuMode[static_cast<size_t>(index)]->setChecked(true);
    controls.mnuMode[static_cast<size_t>(1 - index)]->setChecked(false);
    ApplyImportMode(state, controls, state.ImportMode);
    QCoreApplication::processEvents();

    auto blank = [&] { return omega::TrimBlanks(controls.txtSymbol->text()).isEmpty(); };
    if (state.ImportMode != 0) {
        if (!state.SecurityTableLoaded)
            LoadSecurityTable(state, controls);
        if (controls.txtSymbol->text().isEmpty())
            controls.txtSymbol->setText(QStringLiteral("?"));
        if (!blank())
            SymbolTextChanged(state, controls);
    } else if (!blank()) {
        cmdSearch_Click(state, controls);
    }
}

void SymbolTextChanged(ProgramState& state, const MainControls& controls)
{
    if (state.ImportMode == 0)
        return;
    state.SymbolTypingPending = kTrue;
    platform::SetBusyPointer(true);
    if (!controls.Timer1->isActive())
        FillSecurityList(state, controls);
}

void SymbolTimerTick(ProgramState& state, const MainControls& controls)
{
    if (!state.SymbolTypingPending)
        return;
    const QString text = controls.txtSymbol->text();
    if (text != state.LastSymbolText) {
        state.LastSymbolText = text;
        return;
    }
    FillSecurityList(state, controls);
    state.SymbolTypingPending = kFalse;
}
