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
    {
        SendFeedback feedback(*ui->StaticText_Error);
        result = soundOutput_->playToEnd(path, [&feedback](std::int64_t played_us, std::int64_t sound_us) {
            feedback.show(played_us, sound_us);
        });
    } // the status line, the cursor and the input are back
    if (result.ok())
        return;
    // The files are written and stay; only the sound did not reach the device, which the
    // status line must no longer call a success.
    ui->StaticText_Error->setText(QString::fromUtf8(kStatusNotSent));
    showErrorBox(this, playbackFailureText(result));
}

} // namespace tarvel
