// SPDX-License-Identifier: GPL-3.0-or-later
// The spin edit's own rules, driven by real key, mouse and focus events in a shown window.
#include "controls/SpinEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWidget>

#include <memory>

using tarvel::SpinEdit;

namespace {

// A window with one spin edit and a button that can take the focus away from it.
struct Fixture {
    QWidget window;
    SpinEdit* spin = nullptr;
    QPushButton* button = nullptr;

    Fixture(int lo, int hi, int step, int start)
    {
        auto* layout = new QVBoxLayout(&window);
        spin = new SpinEdit(&window);
        spin->setMinValue(lo);
        spin->setMaxValue(hi);
        spin->setIncrement(step);
        spin->setValue(start);
        button = new QPushButton(QStringLiteral("go"), &window);
        layout->addWidget(spin);
        layout->addWidget(button);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    void focusSpin()
    {
        spin->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(spin->hasFocus());
    }

    // Empties the field the way a user does, then types `text`.
    void retype(const QString& text)
    {
        focusSpin();
        spin->findChild<QLineEdit*>()->selectAll();
        QTest::keyClick(spin, Qt::Key_Backspace);
        QTest::keyClicks(spin, text);
    }

    void leave()
    {
        button->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(!spin->hasFocus());
    }
};

QPoint arrowCentre(SpinEdit* spin, QStyle::SubControl which)
{
    QStyleOptionSpinBox opt;
    opt.initFrom(spin);
    opt.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame;
    opt.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    opt.buttonSymbols = QAbstractSpinBox::UpDownArrows;
    return spin->style()->subControlRect(QStyle::CC_SpinBox, &opt, which, spin).center();
}

} // namespace

class TestSpinEdit : public QObject {
    Q_OBJECT

private slots:
    void readsTextAsWholeNumberElseMinimum_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "1234" << 1234;
        QTest::newRow("plus sign") << "+7" << 7;
        QTest::newRow("negative below range") << "-20" << -20;
        QTest::newRow("above range, unclamped") << "5000" << 5000;
        QTest::newRow("empty") << "" << 300;
        QTest::newRow("lone minus") << "-" << 300;
        QTest::newRow("lone plus") << "+" << 300;
        QTest::newRow("decimal") << "20.5" << 300;
        QTest::newRow("two signs") << "+-5" << 300;
        QTest::newRow("sign inside") << "5-5" << 300;
        QTest::newRow("huge saturates") << "99999999999999999999" << 2147483647;
        QTest::newRow("huge negative saturates") << "-99999999999999999999" << (-2147483647 - 1);
    }
    void readsTextAsWholeNumberElseMinimum()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        SpinEdit spin;
        spin.setMinValue(300);
        spin.setMaxValue(3000);
        spin.findChild<QLineEdit*>()->setText(text);
        QCOMPARE(spin.value(), expected);
    }

    void typingAcceptsDigitsSignsAndSeparatorOnly()
    {
        Fixture f(0, 3000, 50, 300);
        QSignalSpy refused(f.spin, &SpinEdit::keyRefused);
        f.retype(QStringLiteral("12"));
        QCOMPARE(f.spin->text(), QStringLiteral("12"));
        QCOMPARE(refused.count(), 0);

        QTest::keyClicks(f.spin, QStringLiteral("a"));
        QTest::keyClick(f.spin, Qt::Key_Space);
        QTest::sendKeyEvent(QTest::Click, f.spin, Qt::Key_unknown, QStringLiteral("Ж"), Qt::NoModifier);
        QTest::keyClicks(f.spin, QStringLiteral(","));
        QCOMPARE(f.spin->text(), QStringLiteral("12"));
        QCOMPARE(refused.count(), 4);

        QTest::keyClick(f.spin, Qt::Key_Return);
        QTest::keyClick(f.spin, Qt::Key_Enter);
        QCOMPARE(refused.count(), 6);
        QCOMPARE(f.spin->text(), QStringLiteral("12"));

        // The separator of the field's locale, and both signs, are typed as they are.
        f.spin->setLocale(QLocale::c());
        QTest::keyClicks(f.spin, QStringLiteral(".+-"));
        QCOMPARE(f.spin->text(), QStringLiteral("12.+-"));
        QCOMPARE(refused.count(), 6);
        QCOMPARE(f.spin->value(), 0); // not a whole number: the minimum
    }

    // Pasting bypasses the key filter: the same characters are refused there.
    void pasteTakesOnlyWhatCouldBeTyped()
    {
        Fixture f(0, 3000, 50, 300);
        f.retype(QStringLiteral("7"));
        QApplication::clipboard()->setText(QStringLiteral("abc"));
        QTest::keyClick(f.spin, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.spin->text(), QStringLiteral("7"));
        QApplication::clipboard()->setText(QStringLiteral("1 2"));
        QTest::keyClick(f.spin, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.spin->text(), QStringLiteral("7"));

        QApplication::clipboard()->setText(QStringLiteral("12"));
        QTest::keyClick(f.spin, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.spin->text(), QStringLiteral("712"));
        QCOMPARE(f.spin->value(), 712);
        f.spin->findChild<QLineEdit*>()->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("-5000"));
        QTest::keyClick(f.spin, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.spin->text(), QStringLiteral("-5000")); // out of range, kept until the field is left
    }

    void editingKeysPass()
    {
        Fixture f(0, 3000, 50, 300);
        QSignalSpy refused(f.spin, &SpinEdit::keyRefused);
        f.retype(QStringLiteral("123"));
        QTest::keyClick(f.spin, Qt::Key_Left);
        QTest::keyClick(f.spin, Qt::Key_Backspace);
        QTest::keyClick(f.spin, Qt::Key_Home);
        QTest::keyClick(f.spin, Qt::Key_Delete);
        QTest::keyClick(f.spin, Qt::Key_End);
        QTest::keyClicks(f.spin, QStringLiteral("9"));
        QCOMPARE(f.spin->text(), QStringLiteral("39"));
        QCOMPARE(refused.count(), 0);
    }

    void outOfRangeTypedValueStaysUntilFocusLeaves()
    {
        Fixture f(300, 3000, 50, 2000);
        f.retype(QStringLiteral("5000"));
        QCOMPARE(f.spin->text(), QStringLiteral("5000"));
        QCOMPARE(f.spin->value(), 5000);
        f.leave();
        QCOMPARE(f.spin->text(), QStringLiteral("3000"));

        f.retype(QStringLiteral("-7"));
        f.leave();
        QCOMPARE(f.spin->text(), QStringLiteral("300"));

        f.retype(QStringLiteral("2010"));
        f.leave();
        QCOMPARE(f.spin->text(), QStringLiteral("2010")); // in range: kept off the step grid
    }

    void emptiedFieldStaysEmptyAndReadsMinimum()
    {
        Fixture f(0, 3000, 50, 300);
        f.retype(QString());
        f.leave();
        QCOMPARE(f.spin->text(), QString());
        QCOMPARE(f.spin->value(), 0);
    }

    void buttonClickTakesFocusBeforeItsHandlerRuns()
    {
        Fixture f(300, 3000, 50, 2000);
        QCOMPARE(f.button->focusPolicy() & Qt::ClickFocus, Qt::ClickFocus);
        int seen = -1;
        QObject::connect(f.button, &QPushButton::clicked, [&] { seen = f.spin->value(); });
        f.retype(QStringLiteral("5000"));
        QTest::mouseClick(f.button, Qt::LeftButton);
        QCOMPARE(seen, 3000);
    }

    void stepsClampAtBounds_data()
    {
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("up to max") << 0 << 3000 << 50 << 2990 << int(Qt::Key_Up) << 3000;
        QTest::newRow("down to min") << 300 << 3000 << 50 << 310 << int(Qt::Key_Down) << 300;
        QTest::newRow("up at max stays") << 1 << 100 << 1 << 100 << int(Qt::Key_Up) << 100;
        QTest::newRow("down from 3 by 2") << 2 << 255 << 2 << 3 << int(Qt::Key_Down) << 2;
        QTest::newRow("up from out of range") << 300 << 3000 << 50 << 5000 << int(Qt::Key_Up) << 3000;
        QTest::newRow("no overflow at int max")
            << 0 << 2147483647 << 1000 << 2147483647 << int(Qt::Key_Up) << 2147483647;
    }
    void stepsClampAtBounds()
    {
        QFETCH(int, lo);
        QFETCH(int, hi);
        QFETCH(int, step);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, expected);
        Fixture f(lo, hi, step, start);
        f.focusSpin();
        QTest::keyClick(f.spin, Qt::Key(key));
        QCOMPARE(f.spin->value(), expected);
    }

    void stepKeepsParityUntilBound()
    {
        Fixture f(2, 255, 2, 3);
        f.focusSpin();
        for (int expected = 5; expected <= 255; expected += 2) {
            QTest::keyClick(f.spin, Qt::Key_Up);
            QCOMPARE(f.spin->value(), expected);
        }
        QTest::keyClick(f.spin, Qt::Key_Up);
        QCOMPARE(f.spin->value(), 255);
    }

    void emptiedFieldStepsFromMinimum()
    {
        Fixture f(5, 250, 1, 60);
        f.retype(QString());
        QTest::keyClick(f.spin, Qt::Key_Up);
        QCOMPARE(f.spin->text(), QStringLiteral("6"));
    }

    void arrowButtonsStepWithTheMouse()
    {
        Fixture f(0, 3000, 50, 2990);
        f.spin->resize(80, 26);
        QTest::mouseClick(f.spin, Qt::LeftButton, {}, arrowCentre(f.spin, QStyle::SC_SpinBoxUp));
        QCOMPARE(f.spin->value(), 3000);
        QTest::mouseClick(f.spin, Qt::LeftButton, {}, arrowCentre(f.spin, QStyle::SC_SpinBoxDown));
        QCOMPARE(f.spin->value(), 2950);
    }

    void changedFiresAsTextChanges()
    {
        Fixture f(0, 3000, 50, 300);
        QSignalSpy changed(f.spin, &SpinEdit::changed);
        f.retype(QStringLiteral("45"));
        // select-all + Backspace empties (1), then two digits (2).
        QCOMPARE(changed.count(), 3);
        QTest::keyClick(f.spin, Qt::Key_Up);
        QCOMPARE(changed.count(), 4);
        f.spin->setValue(7);
        QCOMPARE(changed.count(), 5);
    }

    void typingSwitchedOffLeavesOnlyTheArrows()
    {
        Fixture f(0, 60, 1, 0);
        f.spin->setEditorEnabled(false);
        f.spin->setAutoSelect(false);
        QSignalSpy refused(f.spin, &SpinEdit::keyRefused);
        f.focusSpin();
        QTest::keyClicks(f.spin, QStringLiteral("5"));
        QTest::keyClick(f.spin, Qt::Key_Backspace);
        QCOMPARE(f.spin->text(), QStringLiteral("0"));
        QCOMPARE(refused.count(), 2);
        QTest::keyClick(f.spin, Qt::Key_Up);
        QTest::keyClick(f.spin, Qt::Key_Up);
        QCOMPARE(f.spin->value(), 2);
    }

    void autoSelectDecidesSelectionOnEntry()
    {
        Fixture f(0, 60, 1, 30);
        auto* edit = f.spin->findChild<QLineEdit*>();
        f.spin->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(f.spin->hasFocus());
        QCOMPARE(edit->selectedText(), QStringLiteral("30"));
        f.leave();
        f.spin->setAutoSelect(false);
        f.spin->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(f.spin->hasFocus());
        QCOMPARE(edit->selectedText(), QString());
    }

    void wheelDoesNotStep()
    {
        Fixture f(0, 3000, 50, 300);
        f.focusSpin();
        const QPoint centre = f.spin->rect().center();
        QWheelEvent wheel(centre, f.spin->mapToGlobal(centre), {}, QPoint(0, 120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.spin, &wheel);
        QCOMPARE(f.spin->value(), 300);
    }
};

QTEST_MAIN(TestSpinEdit)
#include "tst_spinedit.moc"
