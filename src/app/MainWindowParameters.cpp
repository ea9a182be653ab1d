// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1 (TForm1): the parameter page: "сформировать" (the frame build and its listings) and the
// byte dump of the diagnostic panel. The frame rules themselves are the core's
// (frame/FrameBuild).
#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include "app/MemoSink.h"
#include "frame/FrameBuild.h"

namespace tarvel {

namespace {

// The status line every build shows: a frame build has no way to fail.
constexpr const char* kStatusNoErrors = " *** нет ошибок ***";

} // namespace

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

void TForm1::rebuildFrame()
{
    ui->Button_Out->setVisible(true);
    ui->StaticText_Error->setText(QString::fromUtf8(kStatusNoErrors));
    MemoSink crcTrace(*ui->Memo2);
    MemoSink valueList(*ui->Memo1);
    MemoSink frameListing(*ui->Memo_MasIsh);
    buildFrame(state_.shared.frame, readFrameParameters(), FrameViews {crcTrace, valueList, frameListing});
}

void TForm1::dumpFrameBytes()
{
    MemoSink dump(*ui->Memo1);
    writeByteDump(state_.shared.frame, dump);
}

} // namespace tarvel
