#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The window's line charts share one look: no title or legend, flat, and series in a
// few fixed styles.

#include <QString>

#include <utility>

class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

namespace tarvel {

enum class SeriesStyle {
    BlueCircles, // blue line, width 2, round marks of 3 px
    RedDottedSquares, // red dotted line, square marks of 3 px
    RedPlain, // red line, no marks
};

// A fresh chart, owned by the view from then on.
QChart* attachChart(QChartView* view);

// Adds a series named `name` (also its object name, so that it can be found by name).
QLineSeries* addLineSeries(QChart* chart, const QString& name, SeriesStyle style);

// A bottom and a left value axis, attached to every series of the chart.
std::pair<QValueAxis*, QValueAxis*> addValueAxes(QChart* chart);

} // namespace tarvel
