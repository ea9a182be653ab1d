// SPDX-License-Identifier: GPL-3.0-or-later
// "выдать" through a real sound server. Run by tests/e2e/send_window.sh inside its private
// PulseAudio (it skips anywhere else): the window sends parameters that differ from the
// defaults, the default sink's monitor is recorded meanwhile, and the recording decodes to
// the frame the window built; the send returns only after the sound, and says no errors.
// An output suspended mid-send is told in the "Звук не выдан" box.

#include "Form1Controls.h"
#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "audio/SoundRecorder.h"
#include "decode/RecordingReader.h"
#include "frame/FrameBuild.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace tarvel;

class TestSendSound : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("TARVEL_SOUND_SANDBOX"))
            QSKIP("needs the private sound server of tests/e2e/send_window.sh");
    }

    void nonDefaultParametersArriveAsTheWindowsFrame()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        ProgramState state;
        TForm1 form(state, StartOptions {{}, folder.path()});
        testing::Form1Controls ui(form);
        ui.PageControl1->setCurrentWidget(ui.TabSheet2);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.PageControl_UprTx->setCurrentIndex(1); // VOX
        ui.SpinEdit_1->setValue(37);
        ui.SpinEdit_3->setValue(1200);
        ui.CheckBox_5->setChecked(true);
        ui.SpinEdit_5->setValue(120);
        ui.SpinEdit_9->setValue(1500);

        SoundRecorder recorder;
        QVERIFY2(recorder.start(monitorOf(qEnvironmentVariable("TARVEL_SOUND_SANDBOX").toStdString())),
            recorder.error().c_str());
        QTest::qWait(500); // the monitor running with its small buffer before the lead-in
        QTest::mouseClick(ui.Button_FormFile, Qt::LeftButton);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(ui.Button_Out, Qt::LeftButton);
        const qint64 sent_ms = clock.elapsed();
        QTest::qWait(300);
        const std::vector<std::int16_t> heard = recorder.stop();
        QVERIFY2(recorder.error().empty(), recorder.error().c_str());

        QVERIFY2(sent_ms >= 4'923, qPrintable(QString::number(sent_ms)));
        QVERIFY(form.findChild<QMessageBox*>() == nullptr);
        const QString afterSend = ui.StaticText_Error->text();
        QTest::mouseClick(ui.Button_FormFile, Qt::LeftButton);
        QCOMPARE(afterSend, ui.StaticText_Error->text()); // what a build says: no failure
        QVERIFY(state.shared.frame != buildFrame(FrameParameters {}));

        std::vector<float> samples(heard.size());
        std::transform(heard.begin(), heard.end(), samples.begin(),
            [](std::int16_t s) { return static_cast<float>(s) / 32768.0f; });
        const DecodeResult read = decodeSamples(samples, SoundRecorder::kSampleRate_hz);
        QVERIFY2(read.crcOk(), read.reason.c_str());
        QCOMPARE(QString::fromStdString(frameHex(read.frame)),
            QString::fromStdString(frameHex(state.shared.frame)));
    }

    void anOutputSuspendedMidSendIsToldInTheBox()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        ProgramState state;
        TForm1 form(state, StartOptions {{}, folder.path()});
        testing::Form1Controls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QString sink = qEnvironmentVariable("TARVEL_SOUND_SANDBOX");
        QProcess suspender;
        suspender.start(QStringLiteral("sh"),
            {QStringLiteral("-c"),
                // Timed from the stream reaching the server, not from the click: a busy machine
                // may take seconds to start the send, and a suspension before the sound is no hole.
                QStringLiteral("for i in $(seq 300); do [ -n \"$(pactl list short sink-inputs)\" ] && break; "
                               "sleep 0.05; done; sleep 2; pactl suspend-sink %1 1; sleep 0.3; "
                               "pactl suspend-sink %1 0")
                    .arg(sink)});
        QVERIFY(suspender.waitForStarted());
        QTest::mouseClick(ui.Button_FormFile, Qt::LeftButton);
        QTest::mouseClick(ui.Button_Out, Qt::LeftButton);
        // Done already, or about to be: the send reports the hole once the output plays again.
        QVERIFY(suspender.state() == QProcess::NotRunning || suspender.waitForFinished());
        QCOMPARE(suspender.exitCode(), 0);

        auto* box = form.findChild<QMessageBox*>();
        QVERIFY(box != nullptr);
        QVERIFY2(box->text().startsWith(QStringLiteral("Звук не выдан: звук прервался на ")),
            qPrintable(box->text()));
        QVERIFY2(box->text().contains(QStringLiteral("интерфейс получил испорченный кадр, выдайте ещё раз")),
            qPrintable(box->text()));
        QCOMPARE(ui.StaticText_Error->text(), QStringLiteral(" *** звук не выдан ***"));
    }
};

QTEST_MAIN(TestSendSound)
#include "tst_sendsound.moc"
