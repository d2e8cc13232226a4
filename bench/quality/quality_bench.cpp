// The cost of omegadb check against reading the same records through the data-access
// library alone, timed as whole programs:
//
//   quality_bench make DIR 32767 1000      a database of random walks, 1,000 days each
//   quality_bench read DIR                 every record of every security, read through
//                                          the library loaded from the program folder
//   omegadb check DIR --csv                the checks over the same records
//
// Time the last two against each other (e.g. with /usr/bin/time -v, or any tool that
// pairs two commands), and compare the peak memory of omegadb check on databases with
// 1,000 and with 100,000 records a security.

#include "omega/data_library.h"
#include "qv2omg/database_writer.h"

#include <QDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// Weekdays from 2 January 1950 as yyyymmdd, `count` of them.
std::vector<uint32_t> Weekdays(int count)
{
    std::vector<uint32_t> dates;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year = 1950, month = 1, day = 2, weekday = 0;  // 2 January 1950 was a Monday
    while (static_cast<int>(dates.size()) < count) {
        if (weekday < 5)
            dates.push_back(static_cast<uint32_t>(year * 10000 + month * 100 + day));
        weekday = (weekday + 1) % 7;
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        if (++day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    return dates;
}

int Make(const std::string& directory, int securities, int records)
{
    const std::vector<uint32_t> dates = Weekdays(records);
    if (const qv2omg::Status created = qv2omg::CreateDatabase(directory); !created.IsOk()) {
        std::fprintf(stderr, "quality_bench: %s\n", created.Message().c_str());
        return 1;
    }
    std::mt19937 random(1);
    std::normal_distribution<double> normal(0, 0.02);
    // In batches, so that building a large database does not hold it all in memory.
    const int batch = std::max(1, 20000000 / std::max(records, 1));
    for (int first = 0; first < securities; first += batch) {
        std::vector<qv2omg::NewSecurity> news;
        for (int i = first; i < std::min(securities, first + batch); ++i) {
            qv2omg::NewSecurity security;
            security.info = {"S" + std::to_string(i), "Random walk", 2, 0, false};
            double close = 30;
            for (int r = 0; r < records; ++r) {
                const double open = close;
                close *= std::exp(normal(random));
                const auto high = static_cast<float>(std::max(open, close) * 1.005);
                const auto low = static_cast<float>(std::min(open, close) * 0.995);
                security.rows.push_back({dates[static_cast<size_t>(r)], static_cast<float>(open), high, low,
                                         static_cast<float>(close), 1000 + r, 0});
            }
            news.push_back(std::move(security));
        }
        if (const qv2omg::Status added = qv2omg::AddSecurities(directory, news); !added.IsOk()) {
            std::fprintf(stderr, "quality_bench: %s\n", added.Message().c_str());
            return 1;
        }
    }
    return 0;
}

int Read(const std::string& directory)
{
    omega::DataLibrary library;
    if (!library.Load(QDir(TESSAPORT_PROGRAM_DIR).filePath(omega::DataLibrary::FileName()))) {
        std::fprintf(stderr, "quality_bench: %s\n", library.ErrorString().toLocal8Bit().constData());
        return 1;
    }
    library.Initialize();
    FileContext header{};
    const int32_t count = library.OpenHeaderFile(directory.c_str(), &header);
    const OmegaDate first{1, 1, 0}, last{12, 31, 8099};
    uint64_t records = 0;
    double sum = 0;  // so that nothing read can be left out
    for (int32_t i = 0; i < count; ++i) {
        SecurityRecord security{};
        if (library.ReadHeader(&header, i, &security) != 0)
            continue;
        char symbol[sizeof security.symbol + 1] = {};
        std::copy(security.symbol, security.symbol + sizeof security.symbol, symbol);
        FileContext data{};
        if (library.OpenDataFile(directory.c_str(), symbol, &first, &last, &data) != 0)
            continue;
        PriceRecord record{};
        while (library.ReadData(&data, &record, 1) == 1) {
            ++records;
            sum += record.close;
        }
        library.CloseDataFile(&data);
    }
    library.CloseHeaderFile(&header);
    library.Uninitialize();
    std::printf("%llu records read (%g)\n", static_cast<unsigned long long>(records), sum);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 2 ? argv[1] : "";
    if (command == "make" && argc == 5)
        return Make(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (command == "read" && argc == 3)
        return Read(argv[2]);
    std::fputs("usage: quality_bench make DIR SECURITIES RECORDS | quality_bench read DIR\n", stderr);
    return 2;
}
