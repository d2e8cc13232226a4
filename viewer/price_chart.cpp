#include "price_chart.h"

#include "sheet_check.h"
#include "viewer_sheet.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const QColor kLineColour(32, 74, 135);
const QColor kVolumeColour(150, 160, 172);
const QColor kMarkColour(200, 30, 30);
constexpr int kTickLength = 4;
constexpr int kLabelGap = 12;  // at least this much between two date labels

// Where v lies between low and high, 0 to 1. Halves first, so no difference of two
// doubles near the ends of their range overflows.
double Fraction(double v, double low, double high)
{
    const double span = 0.5 * high - 0.5 * low;
    if (!(span > 0))
        return 0.5;
    // Far outside the range is as good as just outside it, and keeps coordinates sane.
    return std::clamp((0.5 * v - 0.5 * low) / span, -1.0, 2.0);
}

// Grid lines faint and frames half-strong in the text's colour, so a dark theme works.
QColor GridColour(const QPalette& palette)
{
    QColor colour = palette.color(QPalette::Text);
    colour.setAlpha(35);
    return colour;
}

QColor FrameColour(const QPalette& palette)
{
    QColor colour = palette.color(QPalette::Text);
    colour.setAlpha(120);
    return colour;
}

double Clamped(double v) { return std::clamp(v, -DBL_MAX, DBL_MAX); }

QString NumberLabel(double value, double step, double largest)
{
    value += 0.0;  // never "-0"
    if (largest >= 1e12 || step < 1e-9) {
        // Too many digits for a fixed point: as many significant ones as the step needs.
        const int digits = std::clamp(static_cast<int>(std::ceil(std::log10(largest / step))) + 1, 2, 17);
        return QString::number(value, 'g', digits);
    }
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 15);
    return QString::number(value, 'f', decimals);
}

} // namespace

qint64 ChartSeries::IndexOfRow(int sheetRow) const
{
    if (rows.empty()) {
        const qint64 index = static_cast<qint64>(sheetRow) - firstRow;
        return index >= 0 && index < static_cast<qint64>(size()) ? index : -1;
    }
    const auto at = std::lower_bound(rows.begin(), rows.end(), sheetRow);
    return at != rows.end() && *at == sheetRow ? at - rows.begin() : -1;
}

int DefaultChartColumn(const ViewerSheet& sheet)
{
    for (const int column : sheet.UsedColumns())
        if (column != sheet.DateColumn() && sheet.Header(column).endsWith(QStringLiteral("Close"), Qt::CaseInsensitive))
            return column;
    for (const int column : sheet.UsedColumns())
        if (column != sheet.DateColumn() && column != sheet.SymbolColumn())
            return column;
    return -1;
}

ChartSeries ReadChartSeries(const ViewerSheet& sheet, int valueColumn, const std::vector<int>* rows)
{
    ChartSeries series;
    series.title = sheet.Header(valueColumn);
    series.firstRow = sheet.LabelRow() + 1;
    if (rows)
        series.rows = *rows;
    const int volumeColumn = FindPriceColumns(sheet).volume;
    const bool withVolume = volumeColumn >= 0 && volumeColumn != valueColumn;
    const auto count = rows ? rows->size() : static_cast<size_t>(std::max(0, sheet.RowCount() - series.firstRow));
    series.days.reserve(count);
    series.values.reserve(count);
    if (withVolume)
        series.volumes.reserve(count);
    double step = std::numeric_limits<double>::infinity();
    double previous = kNaN;
    for (size_t i = 0; i < count; ++i) {
        const int row = rows ? (*rows)[i] : series.firstRow + static_cast<int>(i);
        const std::optional<QDate> date = sheet.Date(row);
        const double day = date ? static_cast<double>(date->toJulianDay()) : kNaN;
        series.days.push_back(day);
        series.values.push_back(sheet.Number(row, valueColumn).value_or(kNaN));
        if (withVolume)
            series.volumes.push_back(sheet.Number(row, volumeColumn).value_or(kNaN));
        if (date && day > previous)
            step = std::min(step, day - previous);
        if (date)
            previous = day;
    }
    series.minimumStep = std::isfinite(step) ? step : 1;
    return series;
}

ValueTicks NiceValueTicks(double minimum, double maximum, int maxTicks)
{
    maxTicks = std::max(maxTicks, 1);
    if (!std::isfinite(minimum) || !std::isfinite(maximum))
        minimum = maximum = 0;
    if (minimum > maximum)
        std::swap(minimum, maximum);
    // A flat series gets room around it instead of a range of nothing.
    const double largest = std::max(std::abs(minimum), std::abs(maximum));
    if (0.5 * maximum - 0.5 * minimum <= largest * 1e-9) {
        const double room = largest > 0 ? largest * 0.05 : 1;
        minimum = Clamped(minimum - room);
        maximum = Clamped(maximum + room);
    }

    ValueTicks ticks;
    const double raw = (0.5 * maximum - 0.5 * minimum) / maxTicks * 2;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1, 2, 5, 10, 20, 50, 100}) {
        const double step = factor * magnitude;
        if (!std::isfinite(step) || !(step > 0))
            break;
        const double lowK = std::floor(minimum / step);
        const double highK = std::ceil(maximum / step);
        if (highK - lowK > maxTicks)
            continue;
        ticks.step = step;
        ticks.low = std::isfinite(lowK * step) ? lowK * step : minimum;
        ticks.high = std::isfinite(highK * step) ? highK * step : maximum;
        for (double k = lowK; k <= highK; ++k)
            if (const double value = k * step; std::isfinite(value) && value >= ticks.low && value <= ticks.high)
                ticks.values.push_back(value);
        break;
    }
    if (ticks.values.empty()) {
        // Only near the ends of the double range: the data's own ends.
        ticks.low = minimum;
        ticks.high = maximum;
        ticks.step = 0.5 * maximum - 0.5 * minimum;
        ticks.values = {minimum, maximum};
    }
    const double largestTick = std::max(std::abs(ticks.low), std::abs(ticks.high));
    for (const double value : ticks.values)
        ticks.labels.push_back(NumberLabel(value, ticks.step, largestTick));
    return ticks;
}

ValueTicks VolumeTicks(double minimum, double maximum, int maxTicks)
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum))
        minimum = maximum = 0;
    minimum = std::min(minimum, 0.0);
    maximum = std::max(maximum, 0.0);
    if (minimum == maximum)
        maximum = 1;
    ValueTicks ticks = NiceValueTicks(minimum, maximum, maxTicks);
    const double largest = std::max(std::abs(ticks.low), std::abs(ticks.high));
    const auto [unit, suffix] = largest >= 1e9 ? std::pair(1e9, "G")
        : largest >= 1e6                       ? std::pair(1e6, "M")
        : largest >= 1e3                       ? std::pair(1e3, "k")
                                               : std::pair(1.0, "");
    for (size_t i = 0; i < ticks.values.size(); ++i)
        if (ticks.values[i] != 0 && unit > 1 && largest < 1e15)
            ticks.labels[i] = QString::number(ticks.values[i] / unit, 'g', 6) + QLatin1String(suffix);
    return ticks;
}

std::vector<DateTick> DateTicks(qint64 firstDay, qint64 lastDay, double pixelsPerDay,
                                const std::function<double(const QString&)>& labelWidth)
{
    enum class Unit { Day, Month, Year };
    struct Step {
        Unit unit;
        int count;
        int shortestDays;  // the least number of days between two ticks
        const char* format;
    };
    static const Step kSteps[] = {
        {Unit::Day, 1, 1, "yyyy-MM-dd"},       {Unit::Day, 2, 2, "yyyy-MM-dd"},       {Unit::Day, 7, 7, "yyyy-MM-dd"},
        {Unit::Day, 14, 14, "yyyy-MM-dd"},     {Unit::Month, 1, 28, "yyyy-MM"},       {Unit::Month, 2, 59, "yyyy-MM"},
        {Unit::Month, 3, 89, "yyyy-MM"},       {Unit::Month, 6, 181, "yyyy-MM"},      {Unit::Year, 1, 365, "yyyy"},
        {Unit::Year, 2, 730, "yyyy"},          {Unit::Year, 5, 1826, "yyyy"},         {Unit::Year, 10, 3652, "yyyy"},
        {Unit::Year, 20, 7305, "yyyy"},        {Unit::Year, 50, 18262, "yyyy"},       {Unit::Year, 100, 36524, "yyyy"},
        {Unit::Year, 200, 73048, "yyyy"},      {Unit::Year, 500, 182621, "yyyy"},     {Unit::Year, 1000, 365242, "yyyy"},
    };
    if (firstDay > lastDay)
        std::swap(firstDay, lastDay);
    const QDate first = QDate::fromJulianDay(firstDay);
    if (!first.isValid() || !QDate::fromJulianDay(lastDay).isValid() || !(pixelsPerDay > 0))
        return {};

    for (const Step& step : kSteps) {
        const QString format = QString::fromLatin1(step.format);
        const double room = step.shortestDays * pixelsPerDay;
        // A quick look at one label before making them all.
        if (labelWidth(first.toString(format)) + kLabelGap > room)
            continue;
        std::vector<DateTick> ticks;
        if (step.unit == Unit::Day) {
            // Julian day 0 was a Monday, so weekly steps fall on Mondays.
            for (qint64 day = firstDay + (step.count - firstDay % step.count) % step.count; day <= lastDay; day += step.count)
                ticks.push_back({day, QDate::fromJulianDay(day).toString(format)});
        } else if (step.unit == Unit::Month) {
            QDate date(first.year(), first.month(), 1);
            if (date < first)
                date = date.addMonths(1);
            while ((date.month() - 1) % step.count != 0)
                date = date.addMonths(1);
            for (; date.isValid() && date.toJulianDay() <= lastDay; date = date.addMonths(step.count))
                ticks.push_back({date.toJulianDay(), date.toString(format)});
        } else {
            int year = first.month() == 1 && first.day() == 1 ? first.year() : first.year() + 1;
            year = (year + step.count - 1) / step.count * step.count;
            for (QDate date(year, 1, 1); date.isValid() && date.toJulianDay() <= lastDay; date = date.addYears(step.count))
                ticks.push_back({date.toJulianDay(), date.toString(format)});
        }
        const bool fits = std::all_of(ticks.begin(), ticks.end(),
                                      [&](const DateTick& tick) { return labelWidth(tick.label) + kLabelGap <= room; });
        if (fits)
            return ticks;
    }
    return {};
}

struct PriceChart::Layout {
    QRectF title;
    QRectF price;
    QRectF volume;
    double dayLow = 0, dayHigh = 1;
    ValueTicks priceTicks;
    ValueTicks volumeTicks;
    std::vector<DateTick> dateTicks;

    double X(double day) const { return price.left() + Fraction(day, dayLow, dayHigh) * price.width(); }
    double Y(double value) const
    {
        return price.bottom() - Fraction(value, priceTicks.low, priceTicks.high) * price.height();
    }
    double VolumeY(double value) const
    {
        return volume.bottom() - Fraction(value, volumeTicks.low, volumeTicks.high) * volume.height();
    }
    double PixelsPerDay() const { return price.width() / std::max(dayHigh - dayLow, 1e-9); }
};

PriceChart::PriceChart(QWidget* parent) : QWidget(parent)
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void PriceChart::SetSeries(ChartSeries series)
{
    series_ = std::move(series);
    series_.values.resize(series_.days.size(), kNaN);
    if (!series_.volumes.empty())
        series_.volumes.resize(series_.days.size(), kNaN);
    markedRows_.clear();

    constexpr double kInf = std::numeric_limits<double>::infinity();
    firstDay_ = minValue_ = minVolume_ = kInf;
    lastDay_ = maxValue_ = maxVolume_ = -kInf;
    for (size_t i = 0; i < series_.size(); ++i) {
        const double day = series_.days[i];
        if (!std::isfinite(day))
            continue;
        const double value = series_.values[i];
        const double volume = series_.volumes.empty() ? kNaN : series_.volumes[i];
        if (std::isfinite(value)) {
            minValue_ = std::min(minValue_, value);
            maxValue_ = std::max(maxValue_, value);
        }
        if (std::isfinite(volume)) {
            minVolume_ = std::min(minVolume_, volume);
            maxVolume_ = std::max(maxVolume_, volume);
        }
        if (std::isfinite(value) || std::isfinite(volume)) {
            firstDay_ = std::min(firstDay_, day);
            lastDay_ = std::max(lastDay_, day);
        }
    }
    hasValues_ = firstDay_ <= lastDay_;
    update();
}

void PriceChart::Clear() { SetSeries(ChartSeries()); }

void PriceChart::SetMarkedRows(const std::vector<int>& rows)
{
    markedRows_ = rows;
    update();
}

QSize PriceChart::sizeHint() const { return {640, 360}; }

QSize PriceChart::minimumSizeHint() const { return {240, 160}; }

PriceChart::Layout PriceChart::ComputeLayout() const
{
    Layout layout;
    const QFontMetricsF metrics(font());
    const double line = metrics.height();
    layout.title = QRectF(0, 0, width(), line + 8);
    const double top = layout.title.bottom();
    const double bottom = height() - (line + kTickLength + 6);
    const double total = bottom - top;
    const bool volumePane = HasVolumePane() && total >= 120;
    const double volumeHeight = volumePane ? std::max(total * 0.25, 30.0) : 0;
    const double gap = volumePane ? 8 : 0;
    const double priceHeight = std::max(total - volumeHeight - gap, 0.0);

    layout.priceTicks = NiceValueTicks(hasValues_ ? minValue_ : 0, hasValues_ ? maxValue_ : 0,
                                       std::clamp(static_cast<int>(priceHeight / (line * 2.2)), 1, 10));
    if (volumePane)
        layout.volumeTicks = VolumeTicks(minVolume_ <= maxVolume_ ? minVolume_ : 0, minVolume_ <= maxVolume_ ? maxVolume_ : 0,
                                         std::clamp(static_cast<int>(volumeHeight / (line * 2)), 1, 4));
    double labels = 0;
    for (const QString& label : layout.priceTicks.labels)
        labels = std::max(labels, metrics.horizontalAdvance(label));
    for (const QString& label : layout.volumeTicks.labels)
        labels = std::max(labels, metrics.horizontalAdvance(label));
    const double left = std::min(labels + kTickLength + 6, width() / 3.0);
    const double right = 16;
    const double plotWidth = std::max(width() - left - right, 0.0);
    layout.price = QRectF(left, top, plotWidth, priceHeight);
    if (volumePane)
        layout.volume = QRectF(left, layout.price.bottom() + gap, plotWidth, volumeHeight);

    // Room either side of the dates: half a bar at least, a day either side of a single date.
    const double span = hasValues_ ? lastDay_ - firstDay_ : 0;
    const double room = span == 0 ? 1 : std::max(0.5 * series_.minimumStep, span * 0.01);
    layout.dayLow = (hasValues_ ? firstDay_ : 0) - room;
    layout.dayHigh = (hasValues_ ? lastDay_ : 0) + room;
    if (hasValues_)
        layout.dateTicks = DateTicks(static_cast<qint64>(std::ceil(layout.dayLow)), static_cast<qint64>(std::floor(layout.dayHigh)),
                                     layout.PixelsPerDay(), [&](const QString& text) { return metrics.horizontalAdvance(text); });
    return layout;
}

QRectF PriceChart::PriceArea() const { return ComputeLayout().price; }

QRectF PriceChart::VolumeArea() const { return ComputeLayout().volume; }

std::optional<QPointF> PriceChart::PointOfRow(int sheetRow) const
{
    const qint64 index = series_.IndexOfRow(sheetRow);
    if (index < 0 || index >= static_cast<qint64>(series_.size()))
        return std::nullopt;
    const double day = series_.days[static_cast<size_t>(index)];
    const double value = series_.values[static_cast<size_t>(index)];
    if (!std::isfinite(day) || !std::isfinite(value))
        return std::nullopt;
    const Layout layout = ComputeLayout();
    return QPointF(layout.X(day), layout.Y(value));
}

void PriceChart::paintEvent(QPaintEvent*)
{
    if (series_.title.isEmpty() && series_.size() == 0)
        return;  // nothing open
    QPainter painter(this);
    const Layout layout = ComputeLayout();
    if (layout.price.width() < 1 || layout.price.height() < 1)
        return;

    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(layout.title, Qt::AlignCenter, series_.title);
    painter.setFont(font());

    DrawValueAxis(painter, layout.price, layout.priceTicks);
    DrawDateAxis(painter, layout);
    if (!hasValues_) {
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(layout.price, Qt::AlignCenter, QStringLiteral("No values to chart in this column"));
        return;
    }
    if (!layout.volume.isEmpty()) {
        DrawValueAxis(painter, layout.volume, layout.volumeTicks);
        DrawVolumes(painter, layout);
    }
    DrawLine(painter, layout);
    DrawMarks(painter, layout);
}

void PriceChart::DrawValueAxis(QPainter& painter, const QRectF& area, const ValueTicks& ticks) const
{
    const double line = painter.fontMetrics().height();
    for (size_t i = 0; i < ticks.values.size(); ++i) {
        const double y = std::round(area.bottom() - Fraction(ticks.values[i], ticks.low, ticks.high) * area.height()) + 0.5;
        painter.setPen(GridColour(palette()));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(FrameColour(palette()));
        painter.drawLine(QPointF(area.left() - kTickLength, y), QPointF(area.left(), y));
        painter.setPen(palette().color(QPalette::Text));
        // The labels at a pane's edges stay beside it, clear of the other pane's.
        const double labelTop = std::clamp(y - line / 2, area.top(), std::max(area.top(), area.bottom() - line));
        painter.drawText(QRectF(0, labelTop, area.left() - kTickLength - 3, line), Qt::AlignRight | Qt::AlignVCenter,
                         ticks.labels[i]);
    }
    painter.setPen(FrameColour(palette()));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0.5, 0.5, -0.5, -0.5));
}

void PriceChart::DrawDateAxis(QPainter& painter, const Layout& layout) const
{
    const QColor grid = GridColour(palette()), frame = FrameColour(palette());
    const QRectF& price = layout.price;
    const double bottom = layout.volume.isEmpty() ? price.bottom() : layout.volume.bottom();
    const QFontMetricsF metrics(painter.font());
    double previousRight = -1e9;
    for (const DateTick& tick : layout.dateTicks) {
        const double x = std::round(layout.X(static_cast<double>(tick.day))) + 0.5;
        painter.setPen(grid);
        painter.drawLine(QPointF(x, price.top()), QPointF(x, price.bottom()));
        if (!layout.volume.isEmpty())
            painter.drawLine(QPointF(x, layout.volume.top()), QPointF(x, layout.volume.bottom()));
        painter.setPen(frame);
        painter.drawLine(QPointF(x, bottom), QPointF(x, bottom + kTickLength));
        // A label that would run off the widget or into the last one is left out.
        const double labelWidth = metrics.horizontalAdvance(tick.label);
        const QRectF label(x - labelWidth / 2, bottom + kTickLength + 1, labelWidth, metrics.height());
        if (label.left() < 0 || label.right() > width() || label.left() < previousRight + 4)
            continue;
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(label, Qt::AlignCenter, tick.label);
        previousRight = label.right();
    }
}

void PriceChart::DrawLine(QPainter& painter, const Layout& layout) const
{
    // Consecutive points in one pixel column become the first, lowest, highest and last
    // of them: the same picture at the cost of a few points per column.
    struct Column {
        QPointF first, last, low, high;
        size_t lowIndex = 0, highIndex = 0;
    };
    QPolygonF run;
    QPolygonF dots;
    Column column;
    int columnX = INT_MIN;
    bool broken = true;
    painter.save();
    painter.setClipRect(layout.price);
    painter.setRenderHint(QPainter::Antialiasing);
    // A line of one pixel takes Qt's fast path; a wider one is for charts with room
    // between their points, where it reads better and costs little.
    const double width = static_cast<double>(series_.size()) < layout.price.width() ? 1.5 : 1;
    painter.setPen(QPen(kLineColour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    auto endColumn = [&] {
        if (columnX == INT_MIN)
            return;
        run << column.first;
        if (column.lowIndex < column.highIndex)
            run << column.low << column.high;
        else
            run << column.high << column.low;
        run << column.last;
        columnX = INT_MIN;
    };
    auto endRun = [&] {
        endColumn();
        if (run.isEmpty())
            return;
        // A lone value between two gaps would draw nothing as a line: a dot instead.
        const QRectF extent = run.boundingRect();
        if (extent.width() < 1 && extent.height() < 1)
            dots << run.front();
        else
            // In short pieces: the stroker's cost grows faster than the points of one line.
            for (qsizetype start = 0; start + 1 < run.size(); start += 32)
                painter.drawPolyline(run.constData() + start, static_cast<int>(std::min<qsizetype>(33, run.size() - start)));
        run.clear();
    };
    const double* days = series_.days.data();
    const double* values = series_.values.data();
    for (size_t i = 0; i < series_.size(); ++i) {
        if (!std::isfinite(days[i]) || !std::isfinite(values[i])) {
            broken = true;
            continue;
        }
        const QPointF point(layout.X(days[i]), layout.Y(values[i]));
        const int x = static_cast<int>(std::floor(point.x()));
        if (x != columnX) {
            if (broken)
                endRun();
            else
                endColumn();
            column = {point, point, point, point, i, i};
            columnX = x;
        } else {
            column.last = point;
            if (point.y() < column.low.y()) {
                column.low = point;
                column.lowIndex = i;
            }
            if (point.y() > column.high.y()) {
                column.high = point;
                column.highIndex = i;
            }
        }
        broken = false;
    }
    endRun();
    painter.setPen(QPen(kLineColour, 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawPoints(dots);
    painter.restore();
}

void PriceChart::DrawVolumes(QPainter& painter, const Layout& layout) const
{
    const QRectF& area = layout.volume;
    const double base = layout.VolumeY(0);
    const double barWidth = 0.7 * series_.minimumStep * layout.PixelsPerDay();
    painter.save();
    painter.setClipRect(area);
    const double* days = series_.days.data();
    const double* volumes = series_.volumes.data();
    if (barWidth < 2) {
        // Bars thinner than two pixels: one line per pixel column, as high as its highest.
        const auto columns = static_cast<size_t>(std::ceil(area.width())) + 1;
        std::vector<double> top(columns, base), bottom(columns, base);
        for (size_t i = 0; i < series_.size(); ++i) {
            if (!std::isfinite(days[i]) || !std::isfinite(volumes[i]))
                continue;
            const double offset = std::clamp(layout.X(days[i]) - area.left(), 0.0, static_cast<double>(columns - 1));
            const auto x = static_cast<size_t>(offset);
            const double y = layout.VolumeY(volumes[i]);
            top[x] = std::min(top[x], y);
            bottom[x] = std::max(bottom[x], y);
        }
        painter.setPen(QPen(kVolumeColour, 1));
        for (size_t x = 0; x < columns; ++x)
            if (top[x] < bottom[x])
                painter.drawLine(QPointF(area.left() + static_cast<double>(x) + 0.5, top[x]),
                                 QPointF(area.left() + static_cast<double>(x) + 0.5, bottom[x]));
    } else {
        for (size_t i = 0; i < series_.size(); ++i) {
            if (!std::isfinite(days[i]) || !std::isfinite(volumes[i]))
                continue;
            const double y = layout.VolumeY(volumes[i]);
            painter.fillRect(QRectF(layout.X(days[i]) - barWidth / 2, std::min(y, base), barWidth, std::abs(y - base)),
                             kVolumeColour);
        }
    }
    painter.restore();
}

void PriceChart::DrawMarks(QPainter& painter, const Layout& layout) const
{
    painter.save();
    painter.setClipRect(layout.price.adjusted(-5, -5, 5, 5));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kMarkColour.darker(130), 1));
    painter.setBrush(kMarkColour);
    for (const int row : markedRows_) {
        const qint64 index = series_.IndexOfRow(row);
        if (index < 0 || index >= static_cast<qint64>(series_.size()))
            continue;
        const double day = series_.days[static_cast<size_t>(index)];
        const double value = series_.values[static_cast<size_t>(index)];
        if (std::isfinite(day) && std::isfinite(value))
            painter.drawEllipse(QPointF(layout.X(day), layout.Y(value)), 4.5, 4.5);
    }
    painter.restore();
}
