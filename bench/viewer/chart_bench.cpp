// One paint of the viewer's chart at 1200 x 600 for 100,000 and 1,000,000 daily rows
// with volumes: the cost should follow the rows only through one pass over them.

#include "price_chart.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDate>
#include <QImage>

#include <cmath>

namespace {

ChartSeries Rows(int count)
{
    ChartSeries series;
    series.title = QStringLiteral("XYZ Close");
    series.firstRow = 1;
    const auto first = static_cast<double>(QDate(1900, 1, 1).toJulianDay());
    double close = 100;
    for (int i = 0; i < count; ++i) {
        close = std::max(1.0, close + std::sin(i * 0.37) + std::cos(i * 0.011) * 0.8);
        series.days.push_back(first + i);
        series.values.push_back(i % 997 == 0 ? std::nan("") : close);
        series.volumes.push_back(1000 + (i * 7919) % 5000);
    }
    return series;
}

void BM_Paint(benchmark::State& run)
{
    PriceChart chart;
    chart.SetSeries(Rows(static_cast<int>(run.range(0))));
    chart.SetMarkedRows({10, 5000, 50000});
    chart.resize(1200, 600);
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : run) {
        chart.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}

BENCHMARK(BM_Paint)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
