// One long daily history imported into WK1: by the command, by the import job alone and
// from the window, against the plainest way to put the same bytes on the same disk (one
// buffered stream). With --peak-memory: the peak memory of the command and of the window
// for a short and a long history, each import in a process of its own.

#include "import/begin_import.h"
#include "engine/import_run.h"
#include "import/library_source.h"
#include "omega/data_library.h"
#include "main_window/security_info.h"
#include "widgets/message_box.h"
#include "qv2omg/database_writer.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kLongHistory = 60000;
constexpr int kShortHistory = 1000;

fs::path BenchFolder()
{
    static const fs::path folder = fs::current_path() / "import_bench_files";
    return folder;
}

fs::path DatabaseFolder() { return BenchFolder() / "db"; }

std::vector<qv2omg::PriceRow> DailyRows(int count)
{
    std::vector<qv2omg::PriceRow> rows;
    QDate date(1790, 1, 4);
    for (int i = 0; i < count; ++i, date = date.addDays(1)) {
        while (date.dayOfWeek() > 5)
            date = date.addDays(1);
        const float price = 20.0f + 0.125f * static_cast<float>(i % 800);
        rows.push_back({static_cast<uint32_t>(date.year() * 10000 + date.month() * 100 + date.day()), price,
                        price + 1, price - 1, price + 0.5f, 100000 + i * 7, 0});
    }
    return rows;
}

void MakeDatabase()
{
    fs::remove_all(BenchFolder());
    fs::create_directories(BenchFolder());
    qv2omg::CreateDatabase(DatabaseFolder());
    qv2omg::AddSecurity(DatabaseFolder(), {"LONG", "60,000 days", 2, 0, false}, DailyRows(kLongHistory));
    qv2omg::AddSecurity(DatabaseFolder(), {"SHORT", "1,000 days", 2, 0, false}, DailyRows(kShortHistory));
}

struct ChildResult {
    int status = -1;
    long peakKiB = 0;
};

// Runs a program and waits for it; its own peak memory comes from wait4.
ChildResult Spawn(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    ChildResult result;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return result;
    rusage usage{};
    ::wait4(pid, &result.status, 0, &usage);
    result.peakKiB = usage.ru_maxrss;
    return result;
}

std::string CommandPath() { return TESSAPORT_PROGRAM_DIR "/tessaport-import"; }

ChildResult RunCommand(const std::string& symbol, const fs::path& out)
{
    return Spawn({CommandPath(), "--data", DatabaseFolder().string(), "-o", out.string(), symbol});
}

omega::DataLibrary& Library()
{
    static omega::DataLibrary& library = [] () -> omega::DataLibrary& {
        qputenv("TESSAPORT_PROGRAM_DIR", TESSAPORT_PROGRAM_DIR);
        omega::TheDataLibrary().Load();
        omega::TheDataLibrary().Initialize();
        return omega::TheDataLibrary();
    }();
    return library;
}

// The controls Begin Import works on, in a window that is never shown, and the state a
// search leaves behind.
class ImportWindow {
public:
    explicit ImportWindow(const QString& symbol, const fs::path& out)
    {
        state_.currentDataDir = QString::fromStdString(DatabaseFolder().string());
        state_.tradeStationDir = state_.currentDataDir;
        state_.patternFileName = QString::fromStdString(out.string());
        Library();
        controls_.symbolEdit()->setText(symbol);
        ShowSecurityInfo(state_, controls_, symbol);
        controls_.firstDateEdit()->setText(ShortDate(state_.dataFirstDate));
    }

    // True when the import ended without a message.
    bool Begin()
    {
        widgets::RecordedMessages messages;
        BeginImport(state_, controls_);
        return messages.All().empty();
    }

private:
    QMainWindow window_;
    MainWindowControls controls_{window_};
    ProgramState state_;
};

std::string FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void SetBytes(benchmark::State& state, const fs::path& path)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(path)));
}

// The same bytes as the import of the long history, through one buffered stream.
void BM_BufferedStream(benchmark::State& state)
{
    const fs::path reference = BenchFolder() / "reference.pat";
    RunCommand("LONG", reference);
    const std::string bytes = FileBytes(reference);
    const fs::path path = BenchFolder() / "stream.pat";
    for (auto _ : state) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        benchmark::DoNotOptimize(out.good());
    }
    SetBytes(state, path);
}

// The same, made durable and renamed into place, as the writer finishes every file.
void BM_BufferedStreamSynced(benchmark::State& state)
{
    const std::string bytes = FileBytes(BenchFolder() / "reference.pat");
    const fs::path temporary = BenchFolder() / ".synced.tmp";
    const fs::path path = BenchFolder() / "synced.pat";
    for (auto _ : state) {
        std::FILE* out = std::fopen(temporary.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fflush(out);
        ::fsync(::fileno(out));
        std::fclose(out);
        fs::rename(temporary, path);
    }
    SetBytes(state, path);
}

void BM_CommandImport(benchmark::State& state)
{
    const fs::path path = BenchFolder() / "command.pat";
    for (auto _ : state) {
        if (RunCommand("LONG", path).status != 0)
            state.SkipWithError("tessaport-import failed");
    }
    SetBytes(state, path);
}

void BM_ImportJob(benchmark::State& state)
{
    ImportRequest request;
    const LibrarySource source(Library(), QString::fromStdString(DatabaseFolder().string()));
    request.symbol = "LONG";
    request.firstDay = 0;
    request.lastDay = 200000;
    request.patternFile = (BenchFolder() / "job.pat").string();
    ImportHooks hooks;
    hooks.skipInvalid = [] { return true; };
    for (auto _ : state) {
        if (RunImport(source, request, hooks).result != 0)
            state.SkipWithError("import failed");
    }
    SetBytes(state, request.patternFile);
}

void BM_WindowImport(benchmark::State& state)
{
    const fs::path path = BenchFolder() / "window.pat";
    ImportWindow window(QStringLiteral("LONG"), path);
    for (auto _ : state) {
        if (!window.Begin())
            state.SkipWithError("the import showed a message");
    }
    SetBytes(state, path);
}

void BM_ProcessEventsIdle(benchmark::State& state)
{
    ImportWindow window(QStringLiteral("SHORT"), BenchFolder() / "idle.pat");
    for (auto _ : state)
        QCoreApplication::processEvents();
}

BENCHMARK(BM_BufferedStream)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BufferedStreamSynced)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CommandImport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportJob)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowImport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProcessEventsIdle)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The window's import in this process, then nothing else: its peak is the parent's figure.
int WindowChild(int argc, char** argv, const std::string& symbol, const std::string& out)
{
    QApplication application(argc, argv);
    ImportWindow window(QString::fromStdString(symbol), out);
    return window.Begin() ? 0 : 1;
}

int PeakMemory(const std::string& self)
{
    MakeDatabase();
    std::printf("%-8s %8s %14s %14s\n", "", "records", "command KiB", "window KiB");
    for (const auto& [symbol, records] : {std::pair{"SHORT", kShortHistory}, std::pair{"LONG", kLongHistory}}) {
        const fs::path out = BenchFolder() / (std::string(symbol) + ".pat");
        const ChildResult command = RunCommand(symbol, out);
        const ChildResult window = Spawn({self, "--window-child", symbol, (BenchFolder() / "w.pat").string()});
        std::printf("%-8s %8d %14ld %14ld%s\n", symbol, records, command.peakKiB, window.peakKiB,
                    command.status == 0 && window.status == 0 ? "" : "  (an import failed)");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--window-child") == 0) {
        int childArgc = 1;
        return WindowChild(childArgc, argv, argv[2], argv[3]);
    }
    if (argc == 2 && std::strcmp(argv[1], "--peak-memory") == 0)
        return PeakMemory(fs::canonical("/proc/self/exe").string());

    MakeDatabase();
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
