#pragma once

#include <QPointF>

#include <vector>

class QChart;
class ViewerSheet;

// The points of one column against the date column, split where a row has no value
// ("*" or any other non-number) so the chart shows a gap there. x is the date's
// local midnight in milliseconds since the epoch.
std::vector<std::vector<QPointF>> ChartSegments(const ViewerSheet& sheet, int valueColumn);

// The column a chart starts with: the first headed "...Close", else the first after
// the date column; -1 when there is none.
int DefaultChartColumn(const ViewerSheet& sheet);

// A line chart of the column over the dates; the caller owns it.
QChart* BuildPriceChart(const ViewerSheet& sheet, int valueColumn);
