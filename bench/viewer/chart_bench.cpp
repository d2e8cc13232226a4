// One paint of the viewer's chart at 1200 x 600 for 100,000 and 1,000,000 daily rows
// with volumes: the cost should follow the rows only through one pass over them. And
// reading a column of a 100,000-row sheet for the chart, as choosing a column does.

#include "price_chart.h"
#include "sheet/sheet_file.h"
#include "viewer_sheet.h"

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

void BM_ReadColumn(benchmark::State& run)
{
    ViewerSheetParts parts;
    const char* const headings[] = {"Date", "XYZ_Open", "XYZ_High", "XYZ_Low", "XYZ_Close", "XYZ_Volume"};
    for (int column = 0; column < 6; ++column)
        parts.cells.Add(0, column, {CellLabel, 0, QString::fromLatin1(headings[column])});
    for (int row = 1; row <= 100000; ++row) {
        parts.cells.Add(row, 0, {CellNumber, 1000.0 + row, {}});
        for (int column = 1; column < 6; ++column)
            parts.cells.Add(row, column, {CellNumber, 100.0 + row % 50 + column, {}});
    }
    const ViewerSheet sheet(std::move(parts));
    for (auto _ : run)
        benchmark::DoNotOptimize(ReadChartSeries(sheet, 4));
}

BENCHMARK(BM_Paint)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadColumn)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
