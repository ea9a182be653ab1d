// SPDX-License-Identifier: GPL-3.0-or-later
// The sink the send and the trainer plot through: points collected until it is flushed or
// goes away, after a clear replacing the series' points, else following them; the axes
// fitted to the points only when asked.

#include "app/ChartSink.h"

#include <QApplication>
#include <QChart>
#include <QLineSeries>
#include <QTest>
#include <QValueAxis>

#include <memory>

using namespace tarvel;

class TestChartSink : public QObject {
    Q_OBJECT

    std::unique_ptr<QChart> chart_;
    QLineSeries* series_ = nullptr;
    QValueAxis* x_ = nullptr;
    QValueAxis* y_ = nullptr;

private slots:
    // A series with one point on a chart whose axes show -2.5..7 and 0..1.
    void init()
    {
        chart_ = std::make_unique<QChart>();
        series_ = new QLineSeries;
        chart_->addSeries(series_);
        x_ = new QValueAxis;
        y_ = new QValueAxis;
        chart_->addAxis(x_, Qt::AlignBottom);
        chart_->addAxis(y_, Qt::AlignLeft);
        series_->attachAxis(x_);
        series_->attachAxis(y_);
        x_->setRange(-2.5, 7.0);
        y_->setRange(0.0, 1.0);
        series_->append(0.0, 0.0);
    }
    void cleanup() { chart_.reset(); }

    void clearThenPointsReplaceTheSeriesWhenTheSinkIsDone()
    {
        {
            ChartSink sink(*series_, AxisFit::None);
            sink.clear();
            sink.addPoint(1.0, 2.0);
            sink.addPoint(3.0, 4.0);
            QCOMPARE(series_->count(), 1); // nothing handed over before the sink is done
        }
        QCOMPARE(series_->points(), (QList<QPointF> {{1.0, 2.0}, {3.0, 4.0}}));
        // AxisFit::None: the chart keeps its own ranges.
        QCOMPARE(x_->min(), -2.5);
        QCOMPARE(x_->max(), 7.0);
    }

    void pointsWithoutAClearFollowTheSeriesPoints()
    {
        {
            ChartSink sink(*series_, AxisFit::None);
            sink.addPoint(5.0, 2.0);
            sink.flush();
            QCOMPARE(series_->points(), (QList<QPointF> {{0.0, 0.0}, {5.0, 2.0}}));
            sink.addPoint(6.0, 3.0); // after a flush the next points follow again
        }
        QCOMPARE(series_->points(), (QList<QPointF> {{0.0, 0.0}, {5.0, 2.0}, {6.0, 3.0}}));
    }

    void aSinkGivenNothingLeavesTheSeriesAndAxes()
    {
        {
            ChartSink untouched(*series_);
        }
        QCOMPARE(series_->points(), (QList<QPointF> {{0.0, 0.0}}));
        QCOMPARE(x_->min(), -2.5);
        QCOMPARE(y_->max(), 1.0);
    }

    void axesFitThePointsWithRoomAboveAndBelow()
    {
        {
            ChartSink sink(*series_);
            sink.clear();
            sink.addPoint(10.0, -100.0);
            sink.addPoint(30.0, 100.0);
        }
        QCOMPARE(x_->min(), 10.0);
        QCOMPARE(x_->max(), 30.0);
        QCOMPARE(y_->min(), -110.0); // 5 % of the span on either side
        QCOMPARE(y_->max(), 110.0);
        QCOMPARE(x_->labelFormat(), QStringLiteral("%.0f")); // sample indices as whole numbers
    }

    void aFlatLineGetsAnAxisItCanBeSeenOn()
    {
        {
            ChartSink sink(*series_);
            sink.clear();
            sink.addPoint(4.0, 0.0);
            sink.addPoint(4.0, 0.0);
        }
        QCOMPARE(x_->min(), 3.0);
        QCOMPARE(x_->max(), 5.0);
        QCOMPARE(y_->min(), -1.0);
        QCOMPARE(y_->max(), 1.0);
    }
};

QTEST_MAIN(TestChartSink)
#include "tst_chartsink.moc"
