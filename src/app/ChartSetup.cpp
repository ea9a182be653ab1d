// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChartSetup.h"

#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

namespace tarvel {

QChart* attachChart(QChartView* view)
{
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setTitle(QString());
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setBackgroundRoundness(0);
    chart->setAnimationOptions(QChart::NoAnimation);
    view->setChart(chart);
    return chart;
}

QLineSeries* addLineSeries(QChart* chart, const QString& name, SeriesStyle style)
{
    auto* series = new QLineSeries;
    series->setName(name);
    series->setObjectName(name);
    switch (style) {
    case SeriesStyle::BlueCircles: {
        QPen pen(Qt::blue);
        pen.setWidth(2);
        series->setPen(pen);
        series->setPointsVisible(true);
        series->setMarkerSize(3); // round marks are the series' own
        break;
    }
    case SeriesStyle::RedDottedSquares: {
        QPen pen(Qt::red);
        pen.setStyle(Qt::DotLine);
        series->setPen(pen);
        QImage square(3, 3, QImage::Format_ARGB32);
        square.fill(Qt::red);
        series->setPointsVisible(true);
        series->setMarkerSize(3);
        series->setLightMarker(square);
        break;
    }
    case SeriesStyle::RedPlain:
        series->setPen(QPen(Qt::red));
        break;
    }
    chart->addSeries(series);
    return series;
}

std::pair<QValueAxis*, QValueAxis*> addValueAxes(QChart* chart)
{
    auto* x = new QValueAxis;
    auto* y = new QValueAxis;
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    return {x, y};
}

} // namespace tarvel
