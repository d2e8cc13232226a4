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

// Red dots on the chart at the given sheet rows (the findings of Check data), where the
// row has a date and a value in the chart's column.
void MarkChartRows(QChart* chart, const ViewerSheet& sheet, int valueColumn, const std::vector<int>& rows);
