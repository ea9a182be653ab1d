// SPDX-License-Identifier: GPL-3.0-or-later
// The programmer page as a user drives it: "сформировать" builds the frame from the controls
// and fills the listings; the enabling rules; typed values that the page clamps or reads as
// the minimum; the byte dump.

#include "Form1Controls.h"
#include "SpinEditTyping.h"
#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "controls/SpinEdit.h"
#include "frame/FrameBuild.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <memory>

using namespace tarvel;
using tarvel::testing::typeInto;

namespace {

// The frame the core builds from the parameters' defaults, which the page's controls show.
const QString kDefaultFrame = QString::fromStdString(frameHex(buildFrame(FrameParameters {})));

QStringList memoLines(const QPlainTextEdit* memo)
{
    QStringList lines;
    for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

QString frameText(const ProgramState& state)
{
    return QString::fromStdString(frameHex(state.shared.frame));
}

} // namespace

class TestParameterPage : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;
    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<testing::Form1Controls> ui;

    // The programmer page shown in an active window, as a user has it after picking its tab.
    void openWindow(const QStringList& arguments = {})
    {
        form_.reset();
        state_ = std::make_unique<ProgramState>();
        form_ = std::make_unique<TForm1>(*state_, StartOptions {arguments, folder_.path()});
        ui = std::make_unique<testing::Form1Controls>(*form_);
        ui->PageControl1->setCurrentWidget(ui->TabSheet2);
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }

    void clickForm() { QTest::mouseClick(ui->Button_FormFile, Qt::LeftButton); }

    void selectKeyingTab(int index)
    {
        QTabBar* bar = ui->PageControl_UprTx->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        QCOMPARE(ui->PageControl_UprTx->currentIndex(), index);
    }

private slots:
    void init() { openWindow(); }
    void cleanup()
    {
        form_.reset();
        state_.reset();
    }

    void defaultFrameAndListings()
    {
        QVERIFY(ui->Button_Out->isHidden());
        QCOMPARE(ui->StaticText_Error->text(), QString());
        clickForm();
        QCOMPARE(frameText(*state_), kDefaultFrame);
        QVERIFY(!ui->Button_Out->isHidden());
        QCOMPARE(ui->StaticText_Error->text(), QStringLiteral(" *** нет ошибок ***"));

        QCOMPARE(memoLines(ui->Memo1),
            (QStringList {QStringLiteral(" 2 -   5"), QStringLiteral(" 3 -   1"), QStringLiteral(" 4 -   6"),
                QStringLiteral(" 5 -   0"), QStringLiteral(" 8 -  20"), QStringLiteral(" 9 -   0"),
                QStringLiteral("10 - 100"), QStringLiteral("11 -   0")}));
        const QStringList listing = memoLines(ui->Memo_MasIsh);
        QCOMPARE(listing.size(), 16);
        QCOMPARE(listing.first(), QStringLiteral(" 0    1"));
        QCOMPARE(listing.at(7), QStringLiteral(" 7   60"));
        QCOMPARE(listing.last(), QStringLiteral("15  108"));
        QCOMPARE(memoLines(ui->Memo2).size(), 14);
    }

    void voxTabSetsKeyingByte()
    {
        selectKeyingTab(1);
        clickForm();
        QCOMPARE(frameText(*state_), QStringLiteral("01 02 05 01 06 01 00 3C 14 00 64 00 1E 28 17 4F"));
        // Switching back changes only the mode; the VOX values stayed as they were.
        selectKeyingTab(0);
        clickForm();
        QCOMPARE(frameText(*state_), kDefaultFrame);
    }

    void checkBox5ClickSequence()
    {
        QVERIFY(!ui->CheckBox_5->isChecked());
        QVERIFY(ui->SpinEdit_5->isEnabled());

        QTest::mouseClick(ui->CheckBox_5, Qt::LeftButton, {}, ui->CheckBox_5->rect().center());
        QVERIFY(ui->CheckBox_5->isChecked());
        QVERIFY(ui->SpinEdit_5->isEnabled());
        clickForm();
        QCOMPARE(state_->shared.frame[6], 60);
        QCOMPARE(state_->shared.frame[14], 0xAB);
        QCOMPARE(state_->shared.frame[15], 0x07);

        QTest::mouseClick(ui->CheckBox_5, Qt::LeftButton, {}, ui->CheckBox_5->rect().center());
        QVERIFY(!ui->CheckBox_5->isChecked());
        QVERIFY(!ui->SpinEdit_5->isEnabled());
        QCOMPARE(ui->SpinEdit_5->value(), 60); // a disabled field keeps its value
        clickForm();
        QCOMPARE(frameText(*state_), kDefaultFrame);
    }

    void enablingRulesRunOnClickOnly()
    {
        // A change of state that is not a click leaves the partners alone.
        ui->CheckBox_5->setChecked(true);
        ui->CheckBox_5->setChecked(false);
        QVERIFY(ui->SpinEdit_5->isEnabled());
        ui->CheckBox_6->setChecked(false);
        QVERIFY(ui->SpinEdit_6->isEnabled());
        QVERIFY(ui->SpinEdit_7->isEnabled());

        ui->CheckBox_6->click(); // on again
        QVERIFY(ui->SpinEdit_6->isEnabled());
        ui->CheckBox_6->click(); // off
        QVERIFY(!ui->SpinEdit_6->isEnabled());
        QVERIFY(!ui->SpinEdit_7->isEnabled());

        ui->CheckBox_8->click();
        QVERIFY(ui->SpinEdit_8->isEnabled());
        ui->CheckBox_8->click();
        QVERIFY(!ui->SpinEdit_8->isEnabled());

        ui->CheckBox_10->click();
        ui->CheckBox_10->click();
        QVERIFY(!ui->SpinEdit_10->isEnabled());
        QVERIFY(!ui->SpinEdit_11->isEnabled());
        QVERIFY(!ui->SpinEdit_12->isEnabled());

        ui->CheckBox_9->click();
        QVERIFY(!ui->SpinEdit_9->isEnabled());
        ui->CheckBox_9->click();
        QVERIFY(ui->SpinEdit_9->isEnabled());
    }

    // Each control reaches its own byte: distinct values everywhere catch a swapped field.
    void everyControlReachesItsByte()
    {
        ui->SpinEdit_1->setValue(77);
        ui->SpinEdit_2->setValue(33);
        ui->SpinEdit_3->setValue(2500);
        ui->CheckBox_5->setChecked(true);
        ui->SpinEdit_5->setValue(200);
        ui->SpinEdit_6->setValue(44);
        ui->SpinEdit_7->setValue(155);
        ui->CheckBox_8->setChecked(true);
        ui->SpinEdit_8->setValue(99);
        ui->SpinEdit_9->setValue(1000);
        ui->CheckBox_10->setChecked(true);
        ui->SpinEdit_10->setValue(26);
        ui->SpinEdit_11->setValue(25);
        ui->SpinEdit_12->setValue(7);
        selectKeyingTab(1);
        clickForm();
        const Frame& f = state_->shared.frame;
        QCOMPARE(f[2], 77);
        QCOMPARE(f[3], 33);
        QCOMPARE(f[4], 50);
        QCOMPARE(f[5], 1);
        QCOMPARE(f[6], 200);
        QCOMPARE(f[7], 44);
        QCOMPARE(f[8], 155);
        QCOMPARE(f[9], 99);
        QCOMPARE(f[10], 50);
        QCOMPARE(f[11], 4); // 26 s wraps
        QCOMPARE(f[12], 250);
        QCOMPARE(f[13], 70);

        // Off boxes gate their own field only: SpinEdit_7, _11 and _12 still count.
        ui->CheckBox_6->setChecked(false);
        ui->CheckBox_10->setChecked(false);
        ui->CheckBox_9->setChecked(false);
        clickForm();
        QCOMPARE(f[7], 0);
        QCOMPARE(f[8], 155);
        QCOMPARE(f[10], 0);
        QCOMPARE(f[11], 0);
        QCOMPARE(f[12], 250);
        QCOMPARE(f[13], 70);
    }

    void typedValueIsClampedBeforeTheBuild()
    {
        typeInto(ui->SpinEdit_9, QStringLiteral("5000"));
        QCOMPARE(ui->SpinEdit_9->text(), QStringLiteral("5000"));
        clickForm();
        QCOMPARE(ui->SpinEdit_9->text(), QString::number(kPilotToneRange_hz.max));
        QCOMPARE(state_->shared.frame[10], 150);

        typeInto(ui->SpinEdit_9, QStringLiteral("2010"));
        clickForm();
        QCOMPARE(state_->shared.frame[10], 100);
    }

    void emptiedOrUnreadableFieldReadsMinimum()
    {
        selectKeyingTab(1);
        typeInto(ui->SpinEdit_3, QString());
        clickForm();
        QCOMPARE(ui->SpinEdit_3->text(), QString());
        QCOMPARE(ui->SpinEdit_3->value(), 0);
        QCOMPARE(state_->shared.frame[4], 0);

        typeInto(ui->SpinEdit_1, QStringLiteral("-"));
        clickForm();
        QCOMPARE(state_->shared.frame[2], 1);

        typeInto(ui->SpinEdit_3, QStringLiteral("49"));
        clickForm();
        QCOMPARE(state_->shared.frame[4], 0);
    }

    void lettersAndEnterAreRefusedByEverySpinEdit()
    {
        const QList<SpinEdit*> spins = form_->findChildren<SpinEdit*>();
        QVERIFY(spins.size() >= 26);
        for (SpinEdit* spin : spins) {
            const QString before = spin->text();
            QSignalSpy refused(spin, &SpinEdit::keyRefused);
            QTest::keyClick(spin, Qt::Key_A);
            QTest::keyClick(spin, Qt::Key_Return);
            QTest::keyClick(spin, Qt::Key_Enter);
            QVERIFY2(refused.count() == 3, qPrintable(spin->objectName()));
            QVERIFY2(spin->text() == before, qPrintable(spin->objectName()));
        }
    }

    void stepsClampAtTheBounds()
    {
        selectKeyingTab(1);
        typeInto(ui->SpinEdit_3, QStringLiteral("2990"));
        QTest::keyClick(ui->SpinEdit_3, Qt::Key_Up);
        QCOMPARE(ui->SpinEdit_3->text(), QString::number(kVoxReleaseRange_ms.max));

        selectKeyingTab(0);
        typeInto(ui->SpinEdit_9, QStringLiteral("310"));
        QTest::keyClick(ui->SpinEdit_9, Qt::Key_Down);
        QCOMPARE(ui->SpinEdit_9->text(), QString::number(kPilotToneRange_hz.min));

        // SpinEdit_11 (hidden): step 2 keeps the odd start until the top bound.
        for (int expected = 5; expected <= 255; expected += 2) {
            ui->SpinEdit_11->stepBy(1);
            QCOMPARE(ui->SpinEdit_11->value(), expected);
        }
        ui->SpinEdit_11->setValue(3);
        ui->SpinEdit_11->stepBy(-1);
        QCOMPARE(ui->SpinEdit_11->value(), 2);
    }

    void buildsDoNotAccumulate()
    {
        clickForm();
        const QString memo1 = ui->Memo1->toPlainText();
        const QString listing = ui->Memo_MasIsh->toPlainText();
        const QString trace = ui->Memo2->toPlainText();
        clickForm();
        QCOMPARE(ui->Memo1->toPlainText(), memo1);
        QCOMPARE(ui->Memo_MasIsh->toPlainText(), listing);
        QCOMPARE(ui->Memo2->toPlainText(), trace);
        QCOMPARE(memoLines(ui->Memo2).size(), 14);
        QCOMPARE(frameText(*state_), kDefaultFrame);
    }

    void byteDumpShowsTheBufferAsItIs()
    {
        // The diagnostic panel, with Button3, is visible in the debug layout.
        openWindow({QStringLiteral("tq")});
        QVERIFY(ui->Button3->isVisible());
        QCOMPARE(memoLines(ui->Memo1), QStringList {QStringLiteral("Memo1")});
        QTest::mouseClick(ui->Button3, Qt::LeftButton);
        QStringList dump = memoLines(ui->Memo1);
        QCOMPARE(dump.size(), 16);
        QCOMPARE(dump.at(0), QStringLiteral("  0  00"));
        QCOMPARE(dump.at(13), QStringLiteral(" 13  00"));
        QCOMPARE(dump.at(14), QStringLiteral(" 14  EE"));
        QCOMPARE(dump.at(15), QStringLiteral(" 15  FF"));
        QVERIFY(ui->Button_Out->isHidden()); // the dump builds nothing

        ui->Button_FormFile->click();
        QTest::mouseClick(ui->Button3, Qt::LeftButton);
        dump = memoLines(ui->Memo1);
        QCOMPARE(dump.size(), 16);
        QCOMPARE(dump.at(0), QStringLiteral("  0  01"));
        QCOMPARE(dump.at(7), QStringLiteral("  7  3C"));
        QCOMPARE(dump.at(14), QStringLiteral(" 14  FC"));
        QCOMPARE(dump.at(15), QStringLiteral(" 15  6C"));
    }
};

QTEST_MAIN(TestParameterPage)
#include "tst_parameterpage.moc"
