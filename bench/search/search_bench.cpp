// A header file of 32,767 securities: loading it in list mode with the progress window,
// listing all of it, and refreshing the list for a one-letter mask. Each figure
// includes the repaint of the window that follows.

#include "search_fixture.h"

#include "main_window/security_search.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>

namespace {

constexpr int32_t kSecurities = 32767;

search_test::TestWindow& Window()
{
    static search_test::TestWindow* window = [] {
        auto* w = new search_test::TestWindow;
        search_test::WriteHeaderOnly(w->DataDir(), kSecurities);
        w->state.mode = ImportMode::SecurityList;
        w->search.ApplyMode(ImportMode::SecurityList);
        return w;
    }();
    return *window;
}

void BM_LoadSecurityTable(benchmark::State& run)
{
    search_test::TestWindow& w = Window();
    for (auto _ : run) {
        w.state.securityTableLoaded = false;
        w.search.LoadTable();
        QCoreApplication::processEvents();
    }
    if (w.state.securityCount != kSecurities)
        run.SkipWithError("the table did not load");
}

void RefreshList(benchmark::State& run, const char* mask, bool description)
{
    search_test::TestWindow& w = Window();
    if (!w.state.securityTableLoaded)
        w.search.LoadTable();
    (description ? w.c.searchByDescriptionButton() : w.c.searchBySymbolButton())->setChecked(true);
    w.c.symbolEdit()->setText(QString::fromLatin1(mask));
    for (auto _ : run) {
        w.search.FillList();
        QCoreApplication::processEvents();
    }
}

void BM_ListAll(benchmark::State& run) { RefreshList(run, "?", false); }
void BM_OneLetterSymbol(benchmark::State& run) { RefreshList(run, "s", false); }
void BM_OneLetterDescription(benchmark::State& run) { RefreshList(run, "x", true); }

BENCHMARK(BM_LoadSecurityTable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneLetterSymbol)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneLetterDescription)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    search_test::LoadDataLibrary();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
