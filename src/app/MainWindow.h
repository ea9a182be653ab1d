#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1: TForm1, the programmer's main window. Every control, position, text and default
// lives in MainWindow.ui; this class connects the controls to their handlers, each of which
// calls one named operation, and does the start-up work of FormCreate.

#include "app/ProgramState.h"
#include "audio/SoundOutput.h"
#include "trainer/PttRun.h"
#include "trainer/ToneDriver.h"
#include "trainer/TrainerClock.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>

class QLineSeries;

namespace Ui {
class TForm1;
}

namespace tarvel {

struct FrameParameters;

// What FormCreate looks at: the command line without the program name (only its first
// entry counts) and the folder the help files are looked up in (the working directory).
struct StartOptions {
    QStringList arguments;
    QString workingDirectory;
};

class TForm1 : public QWidget {
    Q_OBJECT

public:
    TForm1(ProgramState& state, StartOptions options, QWidget* parent = nullptr);
    ~TForm1() override;

    // The client area of the normal layout: 869 x 576 outside, less the standard frame
    // (8 px sides and bottom, 29 px caption bar).
    static constexpr QSize kNormalClientSize {869 - 16, 576 - 37};

    // Moves the window to the centre of the screen it is on (before it is first shown).
    void centreOnScreen();
    // Opens page `index` of PageControl1. The page without a tab, and an index that names
    // no page, leave the page shown as it is.
    void showPage(int index);

    // Where "выдать" plays _qq.wav: the default sound output unless a test puts its own.
    void setSoundOutput(std::unique_ptr<SoundOutput> output);
    // The trainer's clock and beeps: the machine's monotonic clock and the default sound
    // output unless a test puts its own (no tone device: beeps only wait their length).
    void setTrainerClock(std::unique_ptr<TrainerClock> clock);
    void setToneDevice(std::unique_ptr<ToneDevice> device);

    // "выдать": rebuilds the frame from the controls, writes _qq.wav and 9_fmsig.h and plays
    // the sound; a failure is reported over the window.
    void sendFrame();

private:
    // The handlers, connected to their controls and timers in the constructor; each calls
    // the operation it stands for.
    void Button2Click();
    void Timer2Timer();
    void CheckBox_5Click();
    void CheckBox_6Click();
    void CheckBox_8Click();
    void CheckBox_9Click();
    void CheckBox_10Click();
    void Button_FormFileClick();
    void Button3Click();
    void SpinEdit_AlfaChange();
    void Button_OutClick();
    void SpinEdit_10Change();
    void Button_SoundClick();
    void Timer1Timer();
    void CheckBox_ZwukClick();

    // Start-up (MainWindow.cpp).
    void setUpWindow();
    void setUpCharts();
    void connectHandlers();
    void FormCreate();
    void loadHelpFiles();
    void showLoadError(const QString& path, const QString& reason);
    void applyDebugLayout();
    void applyNormalLayout();

    // The parameter page (MainWindowParameters.cpp).
    FrameParameters readFrameParameters() const;
    void rebuildFrame();
    void dumpFrameBytes();

    // The send (MainWindowSend.cpp).
    void readAlfa();
    // Plays the _qq.wav just written with the window's feedback; a failure is reported.
    void playSentFile();

    // The PTT trainer (MainWindowTrainer.cpp).
    void redrawPttPreview();
    void fitPttChartWidth();
    void startTrainerRun();
    void stopTrainerRun();
    void advanceTrainerRun();
    void readSoundSwitch();

    std::unique_ptr<Ui::TForm1> ui;
    ProgramState& state_;
    const StartOptions options_;

    // The charts' series, set up once by setUpCharts().
    QLineSeries* filterPlot_ = nullptr; // Chart_Filtr: the filter's output
    QLineSeries* unusedFilterPlot_ = nullptr; // Chart_Filtr: emptied by every send; nothing plots into it
    QLineSeries* signalPlot_ = nullptr; // Chart1: the signal written to _qq.wav
    QLineSeries* pttPattern_ = nullptr; // Chart_PTT: the press pattern
    QLineSeries* pttCursor_ = nullptr; // Chart_PTT: where the run is

    // The trainer's tick: stopped until a run starts it at 10 ms.
    QTimer Timer1 {this};
    // Fires once shortly after the event loop starts and redraws the PTT preview.
    QTimer Timer2 {this};

    std::unique_ptr<SoundOutput> soundOutput_;
    std::unique_ptr<TrainerClock> trainerClock_;
    std::unique_ptr<ToneDevice> toneDevice_;
    PttRunState pttRun_;
    // Set by "старт", cleared by "стоп": a change of the durations halts the tick but the
    // run stays on until its button is pressed again.
    bool running_ = false;
};

} // namespace tarvel
