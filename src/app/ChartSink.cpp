// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChartSink.h"

#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>

namespace tarvel {

namespace {

// Margin above and below the data, as a share of its span.
constexpr double kVerticalMargin = 0.05;

void setRange(QAbstractAxis* axis, double low, double high)
{
    if (high <= low) {
        low -= 1.0;
        high += 1.0;
    }
    axis->setRange(low, high);
}

} // namespace

void ChartSink::clear()
{
    points_.clear();
    cleared_ = true;
    touched_ = true;
}

void ChartSink::addPoint(double x, double y)
{
    points_.append(QPointF(x, y));
    touched_ = true;
}

void ChartSink::flush()
{
    if (!touched_)
        return;
    if (!cleared_)
        points_ = series_.points() + points_;
    series_.replace(points_);
    if (fit_ == AxisFit::ToPoints)
        fitAxesToPoints(series_);
    points_.clear();
    cleared_ = false;
    touched_ = false;
}

void fitAxesToPoints(QLineSeries& series)
{
    const QList<QPointF> points = series.points();
    if (points.isEmpty())
        return;
    auto [left, right] = std::minmax_element(
        points.cbegin(), points.cend(), [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    auto [bottom, top] = std::minmax_element(
        points.cbegin(), points.cend(), [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
    const double margin = (top->y() - bottom->y()) * kVerticalMargin;
    for (QAbstractAxis* axis : series.attachedAxes()) {
        if (axis->orientation() == Qt::Horizontal) {
            setRange(axis, left->x(), right->x());
            // x is a sample index: whole numbers read better than 14524.8.
            if (auto* values = qobject_cast<QValueAxis*>(axis))
                values->setLabelFormat(QStringLiteral("%.0f"));
        } else
            setRange(axis, bottom->y() - margin, top->y() + margin);
    }
}

} // namespace tarvel
