// The yardsticks of the export benchmarks (run_bench.sh): the cells tessaport-import writes
// for the benchmark databases of make_databases.py, generated in memory here and written
// straight out with nothing else.
//
//   straight_write single RECORDS OUT.xlsx          one security: date, open, high, low,
//                                                   close, volume (the xlsx writer's floor)
//   straight_write levels RECORDS FOLDER            the same at deflate levels 1 to 6:
//                                                   median CPU time and size of each
//   straight_write xlsx|csv SECURITIES RECORDS OUT  a wide merge of the closes over the
//                                                   union of the dates

#include "base/calendar.h"
#include "export/row_writers.h"

#include <algorithm>
#include <ctime>
#include <memory>

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

// yyyy-mm-dd of a day number.
int IsoDate(int day, char* out)
{
    const base::CivilDate date = base::CivilOfSerial(day);
    return std::snprintf(out, 16, "%04d-%02d-%02d", static_cast<int>(date.year), date.month, date.day);
}

// Our xlsx writer fed from memory at a deflate level.
std::unique_ptr<RowWriter> NewWorkbook(const char* path, int level)
{
    int16_t result = 0;
    std::unique_ptr<RowWriter> writer = OpenXlsxRowWriterAtLevel(path, level, result);
    if (!writer) {
        std::fprintf(stderr, "straight_write: %s: error %d\n", path, result);
        std::exit(1);
    }
    return writer;
}

int WriteSingle(int records, const char* path, int level)
{
    const History h = MakeHistory(0, records, false);
    std::unique_ptr<RowWriter> workbook = NewWorkbook(path, level);
    const std::string names[] = {"Date", "S000_Open", "S000_High", "S000_Low", "S000_Close", "S000_Volume"};
    workbook->WriteHeader(names);
    for (int i = 0; i < records; ++i) {
        const RowValue values[] = {RowValue::OfPrice(h.open[i]), RowValue::OfPrice(h.high[i]), RowValue::OfPrice(h.low[i]),
                                   RowValue::OfPrice(h.close[i]), RowValue::OfCount(h.volume[i])};
        workbook->WriteRow(h.days[i], values);
    }
    return workbook->Close() == 0 ? 0 : 1;
}

// The single security at each deflate level from 1 to 6: CPU time and size.
int CompareLevels(int records, const char* folder)
{
    for (int level = 1; level <= 6; ++level) {
        const std::string path = std::string(folder) + "/level" + std::to_string(level) + ".xlsx";
        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            const std::clock_t start = std::clock();
            if (WriteSingle(records, path.c_str(), level) != 0)
                return 1;
            times.push_back(static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
        }
        std::sort(times.begin(), times.end());
        std::FILE* file = std::fopen(path.c_str(), "rb");
        std::fseek(file, 0, SEEK_END);
        const long size = std::ftell(file);
        std::fclose(file);
        std::printf("level %d: %8ld bytes, median CPU %.3f s of 5 runs\n", level, size, times[2]);
    }
    return 0;
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

    std::unique_ptr<RowWriter> workbook;
    std::vector<std::string> names{"Date"};
    std::vector<RowValue> values(static_cast<size_t>(securities));
    std::FILE* out = nullptr;
    static char buffer[1 << 16];
    if (xlsx) {
        workbook = NewWorkbook(path, 1);
    } else {
        out = std::fopen(path, "wb");
        std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
        std::fputs("Date", out);
    }
    for (int s = 0; s < securities; ++s) {
        char name[32];
        std::snprintf(name, sizeof name, "S%03d_Close", s);
        if (xlsx)
            names.push_back(name);
        else
            std::fprintf(out, ",%s", name);
    }
    if (xlsx)
        workbook->WriteHeader(names);
    else
        std::fputs("\r\n", out);

    char text[32];
    for (int day = first; day <= last; ++day) {
        if (!Weekday(day))
            continue;
        if (!xlsx)
            std::fwrite(text, 1, static_cast<size_t>(IsoDate(day, text)), out);
        for (int s = 0; s < securities; ++s) {
            const History& h = histories[s];
            const bool here = next[s] < h.days.size() && h.days[next[s]] == day;
            if (xlsx) {
                values[static_cast<size_t>(s)] = here ? RowValue::OfPrice(h.close[next[s]]) : RowValue();
            } else {
                std::fputc(',', out);
                if (here) {
                    const auto end = std::to_chars(text, text + sizeof text, h.close[next[s]]).ptr;
                    std::fwrite(text, 1, static_cast<size_t>(end - text), out);
                }
            }
            next[s] += here;
        }
        if (xlsx)
            workbook->WriteRow(day, values);
        else
            std::fputs("\r\n", out);
    }
    if (xlsx)
        return workbook->Close() == 0 ? 0 : 1;
    return std::fclose(out) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "single" && argc == 4)
        return WriteSingle(std::atoi(argv[2]), argv[3], 1);
    if (mode == "levels" && argc == 4)
        return CompareLevels(std::atoi(argv[2]), argv[3]);
    if ((mode == "xlsx" || mode == "csv") && argc == 5)
        return WriteWide(mode == "xlsx", std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    std::fprintf(stderr, "usage: straight_write single RECORDS OUT | straight_write levels RECORDS FOLDER | straight_write xlsx|csv SECURITIES RECORDS OUT\n");
    return 2;
}
