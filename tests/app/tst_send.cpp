// SPDX-License-Identifier: GPL-3.0-or-later
// "выдать" as a user drives it: the frame is rebuilt from the controls first, _qq.wav and
// 9_fmsig.h land in the working directory, exactly that file is played once, the charts
// show the latest send, the filter's check box and Alfa reach the generator, and a file
// that cannot be written is reported with nothing played. The sound goes to a recording
// fake; the real output is exercised by tests/e2e/send_sound.sh.

#include "Form1Controls.h"
#include "SpinEditTyping.h"
#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/SendFeedback.h"
#include "audio/SoundOutput.h"
#include "audio/WavPlayer.h"
#include "controls/SpinEdit.h"
#include "frame/FrameBuild.h"
#include "signal/WavFiles.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

#include <functional>
#include <memory>

using namespace tarvel;
using tarvel::testing::typeInto;

namespace {

constexpr qsizetype kDefaultSignalSamples = 62'100; // N of the default frame
constexpr qsizetype kTail = kTailSamples; // samples that bypass the filter

// Remembers every playback and what the file held at that moment; reports the progress of a
// 4.923 s sound in `steps` calls, one a second, and comes back with `result`. `afterProgress`
// runs after each, as a user acting while the sound plays would.
class RecordingSound final : public SoundOutput {
public:
    PlaybackResult playToEnd(const QString& path, const PlaybackProgress& progress) override
    {
        played << path;
        QFile file(path);
        contents << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        for (int i = 0; i < steps; ++i) {
            progress(std::int64_t {i} * 1'000'000, kSound_us);
            if (afterProgress)
                afterProgress(i);
        }
        PlaybackResult r = result;
        r.sound_us = kSound_us;
        return r;
    }
    static constexpr std::int64_t kSound_us = 4'923'000;
    int steps = 0;
    std::function<void(int step)> afterProgress;
    PlaybackResult result;
    QStringList played;
    QList<QByteArray> contents;
};

// Counts the paint events a widget gets.
class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// A click and a space key on `button` as the system delivers them: through the event queue.
void postClickAndKey(QWidget* button)
{
    const QPointF centre = QRectF(button->rect()).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(button,
            new QMouseEvent(type, centre, button->mapToGlobal(centre), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier));
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
        QCoreApplication::postEvent(
            button, new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")));
}

QLineSeries* series(QChartView* view, const QString& name)
{
    for (QAbstractSeries* s : view->chart()->series())
        if (s->objectName() == name)
            return qobject_cast<QLineSeries*>(s);
    return nullptr;
}

QValueAxis* axis(QChartView* view, Qt::Orientation orientation)
{
    const QList<QAbstractAxis*> axes = view->chart()->axes(orientation);
    return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis*>(axes.first());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What `tarvel wav` with these options writes as `name`, in a folder of its own.
QByteArray toolOutput(const QStringList& options, const QString& name)
{
    QTemporaryDir folder;
    QProcess tool;
    tool.start(QStringLiteral(TARVEL_CLI_PATH),
        QStringList {QStringLiteral("wav"), QStringLiteral("-C"), folder.path()} + options);
    if (!tool.waitForFinished(60'000) || tool.exitCode() != 0)
        return QByteArray("tarvel wav failed: ") + tool.readAllStandardError();
    return readFile(folder.filePath(name));
}

QString frameText(const Frame& frame)
{
    return QString::fromStdString(frameHex(frame));
}

} // namespace

class TestSend : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<TForm1> form_;
    RecordingSound* sound_ = nullptr;
    std::unique_ptr<testing::Form1Controls> ui;
    QString workingDirectory_;

    void openWindow(const QString& workingDirectory)
    {
        form_.reset();
        state_ = std::make_unique<ProgramState>();
        workingDirectory_ = workingDirectory;
        form_ = std::make_unique<TForm1>(*state_, StartOptions {{}, workingDirectory});
        auto sound = std::make_unique<RecordingSound>();
        sound_ = sound.get();
        form_->setSoundOutput(std::move(sound));
        ui = std::make_unique<testing::Form1Controls>(*form_);
        ui->PageControl1->setCurrentWidget(ui->TabSheet2);
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }

    QString inFolder(const QString& name) const { return QDir(workingDirectory_).filePath(name); }
    QLineSeries* filterPlot() const { return series(ui->Chart_Filtr, QStringLiteral("LineSeries1")); }
    QLineSeries* unusedFilterPlot() const { return series(ui->Chart_Filtr, QStringLiteral("LineSeries2")); }
    QLineSeries* signalPlot() const { return series(ui->Chart1, QStringLiteral("Series1")); }

    // The window's own operation, as main() starts it for the end-to-end tests; the tests
    // that press "выдать" itself click the button.
    void send() { form_->sendFrame(); }

    QMessageBox* messageBox() const { return form_->findChild<QMessageBox*>(); }

    // The sound could not be played: said over the window with the output and the reason
    // in `reasonWords`, the status line says so, and both files were written all the same.
    void expectPlaybackFailure(const QString& device, const QString& reasonWords)
    {
        QMessageBox* box = messageBox();
        QVERIFY(box != nullptr);
        QVERIFY(box->isVisible());
        QCOMPARE(box->icon(), QMessageBox::Critical);
        const QString text = box->text();
        QVERIFY2(text.startsWith(QStringLiteral("Звук не выдан: ")), qPrintable(text));
        QVERIFY2(text.contains(reasonWords), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Устройство вывода: %1.").arg(device)), qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("Файлы _qq.wav и 9_fmsig.h записаны.")), qPrintable(text));
        QCOMPARE(ui->StaticText_Error->text(), QStringLiteral(" *** звук не выдан ***"));
        QCOMPARE(QFileInfo(inFolder(QStringLiteral("_qq.wav"))).size(), qint64 {157'580});
        QVERIFY(QFileInfo::exists(inFolder(QStringLiteral("9_fmsig.h"))));
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY(messageBox() == nullptr);
    }

    // The abandoned send is reported, nothing is played, and the window still works.
    void expectReportedFailure(const QString& failedFile, int playsBefore)
    {
        QMessageBox* box = messageBox();
        QVERIFY(box != nullptr);
        QVERIFY(box->isVisible());
        const QString expected = QStringLiteral("Cannot create file \"%1\". ").arg(failedFile);
        QVERIFY2(box->text().startsWith(expected), qPrintable(box->text()));
        QVERIFY(box->text().size() > expected.size()); // the system's reason follows
        QCOMPARE(sound_->played.size(), playsBefore);

        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY(messageBox() == nullptr);
        ui->SpinEdit_1->setValue(9);
        QTest::mouseClick(ui->Button_FormFile, Qt::LeftButton);
        QCOMPARE(state_->shared.frame[2], 9);
        QVERIFY(ui->Button_Out->isEnabled());
    }

private slots:
    void init()
    {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        openWindow(folder_->path());
    }
    void cleanup()
    {
        form_.reset();
        state_.reset();
        folder_.reset();
    }

    void sendRebuildsTheFrameWritesBothFilesAndPlaysOnce()
    {
        QVERIFY(ui->Button_Out->isHidden());
        QTest::mouseClick(ui->Button_FormFile, Qt::LeftButton);
        QCOMPARE(frameText(state_->shared.frame), frameText(buildFrame(FrameParameters {})));

        // Changed after the last "сформировать": the send must carry it all the same.
        ui->SpinEdit_9->setValue(1500);
        FrameParameters expected;
        expected.pilot_hz = 1500;
        QTest::mouseClick(ui->Button_Out, Qt::LeftButton);
        QCOMPARE(frameText(state_->shared.frame), QString::fromStdString(frameHex(buildFrame(expected))));
        QCOMPARE(ui->Memo_MasIsh->document()->blockCount(), 16);

        // Played once, complete, and the same bytes the command-line tool writes for the
        // first send after start: filter on with Alfa 0.2 (the spin edit showing 2).
        QCOMPARE(sound_->played, QStringList {inFolder(QStringLiteral("_qq.wav"))});
        const QByteArray played = sound_->contents.first();
        QCOMPARE(readFile(inFolder(QStringLiteral("_qq.wav"))), played);
        QCOMPARE(ui->SpinEdit_Alfa->value(), 2);
        const QStringList options = {QStringLiteral("--pilot-hz"), QStringLiteral("1500")};
        QCOMPARE(played, toolOutput(options, QStringLiteral("_qq.wav")));
        QCOMPARE(readFile(inFolder(QStringLiteral("9_fmsig.h"))),
            toolOutput(options, QStringLiteral("9_fmsig.h")));
    }

    void secondSendContinuesThePhase()
    {
        send();
        send();
        QCOMPARE(sound_->played.size(), 2);
        QCOMPARE(frameText(state_->shared.frame), frameText(buildFrame(FrameParameters {})));
        QCOMPARE(signalPlot()->count(), kDefaultSignalSamples);
        const QByteArray& first = sound_->contents.at(0);
        const QByteArray& second = sound_->contents.at(1);
        QCOMPARE(first.size(), second.size());
        const auto header = static_cast<qsizetype>(kWavHeaderSize);
        QCOMPARE(first.left(header), second.left(header));
        QVERIFY(first.mid(44, 32'000) != second.mid(44, 32'000)); // the lead-in starts elsewhere
        // The tail restarts at phase 0 on every send.
        const qsizetype tail = header + 2 * (kDefaultSignalSamples - kTail);
        QCOMPARE(first.mid(tail), second.mid(tail));
    }

    void chartsShowTheLatestSendInOneRange()
    {
        unusedFilterPlot()->append(1.0, 1.0); // must be cleared by the send
        send();
        send();
        QCOMPARE(filterPlot()->count(), kDefaultSignalSamples - kTail);
        QCOMPARE(signalPlot()->count(), kDefaultSignalSamples);
        QCOMPARE(unusedFilterPlot()->count(), 0);
        QCOMPARE(filterPlot()->at(0).x(), 0.0);
        QCOMPARE(
            signalPlot()->at(kDefaultSignalSamples - 1).x(), static_cast<double>(kDefaultSignalSamples - 1));

        // The axes follow the data so the plots can be read.
        QValueAxis* signalX = axis(ui->Chart1, Qt::Horizontal);
        QValueAxis* signalY = axis(ui->Chart1, Qt::Vertical);
        QVERIFY(signalX && signalY);
        QCOMPARE(signalX->min(), 0.0);
        QCOMPARE(signalX->max(), static_cast<double>(kDefaultSignalSamples - 1));
        // The signal swings to about ±30 000: the range holds it with a little room.
        QVERIFY2(signalY->min() <= -29'900 && signalY->min() >= -35'000,
            qPrintable(QString::number(signalY->min())));
        QVERIFY2(signalY->max() >= 29'900 && signalY->max() <= 35'000,
            qPrintable(QString::number(signalY->max())));
        QValueAxis* filterX = axis(ui->Chart_Filtr, Qt::Horizontal);
        QValueAxis* filterY = axis(ui->Chart_Filtr, Qt::Vertical);
        QVERIFY(filterX && filterY);
        QCOMPARE(filterX->max(), static_cast<double>(kDefaultSignalSamples - kTail - 1));
        // Alfa 0.2: the staircase's top level is the 889 Hz lag, 1.396 rad.
        QVERIFY(filterY->max() > 1.39 && filterY->max() < 1.6);
    }

    void filterOffPlotsZerosAndLeavesThePhaseRaw()
    {
        QTest::mouseClick(
            ui->CheckBox_ModFiltr, Qt::LeftButton, {}, QPoint(5, ui->CheckBox_ModFiltr->height() / 2));
        QVERIFY(!ui->CheckBox_ModFiltr->isChecked());
        send();
        QCOMPARE(filterPlot()->count(), kDefaultSignalSamples - kTail);
        for (const QPointF& p : filterPlot()->points())
            QCOMPARE(p.y(), 0.0);
        QCOMPARE(
            sound_->contents.first(), toolOutput({QStringLiteral("--no-filter")}, QStringLiteral("_qq.wav")));
        QCOMPARE(state_->generator.filtrState, 0.0); // untouched while off
    }

    void alfaFollowsItsSpinEdit()
    {
        typeInto(ui->SpinEdit_Alfa, QStringLiteral("50"));
        QCOMPARE(state_->shared.alfa, 0.5);
        ui->SpinEdit_Alfa->stepBy(1);
        QCOMPARE(state_->shared.alfa, 0.51);
        // A text that is no number reads as the minimum.
        typeInto(ui->SpinEdit_Alfa, QStringLiteral("-"));
        QCOMPARE(ui->SpinEdit_Alfa->text(), QStringLiteral("-"));
        QCOMPARE(state_->shared.alfa, 0.0);

        // Alfa 1 lets the phase through: the same signal as with the filter off.
        typeInto(ui->SpinEdit_Alfa, QStringLiteral("100"));
        QCOMPARE(state_->shared.alfa, 1.0);
        send();
        for (const QPointF& p : filterPlot()->points())
            QCOMPARE(p.y(), 0.0);
        QCOMPARE(
            sound_->contents.first(), toolOutput({QStringLiteral("--no-filter")}, QStringLiteral("_qq.wav")));
    }

    void unwritableFolderIsReportedAndNothingPlays()
    {
        // The working directory lies under a regular file: nothing can be created there.
        QFile blocker(folder_->filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        openWindow(folder_->filePath(QStringLiteral("not-a-folder/sub")));
        send();
        expectReportedFailure(inFolder(QStringLiteral("_qq.wav")), 0);
        QCOMPARE(filterPlot()->count(), 0); // cleared, and the generator never ran
    }

    void wavThatIsAFolderIsReportedAndNothingPlays()
    {
        send();
        QCOMPARE(sound_->played.size(), 1);
        QVERIFY(QFile::remove(inFolder(QStringLiteral("_qq.wav"))));
        QVERIFY(QDir(workingDirectory_).mkdir(QStringLiteral("_qq.wav")));
        send();
        expectReportedFailure(inFolder(QStringLiteral("_qq.wav")), 1);
        QCOMPARE(filterPlot()->count(), 0);
        QCOMPARE(signalPlot()->count(), kDefaultSignalSamples); // still the earlier send's
    }

    void tableThatCannotBeWrittenAbandonsTheSend()
    {
        send();
        const QByteArray before = sound_->contents.first();
        QVERIFY(QFile::remove(inFolder(QStringLiteral("9_fmsig.h"))));
        QVERIFY(QDir(workingDirectory_).mkdir(QStringLiteral("9_fmsig.h")));
        send();
        expectReportedFailure(inFolder(QStringLiteral("9_fmsig.h")), 1);
        // The generator ran, so the plots show it; the sound file is the earlier one.
        QCOMPARE(filterPlot()->count(), kDefaultSignalSamples - kTail);
        QFile wav(inFolder(QStringLiteral("_qq.wav")));
        QVERIFY(wav.open(QIODevice::ReadOnly));
        QCOMPARE(wav.readAll(), before);
    }

    // While the sound plays the window paints its progress under a busy cursor, and a click
    // or key given meanwhile is dropped: one click, one send. Afterwards all is as before.
    void duringTheSendProgressShowsAndInputIsDropped()
    {
        QTest::mouseClick(ui->Button_FormFile, Qt::LeftButton);
        const QString statusBefore = ui->StaticText_Error->text();
        PaintCounter painted;
        ui->StaticText_Error->installEventFilter(&painted);
        QStringList shown;
        QList<Qt::CursorShape> cursors;
        QList<int> paints;
        sound_->steps = 5;
        // The hook is cleared right after the send, before any check can return early.
        // cppcheck-suppress danglingLifetime
        sound_->afterProgress = [&](int step) {
            if (step == 0) {
                postClickAndKey(ui->Button_Out);
                postClickAndKey(ui->Button_FormFile);
            }
            shown << ui->StaticText_Error->text();
            cursors << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                       : Qt::ArrowCursor);
            paints << painted.paints;
        };
        QTest::mouseClick(ui->Button_Out, Qt::LeftButton);
        QTest::qWait(100); // anything kept for later would run now
        sound_->afterProgress = {};

        QCOMPARE(sound_->played.size(), 1);
        QCOMPARE(shown,
            (QStringList {QStringLiteral(" выдаётся: 0.0 из 4.9 с"),
                QStringLiteral(" выдаётся: 1.0 из 4.9 с"), QStringLiteral(" выдаётся: 2.0 из 4.9 с"),
                QStringLiteral(" выдаётся: 3.0 из 4.9 с"), QStringLiteral(" выдаётся: 4.0 из 4.9 с")}));
        QCOMPARE(cursors, QList<Qt::CursorShape>(5, Qt::BusyCursor));
        for (qsizetype i = 1; i < paints.size(); ++i) // every new text was painted at once
            QVERIFY2(paints[i] > paints[i - 1], qPrintable(QStringLiteral("no paint before step %1").arg(i)));
        QCOMPARE(ui->StaticText_Error->text(), statusBefore);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(messageBox() == nullptr);
        // The window takes input again.
        QTest::mouseClick(ui->Button_Out, Qt::LeftButton);
        QCOMPARE(sound_->played.size(), 2);
    }

    void aCloseDuringPlayClosesTheWindowOnceTheSoundHasEnded_data()
    {
        QTest::addColumn<bool>("fromTheDesktop");
        QTest::newRow("from the program") << false;
        QTest::newRow("from the desktop") << true;
    }

    // A close asked for while the sound plays is neither carried out at once nor thrown
    // away: the window closes once the sound has ended.
    void aCloseDuringPlayClosesTheWindowOnceTheSoundHasEnded()
    {
        QFETCH(bool, fromTheDesktop);
        QTest::mouseClick(ui->Button_FormFile, Qt::LeftButton);
        QList<bool> shownWhilePlaying;
        sound_->steps = 3;
        // The hook is cleared right after the send, before any check can return early.
        // cppcheck-suppress danglingLifetime
        sound_->afterProgress = [&](int step) {
            if (step == 0 && fromTheDesktop)
                QCoreApplication::postEvent(form_->windowHandle(), new QCloseEvent);
            else if (step == 0)
                form_->close();
            shownWhilePlaying << form_->isVisible();
        };
        QTest::mouseClick(ui->Button_Out, Qt::LeftButton);
        sound_->afterProgress = {};
        QCOMPARE(shownWhilePlaying, QList<bool>(3, true));
        QTRY_VERIFY(!form_->isVisible());
        QCOMPARE(sound_->played.size(), 1);
    }

    void progressTextCountsTenthsOfTheSound()
    {
        QCOMPARE(SendFeedback::progressText(0, 4'923'000), QStringLiteral(" выдаётся: 0.0 из 4.9 с"));
        QCOMPARE(SendFeedback::progressText(2'149'999, 4'923'000), QStringLiteral(" выдаётся: 2.1 из 4.9 с"));
        QCOMPARE(SendFeedback::progressText(6'000'000, 4'923'000), QStringLiteral(" выдаётся: 4.9 из 4.9 с"));
    }

    void playbackFailureIsReportedWithTheOutputAndTheReason_data()
    {
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("shownDevice");
        QTest::addColumn<QString>("reasonWords");
        QTest::addColumn<QString>("movedTo"); // the stream moved there mid-play
        QTest::addColumn<bool>("removed"); // ... because its output went
        QTest::newRow("no output") << static_cast<int>(PlaybackProblem::NoOutput) << QString()
                                   << QStringLiteral("по умолчанию")
                                   << QStringLiteral("нет устройства вывода звука") << QString() << false;
        QTest::newRow("format refused")
            << static_cast<int>(PlaybackProblem::FormatRefused) << QStringLiteral("usb_out (USB Audio)")
            << QStringLiteral("usb_out (USB Audio)") << QStringLiteral("не принимает звук в этом формате")
            << QString() << false;
        QTest::newRow("error mid-play")
            << static_cast<int>(PlaybackProblem::ErrorMidPlay) << QStringLiteral("usb_out (USB Audio)")
            << QStringLiteral("usb_out (USB Audio)") << QStringLiteral("прервалось с ошибкой") << QString()
            << false;
        QTest::newRow("watchdog gave up")
            << static_cast<int>(PlaybackProblem::Stalled) << QStringLiteral("usb_out (USB Audio)")
            << QStringLiteral("usb_out (USB Audio)") << QStringLiteral("ожидание прекращено") << QString()
            << false;
        QTest::newRow("hole mid-play")
            << static_cast<int>(PlaybackProblem::Interrupted) << QStringLiteral("usb_out (USB Audio)")
            << QStringLiteral("usb_out (USB Audio)")
            << QStringLiteral("звук прервался на 300 мс на 2.51 с: интерфейс "
                              "получил испорченный кадр, выдайте ещё раз")
            << QString() << false;
        QTest::newRow("output removed mid-play")
            << static_cast<int>(PlaybackProblem::Interrupted) << QStringLiteral("usb_out (USB Audio)")
            << QStringLiteral("usb_out (USB Audio)")
            << QStringLiteral(
                   "звук прервался на 300 мс на 2.51 с (устройство вывода пропало, звуковой сервер "
                   "перевёл остаток на speakers): интерфейс получил испорченный кадр")
            << QStringLiteral("speakers") << true;
        QTest::newRow("stream moved mid-play")
            << static_cast<int>(PlaybackProblem::Interrupted) << QStringLiteral("usb_out (USB Audio)")
            << QStringLiteral("usb_out (USB Audio)")
            << QStringLiteral(
                   "звук прервался на 300 мс на 2.51 с (звуковой сервер перевёл звук на speakers): "
                   "интерфейс получил испорченный кадр")
            << QStringLiteral("speakers") << false;
    }

    void playbackFailureIsReportedWithTheOutputAndTheReason()
    {
        QFETCH(int, problem);
        QFETCH(QString, device);
        QFETCH(QString, shownDevice);
        QFETCH(QString, reasonWords);
        QFETCH(QString, movedTo);
        QFETCH(bool, removed);
        sound_->result.problem = static_cast<PlaybackProblem>(problem);
        sound_->result.device = device;
        sound_->result.gapAt_us = 2'512'000;
        sound_->result.gap_us = 299'600;
        sound_->result.movedTo = movedTo;
        sound_->result.outputRemoved = removed;
        send();
        QCOMPARE(sound_->played.size(), 1);
        expectPlaybackFailure(shownDevice, reasonWords);
        // A send that plays says "no errors" again.
        sound_->result = {};
        send();
        const QString afterGoodSend = ui->StaticText_Error->text();
        QTest::mouseClick(ui->Button_FormFile, Qt::LeftButton);
        QCOMPARE(afterGoodSend, ui->StaticText_Error->text()); // what a build says
        QVERIFY(messageBox() == nullptr);
    }

    // The real player on a machine without a sound server: said so at once, files written.
    void withoutASoundServerTheSendSaysSo()
    {
        qputenv("PULSE_SERVER", "unix:/nonexistent/tarvel-test-no-server");
        form_->setSoundOutput(std::make_unique<WavPlayer>());
        QElapsedTimer clock;
        clock.start();
        send();
        QVERIFY(clock.elapsed() < WavPlayer::kStallLimit.count());
        expectPlaybackFailure(QStringLiteral("по умолчанию"), QStringLiteral("звуковой сервер не запущен"));
        qunsetenv("PULSE_SERVER");
    }
};

QTEST_MAIN(TestSend)
#include "tst_send.moc"
