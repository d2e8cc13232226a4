// The viewer's chart: the ticks of its axes, and what it draws where, read back from
// the pixels of the real widget rendered off-screen.

#include "price_chart.h"

#include <QDate>
#include <QImage>
#include <QStringList>

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>

#include "qt_printers.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Value axes in steps of one, two or five times a power of ten; the volume axis from zero,
// with short labels.
TEST(PriceChart, ValueTicksInStepsOfOneTwoOrFiveAndVolumesFromZeroWithShortLabels)
{
    const struct {
        ValueTicks (*ticks)(double, double, int);
        double minimum, maximum;
        int maxTicks;
        const char* labels;
        double low, high;
    } cases[] = {
        {NiceValueTicks, 0, 10, 5, "0 2 4 6 8 10", 0, 10},
        {NiceValueTicks, 0.0012, 0.0047, 4, "0.001 0.002 0.003 0.004 0.005", 0.001, 0.005},
        {NiceValueTicks, 20, 20, 5, "19.0 19.5 20.0 20.5 21.0", 19, 21},  // flat: room around it
        {NiceValueTicks, 0, 0, 5, "-1.0 -0.5 0.0 0.5 1.0", -1, 1},
        {NiceValueTicks, 7, 3, 2, "0 5 10", 0, 10},                      // the ends the wrong way round
        {NiceValueTicks, 1e12, 3e12, 2, "1e+12 2e+12 3e+12", 1e12, 3e12},  // too long for fixed decimals
        {VolumeTicks, 0, 1500000, 3, "0 0.5M 1M 1.5M", 0, 1.5e6},
        {VolumeTicks, 1000, 1600, 2, "0 1k 2k", 0, 2000},
        {VolumeTicks, -2000, 6000, 4, "-2k 0 2k 4k 6k", -2000, 6000},  // a damaged file's negative volume
        {VolumeTicks, 0, 0, 3, "0.0 0.5 1.0", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.minimum << ".." << c.maximum);
        const ValueTicks ticks = c.ticks(c.minimum, c.maximum, c.maxTicks);
        EXPECT_EQ(QStringList(ticks.labels.begin(), ticks.labels.end()).join(' '), c.labels);
        EXPECT_DOUBLE_EQ(ticks.low, c.low);
        EXPECT_DOUBLE_EQ(ticks.high, c.high);
        ASSERT_EQ(ticks.values.size(), ticks.labels.size());
        EXPECT_DOUBLE_EQ(ticks.values.front(), c.low);
        EXPECT_DOUBLE_EQ(ticks.values.back(), c.high);
    }
}

// Seven pixels a character, as a fixed-pitch font would have.
double SevenPixels(const QString& text) { return 7.0 * static_cast<double>(text.size()); }

struct DateCase {
    QDate first, last;
    double pixelsPerDay;
    const char* labels;  // the first ticks' labels
    size_t count;
};

TEST(DateTicks, TheFinestStepWhoseLabelsDoNotOverlap)
{
    const DateCase cases[] = {
        {{2000, 1, 3}, {2000, 1, 7}, 100, "2000-01-03 2000-01-04 2000-01-05", 5},
        {{2000, 1, 1}, {2000, 3, 31}, 20, "2000-01-03 2000-01-10 2000-01-17", 13},  // Mondays
        {{1999, 12, 15}, {2001, 12, 31}, 0.8, "2000-01 2000-04 2000-07", 8},
        {{1990, 3, 1}, {2020, 12, 31}, 0.05, "1995 2000 2005", 6},
        {{1900, 1, 1}, {9999, 12, 31}, 0.0002, "2000 3000 4000", 8},
        {{2000, 1, 3}, {2000, 1, 3}, 100, "2000-01-03", 1},
        {{2000, 1, 1}, {2020, 1, 1}, 1e-9, "", 0},  // nothing fits
    };
    for (const DateCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first.toString(Qt::ISODate).toStdString() << ".."
                                        << c.last.toString(Qt::ISODate).toStdString() << " at " << c.pixelsPerDay);
        const std::vector<DateTick> ticks = DateTicks(c.first.toJulianDay(), c.last.toJulianDay(), c.pixelsPerDay, SevenPixels);
        QStringList labels;
        for (size_t i = 0; i < ticks.size() && i < 3; ++i)
            labels << ticks[i].label;
        EXPECT_EQ(labels.join(' '), c.labels);
        EXPECT_EQ(ticks.size(), c.count);
        for (size_t i = 0; i < ticks.size(); ++i) {
            EXPECT_EQ(QDate::fromJulianDay(ticks[i].day).toString(ticks[i].label.size() == 4    ? "yyyy"
                                                                  : ticks[i].label.size() == 7 ? "yyyy-MM"
                                                                                               : "yyyy-MM-dd"),
                      ticks[i].label);
            EXPECT_TRUE(ticks[i].day >= c.first.toJulianDay() && ticks[i].day <= c.last.toJulianDay());
            if (i > 0) {  // centred labels do not touch: half of each fits in the space between
                EXPECT_GE(static_cast<double>(ticks[i].day - ticks[i - 1].day) * c.pixelsPerDay, SevenPixels(ticks[i].label) + 12);
            }
        }
    }
}

// Weekdays from Monday 3 January 2000, as the rows after a label row.
ChartSeries Series(int rows, const std::function<double(int)>& value, bool withVolume = true)
{
    ChartSeries series;
    series.title = "XYZ Close";
    series.firstRow = 1;
    for (int i = 0, day = 0; i < rows; ++day) {
        const QDate date = QDate(2000, 1, 3).addDays(day);
        if (date.dayOfWeek() > 5)
            continue;
        series.days.push_back(static_cast<double>(date.toJulianDay()));
        series.values.push_back(value(i));
        if (withVolume)
            series.volumes.push_back(1000 + 10 * (i % 7));
        ++i;
    }
    return series;
}

bool IsLine(const QColor& c) { return c.blue() - c.red() > 50; }
// Bars are drawn without smoothing, in exactly their colour.
bool IsVolume(const QColor& c) { return std::abs(c.red() - 150) < 3 && std::abs(c.green() - 160) < 3 && std::abs(c.blue() - 172) < 3; }
bool IsMark(const QColor& c) { return c.red() > 150 && c.green() < 80 && c.blue() < 80; }

// A line 1.5 pixels wide covers the pixel of each of its points or one beside it.
bool LineNear(const QImage& image, QPointF point)
{
    const QPoint centre(static_cast<int>(std::floor(point.x())), static_cast<int>(std::floor(point.y())));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.rect().contains(centre + QPoint(dx, dy)) && IsLine(image.pixelColor(centre + QPoint(dx, dy))))
                return true;
    return false;
}

// The pixels of one kind, as points.
std::vector<QPoint> Pixels(const QImage& image, bool (*kind)(const QColor&))
{
    std::vector<QPoint> found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (kind(image.pixelColor(x, y)))
                found.emplace_back(x, y);
    return found;
}

bool AllWithin(const std::vector<QPoint>& points, const QRectF& area)
{
    const QRectF near = area.adjusted(-1, -1, 1, 1);
    return std::all_of(points.begin(), points.end(), [&](const QPoint& p) { return near.contains(QPointF(p) + QPointF(0.5, 0.5)); });
}

QImage Render(PriceChart& chart, QSize size)
{
    chart.resize(size);
    return chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The line stays in the price pane and the bars in the volume pane; a row's point lies on
// the line.
TEST(PriceChart, DrawsTheLineAndTheVolumesInTheirPanes)
{
    PriceChart chart;
    chart.SetSeries(Series(60, [](int i) { return 20 + std::sin(i / 5.0) * 3; }));
    ASSERT_TRUE(chart.HasVolumePane());
    const QImage image = Render(chart, {640, 400});
    const QRectF price = chart.PriceArea(), volume = chart.VolumeArea();
    EXPECT_TRUE(QRectF(chart.rect()).contains(price) && QRectF(chart.rect()).contains(volume));
    EXPECT_LE(price.bottom(), volume.top());

    const std::vector<QPoint> line = Pixels(image, IsLine);
    EXPECT_GT(line.size(), static_cast<size_t>(price.width() / 2));
    EXPECT_TRUE(AllWithin(line, price));
    const std::vector<QPoint> bars = Pixels(image, IsVolume);
    EXPECT_GT(bars.size(), static_cast<size_t>(volume.width()));
    EXPECT_TRUE(AllWithin(bars, volume));
    for (const int row : {1, 30, 60}) {
        const std::optional<QPointF> point = chart.PointOfRow(row);
        ASSERT_TRUE(point);
        EXPECT_TRUE(LineNear(image, *point)) << row;
    }
    EXPECT_FALSE(chart.PointOfRow(0) || chart.PointOfRow(61));
}

// 100,000 rows, one of them far above the rest: the reduction to pixel columns keeps it.
TEST(PriceChart, ManyRowsKeepTheirHighestValue)
{
    PriceChart chart;
    ChartSeries series = Series(100000, [](int i) { return 1 + (i % 3) * 0.1; }, false);
    series.values[54321] = 1000;
    chart.SetSeries(std::move(series));
    const QImage image = Render(chart, {800, 400});
    const QRectF price = chart.PriceArea();
    const std::optional<QPointF> spike = chart.PointOfRow(54322);
    ASSERT_TRUE(spike);
    EXPECT_NEAR(spike->y(), price.top(), price.height() * 0.1);
    EXPECT_TRUE(LineNear(image, *spike));
    EXPECT_FALSE(chart.HasVolumePane());
    EXPECT_TRUE(Pixels(image, IsVolume).empty());
}

struct OddCase {
    const char* name;
    std::vector<double> days;  // offsets from 3 January 2000; NaN for no date
    std::vector<double> values;
    size_t pointRow;      // a row whose point must be drawn, 0 for none
    bool centred;         // that point in the middle of the price pane
};

// Series with nothing, one point, no values, one value, huge values, rows out of order:
// drawn without a crash, the points that exist where they belong.
TEST(PriceChart, CopesWithOddSeries)
{
    const OddCase cases[] = {
        {"empty", {}, {}, 0, false},
        {"one point", {0}, {12.5}, 1, true},
        {"no values", {0, 1, 2}, {kNaN, kNaN, kNaN}, 0, false},
        {"no dates", {kNaN, kNaN}, {1, 2}, 0, false},
        {"ends of the double range", {0, 1, 2}, {-DBL_MAX, DBL_MAX, 0}, 3, true},
        {"flat at the end of the double range", {0, 1}, {DBL_MAX, DBL_MAX}, 1, false},
        {"tiny", {0, 1}, {1e-310, 2e-310}, 1, false},
        {"out of order", {5, 1, 3, 1, 0}, {1, 2, 3, 4, 5}, 3, true},
    };
    for (const OddCase& c : cases) {
        SCOPED_TRACE(c.name);
        ChartSeries series;
        series.title = "Odd";
        series.firstRow = 1;
        for (size_t i = 0; i < c.days.size(); ++i) {
            series.days.push_back(std::isnan(c.days[i]) ? kNaN : static_cast<double>(QDate(2000, 1, 3).toJulianDay()) + c.days[i]);
            series.values.push_back(c.values[i]);
        }
        PriceChart chart;
        chart.SetSeries(series);
        chart.SetMarkedRows({1, 2, 3});
        for (const QSize size : {QSize(640, 360), QSize(40, 30), QSize(0, 0)}) {
            const QImage image = Render(chart, size);
            if (size.width() < 100)
                continue;
            const std::vector<QPoint> line = Pixels(image, IsLine);
            EXPECT_TRUE(AllWithin(line, chart.PriceArea()));
            if (c.pointRow == 0) {  // no line, and no dot at a marked row without a point
                EXPECT_TRUE(line.empty() && Pixels(image, IsMark).empty());
                continue;
            }
            const std::optional<QPointF> point = chart.PointOfRow(static_cast<int>(c.pointRow));
            ASSERT_TRUE(point);
            EXPECT_TRUE(IsMark(image.pixelColor(point->toPoint())));
            if (c.centred) {
                EXPECT_NEAR(point->y(), chart.PriceArea().center().y(), 1.5);
            }
        }
    }
}

} // namespace
