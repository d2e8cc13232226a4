// The yardsticks of the export benchmarks (run_bench.sh): the cells tessaport-import writes
// for the benchmark databases of make_databases.py, generated in memory here and written
// straight out with nothing else.
//
//   straight_write single RECORDS OUT.xlsx          one security: date, open, high, low,
//                                                   close, volume (libxlsxwriter's floor)
//   straight_write xlsx|csv SECURITIES RECORDS OUT  a wide merge of the closes over the
//                                                   union of the dates

#include <xlsxwriter.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Day numbers count from 30 December 1899; day 2, 1 January 1900, was a Monday.
constexpr int kFirstDay = 2;
bool Weekday(int day) { return (day - kFirstDay) % 7 < 5; }

// make_databases.py's history of security `s`: weekdays from 1 January 1900 + 3s days.
struct History {
    std::vector<int> days;
    std::vector<float> open, high, low, close;
    std::vector<int> volume;
};

// make_databases.py's prices are float(f"{p + extra:.2f}") with p = 10 + k * 0.01 +
// offset * 0.001. Computed here without a trip through text, which would cost more than the
// writing measured: the cents from the exact decimal, except where that decimal is a tie and
// Python's double decides (x87's 64-bit mantissa holds double * 100 exactly); the float from
// a table of every cent value. The CSV pair's outputs are compared byte for byte.
float Price(int k, int offset, int extraCents)
{
    static std::vector<float> floats;
    if (floats.empty()) {
        for (int n = 0; n < 100000; ++n) {
            char text[32];
            std::snprintf(text, sizeof text, "%d.%02d", n / 100, n % 100);
            floats.push_back(std::strtof(text, nullptr));
        }
    }
    const long thousandths = 10000 + 10L * k + offset + 10L * extraCents;
    long cents = (thousandths + 5) / 10;
    if (thousandths % 10 == 5) {
        const double p = 10 + k * 0.01 + offset * 0.001;
        const double value = p + extraCents / 100.0;
        cents = static_cast<long>(std::nearbyint(static_cast<long double>(value) * 100));
    }
    return floats.at(static_cast<size_t>(cents));
}

History MakeHistory(int s, int records, bool closeOnly)
{
    History h;
    const int offset = 3 * s;
    int day = kFirstDay + offset;
    for (int i = 0; i < records; ++i, ++day) {
        while (!Weekday(day))
            ++day;
        const int k = i % 5000;
        h.days.push_back(day);
        h.close.push_back(Price(k, offset, 13));
        if (closeOnly)
            continue;
        h.open.push_back(Price(k, offset, 0));
        h.high.push_back(Price(k, offset, 50));
        h.low.push_back(Price(k, offset, -50));
        h.volume.push_back(123456789 + i);
    }
    return h;
}

// A float as the double of its shortest decimal, as the exports write prices.
double Shortest(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double result = 0;
    std::from_chars(text, end, result);
    return result;
}

// yyyy-mm-dd of a day number (days from civil, Howard Hinnant's algorithm).
int IsoDate(int day, char* out)
{
    int z = day - 25569 + 719468;  // day 25569 is 1 January 1970
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    const int d = doy - (153 * mp + 2) / 5 + 1;
    const int m = mp < 10 ? mp + 3 : mp - 9;
    const int y = yoe + era * 400 + (m <= 2);
    return std::snprintf(out, 16, "%04d-%02d-%02d", y, m, d);
}

lxw_workbook* NewWorkbook(const char* path, lxw_worksheet*& sheet, lxw_format*& date)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(path, &options);
    sheet = workbook_add_worksheet(workbook, nullptr);
    date = workbook_add_format(workbook);
    format_set_num_format(date, "yyyy-mm-dd");
    return workbook;
}

int WriteSingle(int records, const char* path)
{
    const History h = MakeHistory(0, records, false);
    lxw_worksheet* sheet = nullptr;
    lxw_format* date = nullptr;
    lxw_workbook* workbook = NewWorkbook(path, sheet, date);
    const char* names[] = {"Date", "S000_Open", "S000_High", "S000_Low", "S000_Close", "S000_Volume"};
    for (lxw_col_t c = 0; c < 6; ++c)
        worksheet_write_string(sheet, 0, c, names[c], nullptr);
    for (int i = 0; i < records; ++i) {
        const auto row = static_cast<lxw_row_t>(i + 1);
        worksheet_write_number(sheet, row, 0, h.days[i], date);
        worksheet_write_number(sheet, row, 1, Shortest(h.open[i]), nullptr);
        worksheet_write_number(sheet, row, 2, Shortest(h.high[i]), nullptr);
        worksheet_write_number(sheet, row, 3, Shortest(h.low[i]), nullptr);
        worksheet_write_number(sheet, row, 4, Shortest(h.close[i]), nullptr);
        worksheet_write_number(sheet, row, 5, h.volume[i], nullptr);
    }
    return workbook_close(workbook) == LXW_NO_ERROR ? 0 : 1;
}

int WriteWide(bool xlsx, int securities, int records, const char* path)
{
    std::vector<History> histories;
    int first = 1 << 30, last = 0;
    for (int s = 0; s < securities; ++s) {
        histories.push_back(MakeHistory(s, records, true));
        first = std::min(first, histories.back().days.front());
        last = std::max(last, histories.back().days.back());
    }
    std::vector<size_t> next(securities, 0);

    lxw_worksheet* sheet = nullptr;
    lxw_format* date = nullptr;
    lxw_workbook* workbook = nullptr;
    std::FILE* out = nullptr;
    static char buffer[1 << 16];
    if (xlsx) {
        workbook = NewWorkbook(path, sheet, date);
        worksheet_write_string(sheet, 0, 0, "Date", nullptr);
    } else {
        out = std::fopen(path, "wb");
        std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
        std::fputs("Date", out);
    }
    for (int s = 0; s < securities; ++s) {
        char name[32];
        std::snprintf(name, sizeof name, "S%03d_Close", s);
        if (xlsx)
            worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(s + 1), name, nullptr);
        else
            std::fprintf(out, ",%s", name);
    }
    if (!xlsx)
        std::fputs("\r\n", out);

    char text[32];
    lxw_row_t row = 1;
    for (int day = first; day <= last; ++day) {
        if (!Weekday(day))
            continue;
        if (xlsx)
            worksheet_write_number(sheet, row, 0, day, date);
        else
            std::fwrite(text, 1, static_cast<size_t>(IsoDate(day, text)), out);
        for (int s = 0; s < securities; ++s) {
            const History& h = histories[s];
            const bool here = next[s] < h.days.size() && h.days[next[s]] == day;
            if (xlsx) {
                if (here)
                    worksheet_write_number(sheet, row, static_cast<lxw_col_t>(s + 1), Shortest(h.close[next[s]]), nullptr);
            } else {
                std::fputc(',', out);
                if (here) {
                    const auto end = std::to_chars(text, text + sizeof text, h.close[next[s]]).ptr;
                    std::fwrite(text, 1, static_cast<size_t>(end - text), out);
                }
            }
            next[s] += here;
        }
        if (!xlsx)
            std::fputs("\r\n", out);
        ++row;
    }
    if (xlsx)
        return workbook_close(workbook) == LXW_NO_ERROR ? 0 : 1;
    return std::fclose(out) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "single" && argc == 4)
        return WriteSingle(std::atoi(argv[2]), argv[3]);
    if ((mode == "xlsx" || mode == "csv") && argc == 5)
        return WriteWide(mode == "xlsx", std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    std::fprintf(stderr, "usage: straight_write single RECORDS OUT | straight_write xlsx|csv SECURITIES RECORDS OUT\n");
    return 2;
}
