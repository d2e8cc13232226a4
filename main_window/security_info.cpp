#include "main_window/security_info.h"

#include "omega/data_library.h"
#include "omega/omega_date.h"
#include "omega/security_table.h"
#include "omega/windows1252.h"
#include "widgets/busy_pointer.h"
#include "platform/working_directory.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>

namespace {

const char kNoSuchSecurity[] = "No such security in specified data directory.";
const char kNotAvailable[] = "No, make sure your OMEGA compact disk is on.";

// Texts from the library are shown as they are, never read as markup.
void SetPlainText(QLabel* label, const QString& text)
{
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

void ShowFoundSecurity(ProgramState& state, const MainWindowControls& controls, const QByteArray& lookup,
                       const SecurityRecord& record)
{
    DateRange range{};
    omega::TheDataLibrary().GetDateRange(omega::LibraryPath(state.currentDataDir).constData(), lookup.constData(),
                                         &range);

    const QByteArray description = NulToBlanks(QByteArray(record.description, sizeof record.description));
    SetPlainText(controls.descriptionLabel(), omega::DecodeWindows1252(description));
    SetPlainText(controls.categoryLabel(), CategoryName(record.category));
    SetPlainText(controls.periodLabel(), PeriodName(record.period));

    if (range.available == 0) {
        SetPlainText(controls.dataAvailableLabel(), QString::fromLatin1(kNotAvailable));
        return;
    }
    state.dataFirstDate = omega::OmegaDateToSerial(range.first);
    state.dataLastDate = omega::OmegaDateToSerial(range.last);
    const int32_t firstOffered = omega::DefaultFirstDate(state.dataFirstDate, range.last);
    const int32_t lastOffered = state.dataLastDate;
    SetPlainText(controls.dataAvailableLabel(),
                 QStringLiteral("From  ") + ShortDate(state.dataFirstDate) + QStringLiteral("  to  ") +
                     ShortDate(state.dataLastDate));
    controls.firstDateEdit()->setText(ShortDate(firstOffered));
    controls.lastDateEdit()->setText(ShortDate(lastOffered));
    controls.beginImportAction()->setEnabled(true);
    controls.firstDateEdit()->setEnabled(true);
    controls.lastDateEdit()->setEnabled(true);
}

} // namespace

void ClearSecurityInfo(const MainWindowControls& controls)
{
    controls.descriptionLabel()->clear();
    controls.categoryLabel()->clear();
    controls.periodLabel()->clear();
    controls.dataAvailableLabel()->clear();
    controls.firstDateEdit()->clear();
    controls.lastDateEdit()->clear();
    controls.firstDateEdit()->setEnabled(false);
    controls.lastDateEdit()->setEnabled(false);
    controls.beginImportAction()->setEnabled(false);
}

int16_t ShowSecurityInfo(ProgramState& state, const MainWindowControls& controls, const QString& symbol)
{
    const QString trimmed = omega::TrimBlanks(symbol);
    if (trimmed.isEmpty())
        return 1;

    // The symbol travels as single-byte text; one the code page cannot hold names no
    // security, and is looked up nowhere.
    const std::optional<QByteArray> encoded = omega::EncodeWindows1252(trimmed);
    const QByteArray lookup = encoded ? omega::UpperWindows1252(*encoded) : QByteArray();
    const QString s = encoded ? omega::DecodeWindows1252(lookup) : trimmed.toUpper();

    widgets::SetBusyPointer(true);
    {
        platform::WorkingDirectoryScope scope(state.tradeStationDir);
        ClearSecurityInfo(controls);
        QCoreApplication::processEvents();

        SecurityRecord record{};
        const int16_t status =
            encoded ? omega::TheDataLibrary().SearchSecurity(omega::LibraryPath(state.currentDataDir).constData(),
                                                             lookup.constData(), &record)
                    : int16_t{1};
        if (status != 0) {
            SetPlainText(controls.descriptionLabel(), QString::fromLatin1(kNoSuchSecurity));
        } else {
            if (state.mode == ImportMode::SingleSecurity)
                controls.symbolEdit()->setText(s);
            ShowFoundSecurity(state, controls, lookup, record);
        }
        if (state.mode == ImportMode::SingleSecurity)
            controls.symbolEdit()->setSelection(0, static_cast<int>(controls.symbolEdit()->text().size()));
    }
    widgets::SetBusyPointer(false);
    return 0;
}
