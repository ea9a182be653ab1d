// The parameter controls of TForm1: the enabling rules of the caption-less check boxes,
// "сформировать" (the frame build and its listings) and the byte dump of the diagnostic
// panel. The frame rules themselves are the core's (frame/FrameBuild).
#include "app/Unit1.h"

#include "ui_Unit1.h"

#include "app/ChartSetup.h"
#include "app/ImageLists.h"
#include "app/MemoSink.h"
#include "frame/FrameBuild.h"

#include <QChart>
#include <QChartView>
#include <QTabBar>
#include <QValueAxis>

#include <initializer_list>

namespace tarvel {

namespace {

// The status line every build shows: a frame build has no way to fail.
constexpr const char* kStatusNoErrors = " *** нет ошибок ***";

void setEnabledAll(std::initializer_list<QWidget*> partners, bool on)
{
    for (QWidget* w : partners)
        w->setEnabled(on);
}

// Tabs of the inner page controls: their own font (and colour), their icons from ImageList1.
void styleInnerTabs(QTabWidget* pages, int pixelSize, const QColor& colour)
{
    QTabBar* bar = pages->tabBar();
    QFont f = bar->font();
    f.setPixelSize(pixelSize);
    f.setBold(true);
    bar->setFont(f);
    if (colour.isValid()) {
        QPalette p = bar->palette();
        p.setColor(QPalette::WindowText, colour);
        p.setColor(QPalette::ButtonText, colour);
        bar->setPalette(p);
    }
    const QList<QIcon> icons = imageList1();
    for (int i = 0; i < pages->count(); ++i)
        pages->setTabIcon(i, icons.value(i));
}

// Chart_PTT: the pattern (Series2) and the run's cursor (Series3). The bottom axis starts
// at -2.5 and grows with the pattern; the left axis shows the press level 0..1 with room
// around it.
void setUpPttChart(QChartView* view)
{
    QChart* chart = attachChart(view);
    addLineSeries(chart, QStringLiteral("Series2"), SeriesStyle::BlueCircles);
    addLineSeries(chart, QStringLiteral("Series3"), SeriesStyle::RedDottedSquares);
    auto [x, y] = addValueAxes(chart);
    x->setMin(-2.5);
    y->setRange(-0.5, 1.5);
}

} // namespace

void TForm1::setUpParameterControls()
{
    styleInnerTabs(ui->PageControl_UprTx, 16, QColor());
    styleInnerTabs(ui->PageControl_SQL, 15, QColor(0x80, 0x00, 0x00)); // maroon
    setUpPttChart(ui->Chart_PTT);

    // Only a click runs these: the states at start are the form's own.
    connect(ui->CheckBox_5, &QCheckBox::clicked, this, &TForm1::CheckBox_5Click);
    connect(ui->CheckBox_6, &QCheckBox::clicked, this, &TForm1::CheckBox_6Click);
    connect(ui->CheckBox_8, &QCheckBox::clicked, this, &TForm1::CheckBox_8Click);
    connect(ui->CheckBox_9, &QCheckBox::clicked, this, &TForm1::CheckBox_9Click);
    connect(ui->CheckBox_10, &QCheckBox::clicked, this, &TForm1::CheckBox_10Click);
    connect(ui->Button_FormFile, &QPushButton::clicked, this, &TForm1::Button_FormFileClick);
    connect(ui->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
}

void TForm1::CheckBox_5Click()
{
    setEnabledAll({ui->SpinEdit_5}, ui->CheckBox_5->isChecked());
}

void TForm1::CheckBox_6Click()
{
    setEnabledAll({ui->SpinEdit_6, ui->SpinEdit_7}, ui->CheckBox_6->isChecked());
}

void TForm1::CheckBox_8Click()
{
    setEnabledAll({ui->SpinEdit_8}, ui->CheckBox_8->isChecked());
}

void TForm1::CheckBox_9Click()
{
    setEnabledAll({ui->SpinEdit_9}, ui->CheckBox_9->isChecked());
}

void TForm1::CheckBox_10Click()
{
    setEnabledAll({ui->SpinEdit_10, ui->SpinEdit_11, ui->SpinEdit_12}, ui->CheckBox_10->isChecked());
}

FrameParameters TForm1::readFrameParameters() const
{
    FrameParameters p;
    p.voxThreshold = ui->SpinEdit_1->value();
    p.txDelay = ui->SpinEdit_2->value();
    p.voxRelease_ms = ui->SpinEdit_3->value();
    p.keyingMode = ui->PageControl_UprTx->currentIndex();
    p.maxTxEnabled = ui->CheckBox_5->isChecked();
    p.maxTx_s = ui->SpinEdit_5->value();
    p.pauseEnabled = ui->CheckBox_6->isChecked();
    p.pauseEnter_s = ui->SpinEdit_6->value();
    p.pauseExit = ui->SpinEdit_7->value();
    p.activityEnabled = ui->CheckBox_8->isChecked();
    p.activity_min = ui->SpinEdit_8->value();
    p.toneEnabled = ui->CheckBox_9->isChecked();
    p.pilot_hz = ui->SpinEdit_9->value();
    p.carrierEnabled = ui->CheckBox_10->isChecked();
    p.firstPtt_s = ui->SpinEdit_10->value();
    p.pttPause_s = ui->SpinEdit_11->value();
    p.secondPtt_s = ui->SpinEdit_12->value();
    return p;
}

void TForm1::Button_FormFileClick()
{
    ui->Button_Out->setVisible(true);
    ui->StaticText_Error->setText(QString::fromUtf8(kStatusNoErrors));
    MemoSink crcTrace(*ui->Memo2);
    MemoSink valueList(*ui->Memo1);
    MemoSink frameListing(*ui->Memo_MasIsh);
    buildFrame(state_.shared.frame, readFrameParameters(), FrameViews{crcTrace, valueList, frameListing});
}

void TForm1::Button3Click()
{
    MemoSink dump(*ui->Memo1);
    writeByteDump(state_.shared.frame, dump);
}

} // namespace tarvel
