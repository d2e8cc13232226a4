#include "price_chart.h"

#include "viewer_sheet.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

std::vector<std::vector<QPointF>> ChartSegments(const ViewerSheet& sheet, int valueColumn)
{
    std::vector<std::vector<QPointF>> segments(1);
    for (int row = sheet.LabelRow() + 1; row < sheet.RowCount(); ++row) {
        const std::optional<QDate> date = sheet.Date(row);
        const std::optional<double> value = sheet.Number(row, valueColumn);
        if (date && value) {
            const auto x = static_cast<qreal>(QDateTime(*date, QTime(0, 0)).toMSecsSinceEpoch());
            segments.back().emplace_back(x, *value);
        } else if (!segments.back().empty()) {
            segments.emplace_back();
        }
    }
    if (segments.back().empty())
        segments.pop_back();
    return segments;
}

int DefaultChartColumn(const ViewerSheet& sheet)
{
    for (int column = 0; column < sheet.ColumnCount(); ++column)
        if (column != sheet.DateColumn() && sheet.Header(column).endsWith(QStringLiteral("Close"), Qt::CaseInsensitive))
            return column;
    for (int column = 0; column < sheet.ColumnCount(); ++column)
        if (column != sheet.DateColumn())
            return column;
    return -1;
}

void MarkChartRows(QChart* chart, const ViewerSheet& sheet, int valueColumn, const std::vector<int>& rows)
{
    const QList<QAbstractAxis*> xAxes = chart->axes(Qt::Horizontal);
    const QList<QAbstractAxis*> yAxes = chart->axes(Qt::Vertical);
    if (rows.empty() || xAxes.isEmpty() || yAxes.isEmpty())
        return;
    auto* marks = new QScatterSeries;
    marks->setObjectName(QStringLiteral("findings"));
    marks->setName(QStringLiteral("Findings"));
    marks->setColor(QColor(200, 30, 30));
    marks->setBorderColor(QColor(200, 30, 30));
    marks->setMarkerSize(9);
    for (const int row : rows) {
        const std::optional<QDate> date = sheet.Date(row);
        const std::optional<double> value = sheet.Number(row, valueColumn);
        if (date && value)
            marks->append(static_cast<qreal>(QDateTime(*date, QTime(0, 0)).toMSecsSinceEpoch()), *value);
    }
    chart->addSeries(marks);
    marks->attachAxis(xAxes.front());
    marks->attachAxis(yAxes.front());
}

QChart* BuildPriceChart(const ViewerSheet& sheet, int valueColumn)
{
    auto* chart = new QChart;
    chart->setTitle(sheet.Header(valueColumn));
    chart->legend()->hide();

    const std::vector<std::vector<QPointF>> segments = ChartSegments(sheet, valueColumn);
    auto* xAxis = new QDateTimeAxis;
    xAxis->setFormat(QStringLiteral("yyyy-MM-dd"));
    xAxis->setTitleText(sheet.Header(sheet.DateColumn()));
    auto* yAxis = new QValueAxis;
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    if (segments.empty())
        return chart;

    // Every run between gaps is a line of its own in one colour; a lone value between
    // two gaps would draw nothing as a line, so those go into one series of dots.
    const QColor colour(32, 74, 135);
    auto* dots = new QScatterSeries;
    dots->setColor(colour);
    dots->setBorderColor(colour);
    dots->setMarkerSize(5);
    qreal minX = segments.front().front().x(), maxX = minX;
    qreal minY = segments.front().front().y(), maxY = minY;
    for (const std::vector<QPointF>& segment : segments) {
        for (const QPointF& point : segment) {
            minX = std::min(minX, point.x());
            maxX = std::max(maxX, point.x());
            minY = std::min(minY, point.y());
            maxY = std::max(maxY, point.y());
        }
        if (segment.size() == 1) {
            dots->append(segment.front());
            continue;
        }
        auto* line = new QLineSeries;
        line->setColor(colour);
        line->append(QList<QPointF>(segment.begin(), segment.end()));
        chart->addSeries(line);
        line->attachAxis(xAxis);
        line->attachAxis(yAxis);
    }
    if (dots->count() > 0) {
        chart->addSeries(dots);
        dots->attachAxis(xAxis);
        dots->attachAxis(yAxis);
    } else {
        delete dots;
    }

    // One day either side keeps a single date from collapsing the axis.
    constexpr qreal kDay = 24.0 * 60 * 60 * 1000;
    xAxis->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(minX - (minX == maxX ? kDay : 0))),
                    QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(maxX + (minX == maxX ? kDay : 0))));
    const qreal span = maxY - minY;
    if (!std::isfinite(span)) {
        // Values near the ends of the double range: no margin that would overflow.
        yAxis->setRange(minY, maxY);
        return chart;
    }
    const qreal margin = span == 0 ? std::max(1.0, std::abs(minY) * 0.05) : span * 0.05;
    yAxis->setRange(minY - margin, maxY + margin);
    yAxis->applyNiceNumbers();
    return chart;
}
