// The tessaport module: the Python face of python/database.h. Arguments are checked and
// converted here, the database is read with the interpreter lock released, and the rows
// become numpy arrays without a copy. numpy and pandas are imported when first needed,
// so "import tessaport" needs neither.

#include "database.h"

#include "qv2omg/price_csv.h"

#include <pybind11/eval.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

// nanosecond timestamps hold 1677-09-22 to 2262-04-11 as whole days.
constexpr int64_t kFirstNanosecondDay = -106751;
constexpr int64_t kLastNanosecondDay = 106751;

// The names of kMergeFields in the rows of read() and the columns of frame().
constexpr const char* kRowNames[] = {"open", "high", "low", "close", "volume", "open_interest"};
constexpr const char* kColumnNames[] = {"Open", "High", "Low", "Close", "Volume", "Open_Interest"};

// Objects made once at import and kept for the life of the interpreter.
PyObject* dataWarning = nullptr;
PyObject* securityType = nullptr;
PyObject* findingType = nullptr;

void Warn(const std::vector<std::string>& warnings)
{
    for (const std::string& text : warnings) {
        if (PyErr_WarnEx(dataWarning, text.c_str(), 1) < 0)
            throw py::error_already_set();
    }
}

std::string Repr(const py::handle& value)
{
    return py::repr(value).cast<std::string>();
}

std::string TypeName(const py::handle& value)
{
    return py::type::of(value).attr("__name__").cast<std::string>();
}

// The UTF-8 of a str; nothing when it holds a lone surrogate, which no symbol, date or
// field name can hold. TypeError for anything but a str.
std::optional<std::string> StrArgument(const char* name, const py::handle& value)
{
    if (!py::isinstance<py::str>(value))
        throw py::type_error(std::string(name) + " must be a str, not " + TypeName(value));
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(value.ptr(), &size);
    if (!utf8) {
        PyErr_Clear();
        return std::nullopt;
    }
    return std::string(utf8, static_cast<size_t>(size));
}

// One end of the range: nothing, or its day number.
std::optional<int32_t> DateArgument(const char* name, const py::handle& value)
{
    if (value.is_none())
        return std::nullopt;
    if (py::isinstance<py::str>(value)) {
        const std::optional<std::string> text = StrArgument(name, value);
        if (const std::optional<uint32_t> date = text ? qv2omg::ParseIsoDate(*text) : std::nullopt)
            return pydb::SerialOfDate(*date);
        throw py::value_error(std::string(name) + " needs a date YYYY-MM-DD, not " + Repr(value));
    }
    // datetime.datetime and pandas.Timestamp are dates too; their time of day does not count.
    if (py::isinstance(value, py::module_::import("datetime").attr("date"))) {
        return pydb::SerialOfDate(value.attr("year").cast<int32_t>(), value.attr("month").cast<int32_t>(),
                                  value.attr("day").cast<int32_t>());
    }
    const std::string module = py::str(py::type::of(value).attr("__module__"));
    if (module == "numpy" && py::isinstance(value, py::module_::import("numpy").attr("datetime64"))) {
        const auto day = value.attr("astype")("datetime64[D]").attr("astype")("int64").cast<int64_t>();
        if (day != pydb::kNotADay && day > std::numeric_limits<int32_t>::min() / 2
            && day < std::numeric_limits<int32_t>::max() / 2)
            return pydb::SerialOfEpochDay(day);
    }
    throw py::value_error(std::string(name) + " needs a date (datetime.date, numpy.datetime64 or YYYY-MM-DD), not "
                          + Repr(value));
}

pydb::DateBounds BoundsArgument(const py::handle& start, const py::handle& end)
{
    pydb::DateBounds bounds{DateArgument("start", start), DateArgument("end", end)};
    if (bounds.from && bounds.to && *bounds.from > *bounds.to)
        throw py::value_error("start is later than end");
    return bounds;
}

// How frames carry dates outside what nanosecond timestamps hold.
enum class DatesMode { Period, Datetime, Raise };

// A choice among words, as the option `name` takes them.
size_t ChoiceArgument(const char* name, const py::handle& value, std::initializer_list<const char*> words)
{
    std::string list;
    size_t n = 0;
    for (const char* word : words) {
        list += std::string(n == 0 ? "" : n + 1 == words.size() ? " or " : ", ") + '"' + word + '"';
        ++n;
    }
    const std::optional<std::string> text = py::isinstance<py::str>(value) ? StrArgument(name, value) : std::nullopt;
    size_t i = 0;
    for (const char* word : words) {
        if (text && *text == word)
            return i;
        ++i;
    }
    throw py::value_error(std::string(name) + " takes " + list + ", not " + Repr(value));
}

bool PricesArgument(const py::handle& value)
{
    return ChoiceArgument("prices", value, {"float32", "float64"}) == 1;
}

DatesMode DatesArgument(const py::handle& value)
{
    return static_cast<DatesMode>(ChoiceArgument("dates", value, {"period", "datetime", "raise"}));
}

std::string AsciiTrimmedLower(std::string text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    size_t first = 0;
    while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    text.erase(0, first);
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// fields: "open,high" or ["open", "high"], as --fields takes them; nothing for None.
std::optional<unsigned> FieldsArgument(const py::handle& value)
{
    if (value.is_none())
        return std::nullopt;
    std::vector<std::string> names;
    if (py::isinstance<py::str>(value)) {
        const std::optional<std::string> held = StrArgument("fields", value);
        if (!held)
            throw py::value_error("fields: " + Repr(value) + " is none of open, high, low, close, volume, oi");
        const std::string& text = *held;
        for (size_t start = 0;;) {
            const size_t comma = text.find(',', start);
            names.push_back(text.substr(start, comma - start));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    } else {
        for (const py::handle item : py::iter(value)) {
            const std::optional<std::string> name = py::isinstance<py::str>(item) ? StrArgument("fields", item)
                                                                                 : std::nullopt;
            if (!name)
                throw py::value_error("fields: " + Repr(item) + " is none of open, high, low, close, volume, oi");
            names.push_back(*name);
        }
        if (names.empty())
            names.emplace_back();
    }
    unsigned fields = 0;
    for (const std::string& name : names) {
        const std::string word = AsciiTrimmedLower(name);
        const std::optional<unsigned> field = MergeFieldOfName(word);
        if (!field)
            throw py::value_error("fields: \"" + word + "\" is none of open, high, low, close, volume, oi");
        fields |= *field;
    }
    return fields;
}

// A symbol as text; KeyError for one that no database can hold.
std::string SymbolArgument(const py::handle& value, const std::string& database)
{
    if (std::optional<std::string> text = StrArgument("symbol", value))
        return std::move(*text);
    throw py::key_error("no security " + Repr(value) + " in " + database);
}

// A list of symbols, or one symbol on its own.
std::vector<std::string> SymbolsArgument(const py::handle& value, const std::string& database)
{
    if (py::isinstance<py::str>(value))
        return {SymbolArgument(value, database)};
    std::vector<std::string> symbols;
    for (const py::handle item : py::iter(value)) {
        if (!py::isinstance<py::str>(item))
            throw py::type_error("symbols holds " + Repr(item) + ", not a symbol text");
        symbols.push_back(SymbolArgument(item, database));
    }
    return symbols;
}

// A vector handed to numpy without a copy; numpy frees it with the array.
template <typename T>
py::array ArrayOf(std::vector<T>&& values, const char* type)
{
    auto owned = std::make_unique<std::vector<T>>(std::move(values));
    py::capsule owner(owned.get(), [](void* p) { delete static_cast<std::vector<T>*>(p); });
    std::vector<T>* vector = owned.release();
    return py::array(py::dtype(type), {static_cast<py::ssize_t>(vector->size())}, {static_cast<py::ssize_t>(sizeof(T))},
                     vector->data(), owner);
}

py::dtype MakeRowType(const pydb::RowLayout& layout)
{
    py::list names;
    py::list formats;
    py::list offsets;
    names.append("date");
    formats.append("M8[D]");
    offsets.append(0);
    for (size_t f = 0; f < kMergeFields.size(); ++f) {
        if (layout.fields & kMergeFields[f].field) {
            names.append(kRowNames[f]);
            formats.append(f >= 4 ? "i8" : layout.decimalPrices ? "f8" : "f4");
            offsets.append(layout.offsets[f]);
        }
    }
    return py::dtype(names, formats, offsets, static_cast<py::ssize_t>(layout.itemSize));
}

// The dtype of a layout, made once for each choice of fields and prices and kept for the
// life of the interpreter (the lock guards it).
py::dtype RowType(const pydb::RowLayout& layout)
{
    static std::array<PyObject*, 2 * (1u << kMergeFields.size())> made{};
    PyObject*& type = made[(layout.fields & ((1u << kMergeFields.size()) - 1)) * 2 + (layout.decimalPrices ? 1 : 0)];
    if (!type)
        type = MakeRowType(layout).release().ptr();
    return py::reinterpret_borrow<py::dtype>(type);
}

py::array RowsOf(pydb::RowBlock block, const pydb::RowLayout& layout)
{
    py::dtype type = RowType(layout);
    void* data = block.Rows();
    py::capsule owner;
    if (block.arenaBlock) {
        auto held = std::make_unique<std::shared_ptr<void>>(std::move(block.arenaBlock));
        owner = py::capsule(held.get(), [](void* p) { delete static_cast<std::shared_ptr<void>*>(p); });
        held.release();
    } else {
        owner = py::capsule(data, [](void* p) { std::free(p); });
        block.data.release();
    }
    return py::array(type, {static_cast<py::ssize_t>(block.rows)}, {static_cast<py::ssize_t>(layout.itemSize)}, data,
                     owner);
}

std::string DayText(int64_t day)
{
    return py::str(py::module_::import("numpy").attr("datetime64")(day, "D"));
}

// Dates as a pandas index: a DatetimeIndex when pandas' nanosecond timestamps hold every
// one of them, else as `mode` says: a PeriodIndex of days, which holds any date; a
// DatetimeIndex with NaT for those outside, told in a DataWarning; or ValueError.
// `whose` names the security or merge in messages.
py::object DateIndex(const py::object& days, const char* name, DatesMode mode = DatesMode::Period,
                     const std::string& whose = {})
{
    py::module_ pandas = py::module_::import("pandas");
    auto ordinals = py::array_t<int64_t, py::array::c_style | py::array::forcecast>::ensure(
        days.attr("astype")("M8[D]").attr("view")("int64"));
    py::ssize_t outside = 0;
    int64_t first = 0;
    for (py::ssize_t i = 0; i < ordinals.size(); ++i) {
        const int64_t day = ordinals.at(i);
        if (day != pydb::kNotADay && (day < kFirstNanosecondDay || day > kLastNanosecondDay) && outside++ == 0)
            first = day;
    }
    const std::string prefix = whose.empty() ? "" : whose + ": ";
    if (outside && mode == DatesMode::Raise)
        throw py::value_error(prefix + "the date " + DayText(first)
                              + " lies outside 1677-09-22..2262-04-11, which a DatetimeIndex holds "
                                "(dates=\"period\" gives a PeriodIndex that holds it)");
    if (outside && mode == DatesMode::Datetime) {
        const std::string text = prefix + std::to_string(outside) + (outside == 1 ? " date lies" : " dates lie")
            + " outside 1677-09-22..2262-04-11, which a DatetimeIndex holds, and became NaT (the first: "
            + DayText(first) + ")";
        Warn({text});
        py::array_t<int64_t> clipped(ordinals.size());
        auto out = clipped.mutable_unchecked<1>();
        for (py::ssize_t i = 0; i < ordinals.size(); ++i) {
            const int64_t day = ordinals.at(i);
            out(i) = day < kFirstNanosecondDay || day > kLastNanosecondDay ? pydb::kNotADay : day;
        }
        return pandas.attr("DatetimeIndex")(clipped.attr("view")("M8[D]").attr("astype")("M8[ns]"), "name"_a = name);
    }
    if (!outside)
        return pandas.attr("DatetimeIndex")(days.attr("astype")("M8[ns]"), "name"_a = name);
    py::object periods = pandas.attr("PeriodIndex");
    if (py::hasattr(periods, "from_ordinals"))
        return periods.attr("from_ordinals")(ordinals, "freq"_a = "D", "name"_a = name);
    return periods("ordinal"_a = ordinals, "freq"_a = "D", "name"_a = name);
}

// The progress argument: nothing, a callable progress(done, total), or True for a bar on
// standard error. Called under the lock, at most about a thousand times a run, and
// always with (total, total) last.
class Progress {
public:
    explicit Progress(const py::handle& value)
    {
        if (value.is_none() || (py::isinstance<py::bool_>(value) && !value.cast<bool>()))
            return;
        if (py::isinstance<py::bool_>(value))
            call_ = py::module_::import("tessaport").attr("_ProgressBar")();
        else if (PyCallable_Check(value.ptr()))
            call_ = py::reinterpret_borrow<py::object>(value);
        else
            throw py::type_error("progress takes a callable progress(done, total), True or None, not "
                                 + TypeName(value));
    }

    bool Wanted() const { return static_cast<bool>(call_); }

    void operator()(int64_t done, int64_t total)
    {
        if (!call_ || finished_ || (done < next_ && done < total))
            return;
        next_ = done + std::max<int64_t>(1, total / 1000);
        finished_ = done >= total;
        call_(done, total);
    }

    void Finish(int64_t total) { (*this)(total, total); }

private:
    py::object call_;
    int64_t next_ = 0;
    bool finished_ = false;
};

py::object DateObject(uint32_t yyyymmdd)
{
    if (!qv2omg::IsValidDate(yyyymmdd))
        return py::none();
    return py::module_::import("datetime")
        .attr("date")(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

py::str Text(std::string_view windows1252)
{
    return py::str(pydb::DecodeText(windows1252));
}

// A frame of named columns in order; names may repeat.
py::object FrameOf(const std::vector<std::pair<std::string, py::object>>& columns, const py::object& index)
{
    py::dict data;
    py::list names;
    for (size_t i = 0; i < columns.size(); ++i) {
        data[py::int_(i)] = columns[i].second;
        names.append(columns[i].first);
    }
    py::object frame = py::module_::import("pandas").attr("DataFrame")(data, "index"_a = index);
    frame.attr("columns") = names;
    return frame;
}

// Counts with empty cells become float64 with NaN, as pandas reads such a column of a file.
py::object CountsOf(std::vector<int64_t>&& counts, const std::vector<char>& absent)
{
    if (absent.empty())
        return ArrayOf(std::move(counts), "i8");
    std::vector<double> values(counts.size());
    for (size_t i = 0; i < counts.size(); ++i)
        values[i] = absent[i] ? std::numeric_limits<double>::quiet_NaN() : static_cast<double>(counts[i]);
    return ArrayOf(std::move(values), "f8");
}

class PyDatabase {
public:
    explicit PyDatabase(const py::object& path)
    {
        py::module_ os = py::module_::import("os");
        const py::object fspath = os.attr("fspath")(path);
        name_ = os.attr("fsdecode")(fspath);
        const std::string name = name_.attr("encode")("utf-8", "backslashreplace").cast<std::string>();
        const std::string bytes = os.attr("fsencode")(fspath).cast<std::string>();
        // The system takes a path up to its first NUL: the rest would be lost in silence.
        if (bytes.find('\0') != std::string::npos)
            throw py::value_error("path: embedded null byte in " + ::Repr(name_));
        std::vector<std::string> warnings;
        {
            py::gil_scoped_release release;
            database_ = std::make_unique<pydb::Database>(std::filesystem::path(bytes), name, warnings);
        }
        Warn(warnings);
    }

    py::str Path() const { return name_; }

    std::string Repr() const { return "tessaport.Database(" + ::Repr(name_) + ")"; }

    size_t Length()
    {
        std::vector<std::string> warnings;
        size_t count = 0;
        {
            py::gil_scoped_release release;
            count = database_->Count(warnings);
        }
        Warn(warnings);
        return count;
    }

    bool Contains(const py::handle& symbol)
    {
        if (!py::isinstance<py::str>(symbol))
            return false;
        const std::optional<std::string> held = StrArgument("symbol", symbol);
        if (!held)
            return false;
        const std::string& text = *held;
        std::vector<std::string> warnings;
        bool found = false;
        {
            py::gil_scoped_release release;
            found = database_->Contains(text, warnings);
        }
        Warn(warnings);
        return found;
    }

    py::object Securities(bool frame)
    {
        if (frame)
            py::module_::import("pandas");
        std::vector<std::string> warnings;
        std::vector<pydb::Listing> listings;
        {
            py::gil_scoped_release release;
            listings = database_->Securities(warnings);
        }
        Warn(warnings);
        if (frame)
            return SecuritiesFrame(listings);
        py::list list;
        for (const pydb::Listing& listing : listings) {
            const pydb::Security& s = listing.security;
            list.append(py::handle(securityType)(
                Text(s.symbol), Text(s.description), s.category, s.period, DateObject(listing.first),
                DateObject(listing.last), listing.readable ? py::object(py::int_(listing.records)) : py::none(),
                s.openInterest));
        }
        return list;
    }

    py::object Reduce() const
    {
        return py::make_tuple(py::type::of<PyDatabase>(), py::make_tuple(name_));
    }

    py::array Read(const py::handle& symbolArgument, const py::handle& start, const py::handle& end,
                   const py::handle& fields, bool keepInvalid, const py::handle& prices)
    {
        const std::string symbol = SymbolArgument(symbolArgument, database_->Name());
        const pydb::DateBounds bounds = BoundsArgument(start, end);
        const std::optional<unsigned> chosen = FieldsArgument(fields);
        const bool decimal = PricesArgument(prices);
        std::vector<std::string> warnings;
        pydb::RowBlock block;
        pydb::RowLayout layout;
        {
            py::gil_scoped_release release;
            const pydb::Security security = database_->Find(symbol, warnings);
            layout = LayoutOf(security, chosen, decimal);
            block = database_->Read(security, bounds, layout, keepInvalid, warnings);
        }
        Warn(warnings);
        return RowsOf(std::move(block), layout);
    }

    py::object Frame(const py::handle& symbol, const py::handle& start, const py::handle& end,
                     const py::handle& fields, bool keepInvalid, const py::handle& prices, const py::handle& dates)
    {
        const DatesMode mode = DatesArgument(dates);
        py::module_::import("pandas");
        return FrameOfRows(Read(symbol, start, end, fields, keepInvalid, prices), mode, py::str(symbol));
    }

    py::dict ReadMany(const py::handle& symbols, const py::handle& start, const py::handle& end,
                      const py::handle& fields, bool keepInvalid, const py::handle& progress,
                      const py::handle& prices)
    {
        return Many(symbols, start, end, fields, keepInvalid, progress, prices, std::nullopt);
    }

    py::dict Frames(const py::handle& symbols, const py::handle& start, const py::handle& end,
                    const py::handle& fields, bool keepInvalid, const py::handle& progress, const py::handle& prices,
                    const py::handle& dates)
    {
        const DatesMode mode = DatesArgument(dates);
        py::module_::import("pandas");
        return Many(symbols, start, end, fields, keepInvalid, progress, prices, mode);
    }

    py::object Merge(const py::handle& symbols, const std::string& how, bool commonDates, const py::handle& fields,
                     const py::handle& start, const py::handle& end, bool keepInvalid, const py::handle& progress,
                     const py::handle& prices, const py::handle& dates)
    {
        pydb::MergeRequest request;
        const std::string shape = AsciiTrimmedLower(how);
        if (shape == "wide")
            request.shape = MergeShape::Wide;
        else if (shape == "long")
            request.shape = MergeShape::Long;
        else
            throw py::value_error("how: \"" + how + "\" is neither wide nor long");
        if (commonDates && request.shape != MergeShape::Wide)
            throw py::value_error("common_dates goes with how=\"wide\"");
        request.commonDates = commonDates;
        request.fields = FieldsArgument(fields).value_or(kDefaultFields);
        request.bounds = BoundsArgument(start, end);
        request.keepInvalid = keepInvalid;
        const bool decimal = PricesArgument(prices);
        const DatesMode mode = DatesArgument(dates);
        Progress report(progress);
        const std::vector<std::string> names = SymbolsArgument(symbols, database_->Name());
        if (names.empty())
            throw py::value_error("no security to merge");
        py::module_::import("pandas");

        std::vector<std::string> warnings;
        pydb::MergeColumns merged;
        std::vector<std::vector<double>> decimals;
        // A failure of the progress callable, raised once the merge has stopped.
        std::optional<py::error_already_set> failure;
        int64_t total = 0;
        if (report.Wanted()) {
            request.progress = [&](int64_t done, int64_t all) {
                py::gil_scoped_acquire acquire;
                total = all;
                try {
                    report(done, all);
                } catch (py::error_already_set& error) {
                    failure.emplace(std::move(error));
                    return false;
                }
                return true;
            };
        }
        {
            py::gil_scoped_release release;
            for (const std::string& name : names)
                request.securities.push_back(database_->Find(name, warnings));
            request.names = names;
            merged = database_->Merge(request, warnings);
            for (pydb::MergeColumns::Column& column : merged.columns) {
                if (decimal && column.price)
                    decimals.push_back(pydb::DecimalPrices(column.prices));
            }
        }
        if (failure)
            throw std::move(*failure);
        report.Finish(total);
        Warn(warnings);

        std::vector<std::pair<std::string, py::object>> columns;
        if (request.shape == MergeShape::Long) {
            py::list symbolTexts;
            for (const std::string& symbol : merged.symbols)
                symbolTexts.append(Text(symbol));
            py::object symbolArray = py::module_::import("numpy").attr("array")(symbolTexts, "dtype"_a = "object");
            columns.emplace_back("Symbol", symbolArray[ArrayOf(std::move(merged.symbolOfRow), "u4")]);
        }
        size_t decimalColumn = 0;
        for (pydb::MergeColumns::Column& column : merged.columns) {
            const std::string name = pydb::DecodeText(column.name);
            if (column.price && decimal)
                columns.emplace_back(name, ArrayOf(std::move(decimals[decimalColumn++]), "f8"));
            else if (column.price)
                columns.emplace_back(name, ArrayOf(std::move(column.prices), "f4"));
            else
                columns.emplace_back(name, CountsOf(std::move(column.counts), request.shape == MergeShape::Wide
                                                                                  ? merged.absent[column.security]
                                                                                  : std::vector<char>()));
        }
        return FrameOf(columns, DateIndex(ArrayOf(std::move(merged.days), "M8[D]"), "Date", mode, "the merge"));
    }

    py::object Check(const py::handle& symbol, bool frame)
    {
        std::optional<std::string> name;
        if (!symbol.is_none() && !py::isinstance<py::str>(symbol))
            throw py::type_error("symbol must be a str or None, not " + TypeName(symbol));
        if (!symbol.is_none())
            name = SymbolArgument(symbol, database_->Name());
        if (frame)
            py::module_::import("pandas");
        std::vector<std::string> warnings;
        std::vector<pydb::SecurityFinding> findings;
        {
            py::gil_scoped_release release;
            std::optional<pydb::Security> security;
            if (name)
                security = database_->Find(*name, warnings);
            findings = database_->Check(security, warnings);
        }
        Warn(warnings);
        if (frame)
            return FindingsFrame(findings);
        py::list list;
        for (const pydb::SecurityFinding& f : findings) {
            list.append(py::handle(findingType)(Text(f.symbol), DateObject(f.finding.date),
                                                quality::KindName(f.finding.kind), f.finding.values,
                                                f.finding.reason));
        }
        return list;
    }

private:
    static pydb::RowLayout LayoutOf(const pydb::Security& security, const std::optional<unsigned>& chosen,
                                    bool decimal)
    {
        return pydb::RowLayout::Of(chosen.value_or(kDefaultFields | (security.openInterest ? kFieldOpenInterest : 0u)),
                                   decimal);
    }

    static py::object FrameOfRows(const py::array& rows, DatesMode mode, const std::string& whose)
    {
        std::vector<std::pair<std::string, py::object>> columns;
        const py::object names = rows.dtype().attr("names");
        for (size_t f = 0; f < kMergeFields.size(); ++f) {
            if (names.contains(kRowNames[f]))
                columns.emplace_back(kColumnNames[f], rows[kRowNames[f]]);
        }
        return FrameOf(columns, DateIndex(rows["date"], "Date", mode, whose));
    }

    // read_many() and, with a dates mode, frames(): each security read with the lock
    // released, the lock taken only to hand its rows over and report progress.
    py::dict Many(const py::handle& symbols, const py::handle& start, const py::handle& end, const py::handle& fields,
                  bool keepInvalid, const py::handle& progress, const py::handle& prices,
                  std::optional<DatesMode> frames)
    {
        std::optional<std::vector<std::string>> names;
        if (!symbols.is_none())
            names = SymbolsArgument(symbols, database_->Name());
        const pydb::DateBounds bounds = BoundsArgument(start, end);
        const std::optional<unsigned> chosen = FieldsArgument(fields);
        const bool decimal = PricesArgument(prices);
        Progress report(progress);
        std::vector<std::string> warnings;
        py::dict out;
        {
            py::gil_scoped_release release;
            std::vector<pydb::Security> securities;
            if (names) {
                for (const std::string& name : *names)
                    securities.push_back(database_->Find(name, warnings));
            } else {
                securities = database_->All(warnings);
            }
            std::unordered_set<std::string> done;
            pydb::RowArena arena;
            const auto total = static_cast<int64_t>(securities.size());
            int64_t count = 0;
            for (const pydb::Security& security : securities) {
                ++count;
                std::optional<pydb::RowBlock> block;
                const pydb::RowLayout layout = LayoutOf(security, chosen, decimal);
                if (done.insert(security.symbol).second) {
                    try {
                        block = database_->Read(security, bounds, layout, keepInvalid, warnings, &arena);
                    } catch (const pydb::Error& error) {
                        // Every security read: one that cannot be is left out, as check() leaves it.
                        if (names || error.Kind() != pydb::ErrorKind::Unreadable)
                            throw;
                        warnings.push_back(std::string(error.what()) + "; left out");
                    }
                }
                if (!block && !report.Wanted())
                    continue;
                py::gil_scoped_acquire acquire;
                if (block) {
                    py::str symbol = Text(security.symbol);
                    py::array rows = RowsOf(std::move(*block), layout);
                    out[symbol] = frames ? FrameOfRows(rows, *frames, symbol) : py::object(rows);
                }
                report(count, total);
            }
            if (securities.empty()) {
                py::gil_scoped_acquire acquire;
                report.Finish(0);
            }
        }
        Warn(warnings);
        return out;
    }

    static py::object SecuritiesFrame(const std::vector<pydb::Listing>& listings)
    {
        py::list symbols, descriptions;
        std::vector<int64_t> categories, periods, firsts, lasts, records;
        std::vector<char> unreadable;
        py::list openInterest;
        for (const pydb::Listing& listing : listings) {
            symbols.append(Text(listing.security.symbol));
            descriptions.append(Text(listing.security.description));
            categories.push_back(listing.security.category);
            periods.push_back(listing.security.period);
            firsts.push_back(listing.first ? pydb::EpochDayOfDate(listing.first) : pydb::kNotADay);
            lasts.push_back(listing.last ? pydb::EpochDayOfDate(listing.last) : pydb::kNotADay);
            records.push_back(listing.readable ? listing.records : 0);
            unreadable.push_back(!listing.readable);
            openInterest.append(listing.security.openInterest);
        }
        py::module_ numpy = py::module_::import("numpy");
        if (std::none_of(unreadable.begin(), unreadable.end(), [](char u) { return u != 0; }))
            unreadable.clear();
        std::vector<std::pair<std::string, py::object>> columns = {
            {"Symbol", numpy.attr("array")(symbols, "dtype"_a = "object")},
            {"Description", numpy.attr("array")(descriptions, "dtype"_a = "object")},
            {"Category", ArrayOf(std::move(categories), "i8")},
            {"Period", ArrayOf(std::move(periods), "i8")},
            {"FirstDate", DateIndex(ArrayOf(std::move(firsts), "M8[D]"), "FirstDate")},
            {"LastDate", DateIndex(ArrayOf(std::move(lasts), "M8[D]"), "LastDate")},
            {"Records", CountsOf(std::move(records), unreadable)},
            {"OpenInterest", numpy.attr("array")(openInterest, "dtype"_a = "bool")},
        };
        return FrameOf(columns, py::none());
    }

    static py::object FindingsFrame(const std::vector<pydb::SecurityFinding>& findings)
    {
        py::list symbols, kinds, values, reasons;
        std::vector<int64_t> days;
        for (const pydb::SecurityFinding& f : findings) {
            symbols.append(Text(f.symbol));
            days.push_back(pydb::EpochDayOfDate(f.finding.date));
            kinds.append(quality::KindName(f.finding.kind));
            values.append(f.finding.values);
            reasons.append(f.finding.reason);
        }
        py::module_ numpy = py::module_::import("numpy");
        auto objects = [&](const py::list& list) { return numpy.attr("array")(list, "dtype"_a = "object"); };
        std::vector<std::pair<std::string, py::object>> columns = {
            {"Symbol", objects(symbols)},
            {"Date", DateIndex(ArrayOf(std::move(days), "M8[D]"), "Date")},
            {"Kind", objects(kinds)},
            {"Values", objects(values)},
            {"Reason", objects(reasons)},
        };
        return FrameOf(columns, py::none());
    }

    py::str name_;
    std::unique_ptr<pydb::Database> database_;
};

} // namespace

PYBIND11_MODULE(tessaport, m)
{
    m.doc() = R"(Price histories of a database, straight into numpy and pandas.

The same records, merges and checks as the command-line tools: read() gives what
`omegadb dump` prints, merge() what `tessaport-import --merge` writes, check() what
`omegadb check` finds.

    import tessaport
    db = tessaport.Database("/opt/omega/Data/USStock")
    rows = db.read("ABRN", start="2020-01-01")       # a numpy structured array
    prices = db.frame("ABRN")                        # a pandas DataFrame by date
    closes = db.merge(["ABRN", "ALDW"], fields="close")
)";
    m.attr("__version__") = TESSAPORT_VERSION;

    dataWarning = PyErr_NewExceptionWithDoc(
        "tessaport.DataWarning",
        "A damaged file read as far as it is whole, or a security left out of a merge.", PyExc_UserWarning, nullptr);
    m.attr("DataWarning") = py::handle(dataWarning);

    py::object namedtuple = py::module_::import("collections").attr("namedtuple");
    py::object security = namedtuple("Security",
                                     py::make_tuple("symbol", "description", "category", "period", "first_date",
                                                    "last_date", "record_count", "open_interest"),
                                     "module"_a = "tessaport");
    security.attr("__doc__") = R"(One security of a database, as db.securities() lists it.

symbol, description: the texts of the header file, decoded from Windows-1252.
category: the category code (0 future ... 14 composites).
period: 0 daily, 1 weekly, 2 monthly.
first_date, last_date: datetime.date of the first and last record; None when there is
    none (or the file holds no calendar date there).
record_count: records in the data file; None when the data file is missing or unreadable.
open_interest: whether the security keeps open interest.)";
    securityType = security.inc_ref().ptr();
    m.attr("Security") = security;

    py::object finding = namedtuple("Finding", py::make_tuple("symbol", "date", "kind", "values", "reason"),
                                    "module"_a = "tessaport");
    finding.attr("__doc__") = R"(One finding of db.check(), as a line of `omegadb check --csv`.

symbol: the security's symbol.
date: datetime.date of the record found at fault; None when it is no calendar date
    (a bad-date finding; `values` then holds the stored digits).
kind: high-below-low, outside-range, bad-price, negative-volume, bad-date,
    duplicate-date, out-of-order, gap, bad-tick or split.
values: the values involved, as "high=9.5 low=10".
reason: a short sentence saying what is wrong.)";
    findingType = finding.inc_ref().ptr();
    m.attr("Finding") = finding;

    // progress=True: a tqdm bar when tqdm is there, else one line kept up to date.
    py::dict scope;
    scope["__builtins__"] = py::module_::import("builtins");
    py::exec(R"py(
import sys

class _ProgressBar:
    """The bar of progress=True on standard error."""
    def __init__(self):
        self._bar = None
        self._shown = None

    def __call__(self, done, total):
        if self._shown is None:
            self._shown = -1
            try:
                import tqdm
                self._bar = tqdm.tqdm(total=total, file=sys.stderr, unit="item")
            except ImportError:
                pass
        if self._bar is not None:
            self._bar.update(done - self._bar.n)
            if done >= total:
                self._bar.close()
            return
        percent = 100 * done // total if total else 100
        if percent != self._shown:
            self._shown = percent
            sys.stderr.write(f"\r{done}/{total} ({percent}%)" + ("\n" if done >= total else ""))
            sys.stderr.flush()
)py", scope);
    py::object bar = scope["_ProgressBar"];
    bar.attr("__module__") = "tessaport";
    m.attr("_ProgressBar") = bar;

    py::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const pydb::Error& e) {
            PyObject* type = PyExc_OSError;
            switch (e.Kind()) {
            case pydb::ErrorKind::NoDatabase: type = PyExc_FileNotFoundError; break;
            case pydb::ErrorKind::Unreadable: type = PyExc_OSError; break;
            case pydb::ErrorKind::UnknownSymbol: type = PyExc_KeyError; break;
            case pydb::ErrorKind::BadValue: type = PyExc_ValueError; break;
            }
            PyErr_SetString(type, e.what());
        }
    });

    py::class_<PyDatabase>(m, "Database", R"(A database: a folder holding master.omg and one data file per security.

Opening checks that the header file is there; each call reads the files as they are
then, so securities added later are found. Records are read with the interpreter lock
released, and one Database may be used from several threads at once.

Raises FileNotFoundError when the folder holds no header file, OSError when
master.omg is not one, ValueError for a path with a NUL. A damaged file is read as far
as it is whole and past a damaged record, in file order, with a tessaport.DataWarning.)")
        .def(py::init<const py::object&>(), "path"_a, "Opens the database in the folder `path` (str, bytes or os.PathLike).")
        .def_property_readonly("path", &PyDatabase::Path, "The folder as given.")
        .def("__repr__", &PyDatabase::Repr, "tessaport.Database('path')")
        .def("__len__", &PyDatabase::Length, "The number of securities.")
        .def("__contains__", &PyDatabase::Contains, "symbol"_a,
             "Whether a security has this symbol (ignoring the case of ASCII letters).")
        .def("securities", &PyDatabase::Securities, "frame"_a = false, R"(Every security, in the order of the header file.

Returns a list of tessaport.Security records, or with frame=True a pandas DataFrame
with the columns Symbol, Description, Category, Period, FirstDate, LastDate, Records
and OpenInterest (Records is float with NaN where a data file is missing).)")
        .def("read", &PyDatabase::Read, "symbol"_a, "start"_a = py::none(), "end"_a = py::none(),
             "fields"_a = py::none(), "keep_invalid"_a = false, "prices"_a = "float32", R"(The records of one security as a numpy structured array.

Fields: `date` (datetime64[D]), then `open`, `high`, `low`, `close` (float32, exactly
as stored; a missing price is NaN) and `volume`, `open_interest` (int64). A date
that is no calendar date (only a damaged file holds one) is NaT.

symbol: as tessaport-import takes it: ASCII letters in any case, blanks around it
    ignored. KeyError when the database has no such security, TypeError for no str.
start, end: the first and last date wanted, both included: datetime.date (also
    datetime.datetime, pandas.Timestamp), numpy.datetime64 or "YYYY-MM-DD"; None for
    the first or last date held. The range is narrowed as --from and --to narrow it;
    a range without records gives an empty array. ValueError for anything else, or
    for a start later than the end. Without start and end, every record of the file
    in file order, as omegadb dump prints them.
fields: the fields after `date`, as tessaport-import --fields names them: "open",
    "high", "low", "close", "volume", "oi", in a list or in one text separated by
    commas; always in that order. None: all but oi, and oi too when the security
    keeps open interest. ValueError for another name.
keep_invalid: also the records with a missing price, which are left out otherwise
    (as --keep-invalid).
prices: "float32", the prices exactly as stored; or "float64", each the double of its
    shortest decimal (8.13, where float(numpy.float32(8.13)) is 8.130000114440918),
    the values pandas.read_csv gives for the CSV export.

OSError when the data file is missing or unreadable.)")
        .def("__reduce__", &PyDatabase::Reduce,
             "Pickles as its path: the receiving process (a spawned worker) opens the database again.")
        .def("frame", &PyDatabase::Frame, "symbol"_a, "start"_a = py::none(), "end"_a = py::none(),
             "fields"_a = py::none(), "keep_invalid"_a = false, "prices"_a = "float32", "dates"_a = "period", R"(The records of one security as a pandas DataFrame.

The same records and arguments as read(), indexed by date ("Date"), with the columns
Open, High, Low, Close (float32, NaN where missing), Volume and Open_Interest (int64)
that were chosen.

The index is a DatetimeIndex. pandas' nanosecond timestamps hold only the dates from
1677-09-22 to 2262-04-11; when a record lies outside them, the index is a PeriodIndex
of days instead, which holds every date, so no record is dropped or moved. Its labels
select and slice as dates do ("1650-03-01", "1650"); .to_timestamp() converts it where
every date fits. That is dates="period", the default; dates="datetime" always gives a
DatetimeIndex, with NaT for a date outside and a tessaport.DataWarning saying how many;
dates="raise" raises ValueError naming the first date outside.

prices: "float32" (as stored) or "float64" (as pandas.read_csv reads the CSV export;
see read()).)")
        .def("read_many", &PyDatabase::ReadMany, "symbols"_a = py::none(), "start"_a = py::none(),
             "end"_a = py::none(), "fields"_a = py::none(), "keep_invalid"_a = false, "progress"_a = py::none(),
             "prices"_a = "float32", R"(Every security (symbols=None), or those named, as read() gives them.

Returns a dict from symbol (as the database holds it) to structured array, in header
order (or in the order named). The files are read with the interpreter lock released
throughout. The arrays of one call lie in shared blocks of 64 MiB (backed by huge pages
where the system allows), each freed when the last of its arrays is. When every security is read, one whose data file is missing or unreadable
is left out with a tessaport.DataWarning; named, it raises OSError.

progress: a callable progress(done, total), called as securities are read (at most
    about a thousand times) and with (total, total) last; or True for a bar on standard
    error (tqdm's when tqdm is installed, a plain line otherwise).
start, end, fields, keep_invalid, prices: as in read().)")
        .def("frames", &PyDatabase::Frames, "symbols"_a = py::none(), "start"_a = py::none(),
             "end"_a = py::none(), "fields"_a = py::none(), "keep_invalid"_a = false, "progress"_a = py::none(),
             "prices"_a = "float32", "dates"_a = "period",
             R"(Every security (symbols=None), or those named, as frame() gives them: a dict from
symbol to DataFrame. Arguments as in read_many() and frame().)")
        .def("merge", &PyDatabase::Merge, "symbols"_a, "how"_a = "wide", "common_dates"_a = false,
             "fields"_a = py::none(), "start"_a = py::none(), "end"_a = py::none(), "keep_invalid"_a = false,
             "progress"_a = py::none(), "prices"_a = "float32", "dates"_a = "period", R"(Several securities in one DataFrame, as tessaport-import --merge writes them.

how="wide": one row per date, indexed by "Date", with the columns SYMBOL_Open,
    SYMBOL_High, ... of each security in turn; where a security has no record on a
    date its cells are empty (NaN). With common_dates=True only the dates every
    security holds.
how="long": the columns Symbol, Open, High, ..., one security after another, dates
    ascending within each, indexed by "Date".

Column names, order and empty cells are those of the CSV file the command writes;
prices are float32 as stored, counts int64, or float64 with NaN in a wide column with
empty cells (as pandas reads that file).

symbols: a list of symbols (or one), in the order of the columns. KeyError for an
    unknown one; ValueError for none.
fields: as in read(); None: open, high, low, close and volume (as --fields' default).
start, end, keep_invalid, prices: as in read(); progress: as in read_many(), counting
    records; dates: as in frame().

A security whose data file is missing or empty, or holds nothing between start and
end, is left out with a tessaport.DataWarning, as the command leaves it out. The
index is a PeriodIndex when a date lies outside 1677-09-22..2262-04-11 (see frame()).)")
        .def("check", &PyDatabase::Check, "symbol"_a = py::none(), "frame"_a = false,
             R"(The findings of omegadb check: of one security, or of every one (symbol=None).

Returns a list of tessaport.Finding records in the order omegadb check prints them, or
with frame=True a pandas DataFrame with the columns of `omegadb check --csv`: Symbol,
Date, Kind, Values, Reason (Date as datetime64, NaT for a bad-date finding; a
PeriodIndex-like column of days when a date lies outside 1677-09-22..2262-04-11).

When every security is checked, one whose data file is missing or unreadable is left
out with a tessaport.DataWarning; named on its own, it raises OSError.)");
}
