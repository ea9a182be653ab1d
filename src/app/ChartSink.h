#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A chart series as the generator's plot output. The generator hands over tens of thousands
// of points one at a time; feeding them to the series one by one would redraw the chart for
// each, so they are collected here and given to the series in one replace() when the sink
// is flushed (at the latest when it goes away). The axes are then fitted to the series,
// unless the chart fits them itself (AxisFit::None).

#include "shared/Sinks.h"

#include <QList>
#include <QPointF>

class QLineSeries;

namespace tarvel {

enum class AxisFit { ToPoints, None };

class ChartSink final : public PlotSink {
public:
    explicit ChartSink(QLineSeries& series, AxisFit fit = AxisFit::ToPoints) : series_(series), fit_(fit) { }
    ~ChartSink() override { flush(); }
    ChartSink(const ChartSink&) = delete;
    ChartSink& operator=(const ChartSink&) = delete;

    void clear() override;
    void addPoint(double x, double y) override;

    // Puts what was plotted so far into the series: after a clear() the collected points
    // replace the series' points, otherwise they follow them. Nothing plotted, nothing done.
    void flush();

private:
    QLineSeries& series_;
    const AxisFit fit_;
    QList<QPointF> points_;
    bool cleared_ = false;
    bool touched_ = false;
};

// Sets the series' attached axes to the range of its points (a flat range is widened a
// little, so the axis stays valid and the line visible).
void fitAxesToPoints(QLineSeries& series);

} // namespace tarvel
