// The writer against the plainest way to put the same bytes on the same disk: one buffered
// stream. An import writes up to 65,535 rows of 7 number cells into a WK1 file.

#include "sheet/sheet_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kColumns = 7;

std::filesystem::path BenchFolder()
{
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::current_path() / "sheet_bench_files";
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

long PeakMemoryKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::uintmax_t WriteWk1(const std::filesystem::path& path, int32_t rows)
{
    SheetFile file;
    int16_t result = file.Open(path.string(), {.beginRow = 1});
    SheetCell cell;
    cell.kind = CellNumber;
    for (int32_t row = 1; row <= rows && result == 0; ++row) {
        cell.row = row;
        for (int16_t column = 1; column <= kColumns && result == 0; ++column) {
            cell.column = column;
            cell.numberValue = row * 10.0 + column;
            result = file.Write(cell);
        }
    }
    if (result == 0)
        result = file.Close();
    if (result != 0)
        std::fprintf(stderr, "writer failed: %d\n", result);
    return std::filesystem::file_size(path);
}

void WriteSheetWk1(benchmark::State& state)
{
    const auto path = BenchFolder() / "writer.wk1";
    const auto rows = static_cast<int32_t>(state.range(0));
    std::uintmax_t bytes = 0;
    for (auto _ : state)
        bytes = WriteWk1(path, rows);
    state.SetBytesProcessed(static_cast<int64_t>(bytes * state.iterations()));
    state.counters["file_bytes"] = static_cast<double>(bytes);
    state.counters["peak_rss_kib"] = static_cast<double>(PeakMemoryKiB());
}

// The same number of bytes through one stdio stream, optionally made durable as the writer's
// close does (fsync before it renames the file into place).
void WriteStream(benchmark::State& state, bool durable)
{
    const auto path = BenchFolder() / "stream.bin";
    const auto bytes = WriteWk1(BenchFolder() / "size.wk1", static_cast<int32_t>(state.range(0)));
    const std::vector<char> record(17, 'x');  // one WK1 number cell
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        for (std::uintmax_t written = 0; written < bytes; written += record.size())
            std::fwrite(record.data(), 1, record.size(), file);
        if (durable) {
            std::fflush(file);
            ::fsync(::fileno(file));
        }
        std::fclose(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes * state.iterations()));
}

void WriteSheetRows(benchmark::internal::Benchmark* bench)
{
    bench->Arg(6553)->Arg(65535)->Unit(benchmark::kMillisecond);
}

BENCHMARK(WriteSheetWk1)->Apply(WriteSheetRows);
BENCHMARK_CAPTURE(WriteStream, Buffered, false)->Apply(WriteSheetRows);
BENCHMARK_CAPTURE(WriteStream, BufferedDurable, true)->Apply(WriteSheetRows);

}  // namespace

BENCHMARK_MAIN();
