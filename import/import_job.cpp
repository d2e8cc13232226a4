#include "import/import_job.h"

#include "import/data_file.h"
#include "omega/omega_date.h"
#include "omega/security_table.h"
#include "omega/security_text.h"
#include "omega/serial_date.h"
#include "omega/windows1252.h"

#include <QDate>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr std::array<const char*, 6> kColumnSuffixes = {
    "_Open", "_High", "_Low", "_Close", "_Volume", "_Open_Interest",
};

QString IsoDate(int32_t day)
{
    return omega::DateOfSerial(day).toString(Qt::ISODate);
}

} // namespace

int16_t IsValidRecord(const PriceRecord& record)
{
    for (const float price : {record.open, record.high, record.low, record.close}) {
        if (IsMissingPrice(price))
            return 0;
    }
    return -1;
}

RowValue PriceValue(float value)
{
    return IsMissingPrice(value) ? RowValue::OfMissing() : RowValue::OfPrice(value);
}

int32_t EstimateRecordCount(int32_t firstDay, int32_t lastDay)
{
    const double days = static_cast<double>(int64_t{lastDay} - int64_t{firstDay});
    const double estimate = std::nearbyint(days * 5 / 7);  // never exactly halfway: 7 is odd
    return static_cast<int32_t>(std::clamp(estimate, 0.0, static_cast<double>(std::numeric_limits<int32_t>::max())));
}

std::optional<QString> PrepareImport(const omega::DataLibrary& library, const QString& dataDirName,
                                     const std::optional<QByteArray>& symbol, std::optional<int32_t> from,
                                     std::optional<int32_t> to, ImportRequest& request)
{
    const QByteArray dataDir = omega::LibraryPath(dataDirName);
    SecurityRecord security{};
    if (!symbol || library.SearchSecurity(dataDir.constData(), symbol->constData(), &security) != 0)
        return QStringLiteral("no such security in %1").arg(dataDirName);
    DateRange range{};
    if (library.GetDateRange(dataDir.constData(), symbol->constData(), &range) != 0 || range.available == 0)
        return QStringLiteral("its data are unavailable (the data file is missing, unreadable or empty)");

    const int32_t dataFirst = omega::OmegaDateToSerial(range.first);
    const int32_t dataLast = omega::OmegaDateToSerial(range.last);
    request.firstDay = std::max(from.value_or(dataFirst), dataFirst);
    request.lastDay = std::min(to.value_or(dataLast), dataLast);
    if (request.firstDay > request.lastDay) {
        return QStringLiteral("no data in the dates asked for (it holds %1 to %2)")
            .arg(IsoDate(dataFirst), IsoDate(dataLast));
    }
    request.dataDir = dataDir;
    // As held, blanks and all: " X" and "X " are securities of their own, not X.
    request.symbol = QByteArray(security.symbol, static_cast<qsizetype>(qstrnlen(security.symbol, sizeof security.symbol)));
    return std::nullopt;
}

QString SymbolFileName(const QByteArray& symbol)
{
    static const QByteArray kUnsafe = "/\\:*?\"<>|%";
    QString name;
    for (qsizetype i = 0; i < symbol.size(); ++i) {
        const auto byte = static_cast<unsigned char>(symbol[i]);
        const QString shown = omega::DecodeWindows1252(symbol.mid(i, 1));
        const bool edge = (i == 0 && byte == '.') || (i == symbol.size() - 1 && (byte == '.' || byte == ' '));
        if (!shown[0].isPrint() || kUnsafe.contains(static_cast<char>(byte)) || edge)
            name += QStringLiteral("%%1").arg(byte, 2, 16, QChar(u'0')).toUpper();
        else
            name += shown;
    }
    return name;
}

std::vector<std::string> ImportHeaderRow(const std::string& symbol, bool openInterest)
{
    std::vector<std::string> names = {"Date"};
    for (size_t i = 0; i < (openInterest ? 6u : 5u); ++i)
        names.push_back(symbol + kColumnSuffixes[i]);
    return names;
}

ImportOutcome RunImport(const omega::DataLibrary& library, const ImportRequest& request, const ImportHooks& hooks)
{
    ImportOutcome outcome;
    std::unique_ptr<RowWriter> writer = OpenRowWriter(request.fileType, request.patternFile, outcome.result);
    if (!writer)
        return outcome;
    outcome.result = writer->WriteHeader(ImportHeaderRow(request.symbol.toStdString(), request.openInterest));
    if (outcome.result != kSheetOk)
        return outcome;

    DataFile data(library, request);
    const int32_t estimate = EstimateRecordCount(request.firstDay, request.lastDay);
    if (hooks.started)
        hooks.started(estimate);

    PriceRecord record{};
    std::array<RowValue, 6> values;
    const size_t valueCount = request.openInterest ? 6 : 5;
    for (;;) {
        if (hooks.beforeRead)
            hooks.beforeRead();
        const int16_t delivered = data.Read(record);
        if (delivered <= 0)
            break;
        outcome.recordsRead += std::min<int32_t>(delivered, std::numeric_limits<int32_t>::max() - outcome.recordsRead);
        if (hooks.progress)
            hooks.progress(outcome.recordsRead);

        const bool skipInvalid = hooks.skipInvalid && hooks.skipInvalid();
        if (IsValidRecord(record) || !skipInvalid) {
            values = {PriceValue(record.open), PriceValue(record.high), PriceValue(record.low),
                      PriceValue(record.close), RowValue::OfCount(record.volume),
                      RowValue::OfCount(record.openInterest)};
            // The writer refuses a row past the format's last one, so the count cannot run over.
            outcome.result = writer->WriteRow(omega::OmegaDateToSerial(record.date), {values.data(), valueCount});
            if (outcome.result != kSheetOk)
                return outcome;
            ++outcome.rowsWritten;
            if (hooks.rowWritten)
                hooks.rowWritten(record);
        }
        if (hooks.interrupted && hooks.interrupted()) {
            outcome.interrupted = true;
            break;
        }
    }
    if (hooks.progress)
        hooks.progress(estimate);
    data.Close();
    outcome.datesAsText = writer->DatesWrittenAsText();
    if (outcome.interrupted && !hooks.keepRowsWhenInterrupted)
        return outcome;  // the writer abandons the file
    outcome.result = writer->Close();
    return outcome;
}

QString DatesAsTextNote(int64_t count)
{
    return QStringLiteral("%1 %2 before 1900 written as yyyy-mm-dd text: the xlsx date system begins in 1900")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("date") : QStringLiteral("dates"));
}
