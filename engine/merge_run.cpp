#include "engine/merge_run.h"

#include "base/trim_blanks.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

namespace {

// Appends the chosen fields of a record.
void AppendFields(std::vector<RowValue>& values, unsigned fields, const PriceRecord& record)
{
    if (fields & kFieldOpen)
        values.push_back(PriceValue(record.open));
    if (fields & kFieldHigh)
        values.push_back(PriceValue(record.high));
    if (fields & kFieldLow)
        values.push_back(PriceValue(record.low));
    if (fields & kFieldClose)
        values.push_back(PriceValue(record.close));
    if (fields & kFieldVolume)
        values.push_back(RowValue::OfCount(record.volume));
    if (fields & kFieldOpenInterest)
        values.push_back(RowValue::OfCount(record.openInterest));
}

// Reads the records of a run, counting them and leaving out invalid ones when asked.
class Reader {
public:
    Reader(const engine::DataSource& source, const ImportHooks* hooks, bool skipInvalid, int32_t& recordsRead)
        : source_(source), hooks_(hooks), skipInvalid_(skipInvalid), recordsRead_(recordsRead)
    {
    }

    std::unique_ptr<engine::Records> Open(const ImportRequest& request) const
    {
        return source_.Open(request.symbol, request.firstDay, request.lastDay);
    }

    // The next record to write, or false at the end.
    bool Next(engine::Records& file, PriceRecord& record)
    {
        for (;;) {
            if (hooks_ && hooks_->beforeRead)
                hooks_->beforeRead();
            if (file.Read(record) <= 0)
                return false;
            if (recordsRead_ < std::numeric_limits<int32_t>::max())
                ++recordsRead_;
            if (hooks_ && hooks_->progress)
                hooks_->progress(recordsRead_);
            if (!skipInvalid_ || IsValidRecord(record))
                return true;
        }
    }

    bool Interrupted() const { return hooks_ && hooks_->interrupted && hooks_->interrupted(); }

private:
    const engine::DataSource& source_;
    const ImportHooks* hooks_;
    bool skipInvalid_;
    int32_t& recordsRead_;
};

// One security of a wide merge: its open data file and the record in hand.
struct Cursor {
    std::unique_ptr<engine::Records> file;
    PriceRecord record{};
    int32_t day = 0;
    bool atEnd = false;
};

void Advance(Reader& reader, Cursor& cursor)
{
    cursor.atEnd = !reader.Next(*cursor.file, cursor.record);
    if (!cursor.atEnd)
        cursor.day = DayOfRecord(cursor.record);
}

// Walks the securities' records side by side by date, calling row(day, cursors, present)
// for every date of the result; returns false when row asks to stop, or a file failed to
// open (then `failed` names it).
template <typename RowFunction>
bool WalkWide(const MergeRequest& request, Reader& reader, std::string& failed, RowFunction row)
{
    std::vector<Cursor> cursors(request.securities.size());
    for (size_t i = 0; i < cursors.size(); ++i) {
        cursors[i].file = reader.Open(request.securities[i]);
        if (!cursors[i].file->Opened()) {
            failed = request.securities[i].symbol;
            return false;
        }
    }
    auto advance = [&](size_t i, int32_t& day) {
        Advance(reader, cursors[i]);
        day = cursors[i].day;
        return !cursors[i].atEnd;
    };
    return WalkByDate<int32_t>(cursors.size(), request.commonDates, advance,
                               [&](int32_t day, const std::vector<char>& present) { return row(day, cursors, present); });
}

template <typename RowFunction>
bool WalkLong(const MergeRequest& request, Reader& reader, std::string& failed, RowFunction row)
{
    for (const ImportRequest& security : request.securities) {
        const std::unique_ptr<engine::Records> file = reader.Open(security);
        if (!file->Opened()) {
            failed = security.symbol;
            return false;
        }
        PriceRecord record{};
        while (reader.Next(*file, record)) {
            if (!row(security, record))
                return false;
        }
    }
    return true;
}

// Rows the result cannot exceed: records have distinct dates, so no more than the days.
int64_t UpperBoundOfRows(const MergeRequest& request)
{
    if (request.securities.empty())
        return 0;
    const auto& s = request.securities;
    if (request.shape == MergeShape::Long) {
        int64_t days = 0;
        for (const ImportRequest& security : s)
            days += int64_t{security.lastDay} - security.firstDay + 1;
        return days;
    }
    const auto [first, last] = std::minmax_element(s.begin(), s.end(), [](const ImportRequest& a, const ImportRequest& b) {
        return a.firstDay < b.firstDay;
    });
    if (request.commonDates) {
        int64_t lastDay = std::numeric_limits<int32_t>::max();
        for (const ImportRequest& security : s)
            lastDay = std::min<int64_t>(lastDay, security.lastDay);
        return std::max<int64_t>(0, lastDay - last->firstDay + 1);
    }
    int64_t lastDay = std::numeric_limits<int32_t>::min();
    for (const ImportRequest& security : s)
        lastDay = std::max<int64_t>(lastDay, security.lastDay);
    return lastDay - first->firstDay + 1;
}

int64_t ColumnCount(const MergeRequest& request)
{
    const int64_t fields = MergeFieldCount(request.fields);
    return request.shape == MergeShape::Long ? 2 + fields
                                             : 1 + fields * static_cast<int64_t>(request.securities.size());
}

std::string OpenFailure(const std::string& symbol)
{
    return "cannot open the data of " + symbol + " (too many files open at once, or the file is unreadable)";
}

} // namespace

std::optional<unsigned> ParseFields(std::string_view text, std::string* unknown)
{
    unsigned fields = 0;
    for (size_t start = 0;;) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string part(base::TrimBlanks(text.substr(start, comma - start)));
        std::string lower = part;
        for (char& c : lower)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        const std::optional<unsigned> field = MergeFieldOfName(lower);
        if (!field) {
            if (unknown)
                *unknown = part;
            return std::nullopt;
        }
        fields |= *field;
        if (comma == text.size())
            return fields;
        start = comma + 1;
    }
}

std::vector<std::string> MergeHeaderRow(const MergeRequest& request)
{
    std::vector<std::string> symbols;
    for (const ImportRequest& security : request.securities)
        symbols.push_back(security.symbol);
    return MergeHeaderNames(request.shape, request.fields, symbols);
}

MergeOutcome RunMerge(const engine::DataSource& source, const MergeRequest& request, const ImportHooks& hooks,
                      RowWriter* sink)
{
    MergeOutcome outcome;
    const bool skipInvalid = hooks.skipInvalid && hooks.skipInvalid();
    const FormatLimits limits = LimitsOf(request.format);
    const int64_t columns = ColumnCount(request);
    if (auto refusal = LimitRefusal(request.format, columns, 0)) {
        outcome.refusal = *refusal;
        return outcome;
    }
    // Rows are counted by a first pass only where the days leave room for doubt.
    if (limits.dataRows > 0 && UpperBoundOfRows(request) > limits.dataRows) {
        // Events still run and Interrupt Import still ends the run while the rows are counted.
        ImportHooks counting;
        counting.beforeRead = hooks.beforeRead;
        counting.interrupted = hooks.interrupted;
        int32_t ignored = 0;
        Reader counter(source, &counting, skipInvalid, ignored);
        int64_t rows = 0;
        auto counted = [&] {
            ++rows;
            outcome.interrupted = counter.Interrupted();
            return !outcome.interrupted;
        };
        std::string failed;
        const bool walked = request.shape == MergeShape::Long
            ? WalkLong(request, counter, failed, [&](const ImportRequest&, const PriceRecord&) { return counted(); })
            : WalkWide(request, counter, failed,
                       [&](int32_t, const std::vector<Cursor>&, const std::vector<char>&) { return counted(); });
        if (outcome.interrupted)
            return outcome;
        if (!walked) {
            outcome.refusal = OpenFailure(failed);
            return outcome;
        }
        if (auto refusal = LimitRefusal(request.format, columns, rows)) {
            outcome.refusal = *refusal;
            return outcome;
        }
    }

    std::unique_ptr<RowWriter> file;
    RowWriter* writer = sink;
    if (!writer) {
        file = OpenRowWriter(request.format, request.path, outcome.result);
        if (!file)
            return outcome;
        writer = file.get();
    }
    outcome.result = writer->WriteHeader(MergeHeaderRow(request));
    if (outcome.result != kSheetOk)
        return outcome;

    int32_t estimate = 0;
    for (const ImportRequest& security : request.securities)
        estimate = static_cast<int32_t>(std::min<int64_t>(
            int64_t{estimate} + EstimateRecordCount(security.firstDay, security.lastDay), std::numeric_limits<int32_t>::max()));
    if (hooks.started)
        hooks.started(estimate);

    Reader reader(source, &hooks, skipInvalid, outcome.recordsRead);
    std::vector<RowValue> values;
    const int fieldCount = MergeFieldCount(request.fields);
    auto written = [&]() {
        ++outcome.rowsWritten;
        if (reader.Interrupted()) {
            outcome.interrupted = true;
            return false;
        }
        return true;
    };
    std::string failed;
    bool walked = false;
    if (request.shape == MergeShape::Long) {
        walked = WalkLong(request, reader, failed, [&](const ImportRequest& security, const PriceRecord& record) {
            values.clear();
            values.push_back(RowValue::OfText(security.symbol));
            AppendFields(values, request.fields, record);
            outcome.result = writer->WriteRow(DayOfRecord(record), values);
            return outcome.result == kSheetOk && written();
        });
    } else {
        walked = WalkWide(request, reader, failed,
                          [&](int32_t day, const std::vector<Cursor>& cursors, const std::vector<char>& present) {
                              values.clear();
                              for (size_t i = 0; i < cursors.size(); ++i) {
                                  if (present[i])
                                      AppendFields(values, request.fields, cursors[i].record);
                                  else
                                      values.insert(values.end(), static_cast<size_t>(fieldCount), RowValue{});
                              }
                              outcome.result = writer->WriteRow(day, values);
                              return outcome.result == kSheetOk && written();
                          });
    }
    if (outcome.result != kSheetOk)
        return outcome;
    if (!walked && !outcome.interrupted) {
        outcome.refusal = OpenFailure(failed);
        return outcome;  // the writer abandons the file
    }
    if (hooks.progress)
        hooks.progress(estimate);
    outcome.datesAsText = writer->DatesWrittenAsText();
    if (outcome.interrupted && !hooks.keepRowsWhenInterrupted)
        return outcome;  // the writer abandons the file
    outcome.result = writer->Close();
    return outcome;
}

std::optional<std::string> AddToMerge(const engine::DataSource& source, const std::string& name,
                                      const std::optional<std::string>& symbol, std::optional<int32_t> from,
                                      std::optional<int32_t> to, MergeRequest& request,
                                      const std::function<void(const std::string&)>& note)
{
    ImportRequest security;
    if (std::optional<std::string> failure = PrepareImport(source, symbol, from, to, security))
        return failure;
    // "ABC abc ABC" names one security: its columns once.
    for (const ImportRequest& added : request.securities) {
        if (added.symbol == security.symbol) {
            if (note)
                note(base::ShownSymbol(name) + ": given more than once; merged once");
            return std::nullopt;
        }
    }
    request.securities.push_back(security);
    return std::nullopt;
}

std::string LeftOutOfMergeText(const std::string& name, const std::string& why)
{
    return base::ShownSymbol(name) + ": " + why + "; left out of the merge";
}
