#pragma once
// TForm1: the programmer's main window. Every control, position, text and default lives in
// Unit1.ui; this class holds the handlers, the wiring and the start-up work of FormCreate.

#include "app/ProgramState.h"
#include "audio/SoundOutput.h"
#include "trainer/PttRun.h"
#include "trainer/ToneDriver.h"
#include "trainer/TrainerClock.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>

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

    // The named controls of Unit1.ui, reachable as they are in the form description.
    Ui::TForm1* const ui;

    ProgramState& programState() { return state_; }

    // Trainer tick: created disabled at 1 ms; the trainer run starts it at 10 ms and stops it.
    QTimer Timer1;
    // Fires once shortly after the event loop starts; its tick redraws the PTT pattern
    // preview once that preview exists.
    QTimer Timer2;

    // The outer size the normal layout asks for, frame included, and the client area it
    // leaves inside the standard frame (8 px sides and bottom, 29 px caption bar).
    static constexpr QSize kNormalOuterSize {869, 576};
    static constexpr QSize kNormalClientSize {869 - 16, 576 - 37};

    // Moves the window to the centre of the screen it is on (before it is first shown).
    void centreOnScreen();
    // Shows page `index` of PageControl1 instead of the one the layout chose. The page
    // without a tab, and an index that names no page, leave the layout's choice.
    void showStartPage(int index);

    void Button2Click();
    void Timer2Timer();

    // The parameter page (Unit1Parameters.cpp): enabling rules, "сформировать", byte dump.
    void CheckBox_5Click();
    void CheckBox_6Click();
    void CheckBox_8Click();
    void CheckBox_9Click();
    void CheckBox_10Click();
    void Button_FormFileClick();
    void Button3Click();

    // The send (Unit1Send.cpp): the modulation filter's controls and "выдать".
    void SpinEdit_AlfaChange();
    void CheckBox_ModFiltrClick();
    void Button_OutClick();
    // Where "выдать" plays _qq.wav: the default sound output unless a test puts its own.
    void setSoundOutput(std::unique_ptr<SoundOutput> output);

    // The PTT trainer (Unit1Trainer.cpp): the pattern preview, the run and its sound switch.
    void SpinEdit_10Change();
    void Button_SoundClick();
    void Timer1Timer();
    void CheckBox_ZwukClick();
    // The trainer's clock and beeps: the local clock and the default sound output unless a
    // test puts its own (no tone device: beeps only wait their length).
    void setTrainerClock(std::unique_ptr<TrainerClock> clock);
    void setToneDevice(std::unique_ptr<ToneDevice> device);
    const PttRunState& pttRun() const { return pttRun_; }

private:
    void setUpWindow();
    void setUpCharts();
    void connectHandlers();
    void setUpParameterControls();
    FrameParameters readFrameParameters() const;
    void setUpSendControls();
    void setUpTrainerControls();

    void FormCreate();
    void loadHelpFiles();
    void showLoadError(const QString& path, const QString& reason);
    void applyDebugLayout();
    void applyNormalLayout();

    ProgramState& state_;
    const StartOptions options_;
    std::unique_ptr<SoundOutput> soundOutput_;
    std::unique_ptr<TrainerClock> trainerClock_;
    std::unique_ptr<ToneDevice> toneDevice_;
    PttRunState pttRun_;
};

} // namespace tarvel
