// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1 (TForm1): the send: Alfa from its field, and "выдать", which rebuilds the frame, writes
// _qq.wav and 9_fmsig.h through the core and plays the sound to the device. The filter's
// check box needs no handler: the generator reads it for every sample it filters.
#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include "app/ChartSink.h"
#include "app/ErrorBox.h"
#include "app/SendFeedback.h"
#include "signal/WavFiles.h"

#include <QDir>
#include <QFile>
#include <QLineSeries>
#include <QMessageBox>
#include <QTimer>

#include <exception>
#include <filesystem>
#include <optional>

namespace tarvel {

namespace {

// "Модуляционный фильтр" as the generator sees it: read afresh for every filtered sample.
class CheckBoxFilterSwitch final : public FilterSwitch {
public:
    explicit CheckBoxFilterSwitch(const QCheckBox& box) : box_(box) { }
    bool isOn() const override { return box_.isChecked(); }

private:
    const QCheckBox& box_;
};

} // namespace

void TForm1::readAlfa()
{
    state_.shared.alfa = ui->SpinEdit_Alfa->value() / 100.0;
}

void TForm1::sendFrame()
{
    filterPlot_->clear();
    unusedFilterPlot_->clear();

    // What "сформировать" does: the frame and its listings from the controls as they are now.
    rebuildFrame();

    const std::filesystem::path folder(QFile::encodeName(options_.workingDirectory).toStdString());
    std::optional<QString> failure;
    {
        const CheckBoxFilterSwitch filterSwitch(*ui->CheckBox_ModFiltr);
        ChartSink filterSink(*filterPlot_);
        ChartSink signalSink(*signalPlot_);
        SignalContext ctx {state_.shared, state_.generator, filterSwitch, filterSink, signalSink};
        try {
            WriteRiff(ctx, folder);
        } catch (const std::exception& e) {
            // FileError's text is the message the user gets; anything else is reported
            // the same way rather than taking the program down.
            failure = QString::fromUtf8(e.what());
        }
    } // the plots show what the generator produced, also when a file failed afterwards

    if (failure) {
        // The send is abandoned: reported over the window, which stays usable, and
        // nothing is played.
        showErrorBox(this, *failure);
        return;
    }
    if (soundOutput_)
        playSentFile();
}

void TForm1::playSentFile()
{
    const QString path = QDir(options_.workingDirectory).filePath(QString::fromLatin1(kWavFileName));
    PlaybackResult result;
    bool closeRequested = false;
    {
        SendFeedback feedback(*ui->StaticText_Error, *this);
        result = soundOutput_->playToEnd(path, [&feedback](std::int64_t played_us, std::int64_t sound_us) {
            feedback.show(played_us, sound_us);
        });
        closeRequested = feedback.closeRequested();
    } // the status line, the cursor and the input are back
    // A close asked for while the sound played is carried out now that it has ended, from the
    // event loop as a close from the desktop is; after a failure, once its report is read.
    if (result.ok()) {
        if (closeRequested)
            QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    // The files are written and stay; only the sound did not reach the device, which the
    // status line must no longer call a success.
    ui->StaticText_Error->setText(QString::fromUtf8(kStatusNotSent));
    QMessageBox* report = showErrorBox(this, playbackFailureText(result));
    if (closeRequested)
        connect(report, &QDialog::finished, this, &QWidget::close);
}

} // namespace tarvel
