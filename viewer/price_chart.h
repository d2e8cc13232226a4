#pragma once

#include <QDate>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class ViewerSheet;

// One column against the dates, a row each from the row after the label row on. Days
// are Julian day numbers; NaN stands for a missing date or value, where the line breaks.
struct ChartSeries {
    QString title;
    int firstRow = 0;  // the sheet row of index 0
    std::vector<int> rows;  // the sheet row of each index, when not every row from firstRow on
    std::vector<double> days;
    std::vector<double> values;
    std::vector<double> volumes;  // empty when there is no volume pane
    double minimumStep = 1;       // the smallest step between consecutive dates, in days

    size_t size() const { return days.size(); }
    // The index of a sheet row; -1 when the series does not hold it.
    qint64 IndexOfRow(int sheetRow) const;
};

// The column a chart starts with: the first headed "...Close", else the first after
// the date column; -1 when there is none.
int DefaultChartColumn(const ViewerSheet& sheet);

// The column's values against the dates, with the volume column's beside them when the
// sheet has one other than the charted column.
// The column over the given sheet rows (ascending), or every row below the label row.
ChartSeries ReadChartSeries(const ViewerSheet& sheet, int valueColumn, const std::vector<int>* rows = nullptr);

// Ticks at 1, 2 or 5 times a power of ten. The range widens to whole steps around
// [minimum, maximum]; a single value gets room on both sides.
struct ValueTicks {
    double low = 0;
    double high = 1;
    double step = 1;
    std::vector<double> values;
    std::vector<QString> labels;
};
ValueTicks NiceValueTicks(double minimum, double maximum, int maxTicks);
// The same for volumes: from zero, labels shortened with k, M and G.
ValueTicks VolumeTicks(double minimum, double maximum, int maxTicks);

// Ticks on the date axis: every day, every 2 days, Mondays, every other Monday, the
// first of every 1, 2, 3 or 6 months, or of every 1, 2, 5, 10... years: the finest
// step whose labels do not overlap at this many pixels a day.
struct DateTick {
    qint64 day = 0;  // Julian day
    QString label;
};
std::vector<DateTick> DateTicks(qint64 firstDay, qint64 lastDay, double pixelsPerDay,
                                const std::function<double(const QString&)>& labelWidth);

// The chart of the viewer: a line of one column against the dates, volume bars in a pane
// below when the sheet has a volume column, and the rows that Check data marked as red
// dots on the line. Drawn with QPainter; the line is reduced to the lowest and highest
// value in each pixel column, so the cost of a paint follows the width, not the rows.
class PriceChart : public QWidget {
    Q_OBJECT

public:
    explicit PriceChart(QWidget* parent = nullptr);

    void SetSeries(ChartSeries series);
    void Clear();
    // Sheet rows to mark; rows without a date or value in the chart's column get no dot.
    void SetMarkedRows(const std::vector<int>& rows);

    const ChartSeries& Series() const { return series_; }
    QString Title() const { return series_.title; }
    bool HasVolumePane() const { return !series_.volumes.empty(); }

    // Where the chart draws at its present size.
    QRectF PriceArea() const;
    QRectF VolumeArea() const;  // empty without a volume pane
    // The point of a sheet row's value on the line, when it has one.
    std::optional<QPointF> PointOfRow(int sheetRow) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Layout;
    Layout ComputeLayout() const;
    void DrawValueAxis(QPainter& painter, const QRectF& area, const ValueTicks& ticks) const;
    void DrawDateAxis(QPainter& painter, const Layout& layout) const;
    void DrawLine(QPainter& painter, const Layout& layout) const;
    void DrawVolumes(QPainter& painter, const Layout& layout) const;
    void DrawMarks(QPainter& painter, const Layout& layout) const;

    ChartSeries series_;
    std::vector<int> markedRows_;
    // The extent of the data, found once when the series is set.
    double firstDay_ = 0, lastDay_ = 0;
    double minValue_ = 0, maxValue_ = 0;
    double minVolume_ = 0, maxVolume_ = 0;
    bool hasValues_ = false;
};
