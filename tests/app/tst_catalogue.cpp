// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue of the parameter controls, written out here by hand and checked against the
// running window: names, the group each sits in, ranges, steps, defaults, unit labels,
// hints, fonts, visibility and enabled state. Any drift in MainWindow.ui fails here. The
// ranges and defaults of what a user sets for the frame are the frame's table's: this is
// where the window is held to that table.

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "controls/SpinEdit.h"
#include "controls/WrappingCheckBox.h"
#include "frame/FrameLayout.h"

#include <QAbstractButton>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

#include <memory>

using namespace tarvel;

namespace {

constexpr int kNoPos = -1;
constexpr int kSpinHeight = 26;
constexpr int kPoint15px = 11; // 15 px at 96 dpi, as the form stores it

// The page (a QTabWidget page named TabSheet*) that holds a control.
QWidget* pageOf(QWidget* w)
{
    for (QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget()) {
        if (p->objectName().startsWith(QLatin1String("TabSheet")))
            return p;
    }
    return nullptr;
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;
    ProgramState state_;
    std::unique_ptr<TForm1> form_;

    template <class T> T* control(const QString& name) { return form_->findChild<T*>(name); }

    QWidget* checkedControl(const QString& name, const QString& container)
    {
        auto* w = control<QWidget>(name);
        if (w == nullptr)
            return nullptr;
        auto* box = control<QWidget>(container);
        return box != nullptr && box->isAncestorOf(w) ? w : nullptr;
    }

private slots:
    void initTestCase()
    {
        form_ = std::make_unique<TForm1>(state_, StartOptions {{}, folder_.path()});
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanupTestCase() { form_.reset(); }

    void spinEdits_data()
    {
        QTest::addColumn<QString>("container");
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("shownOnPage");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QString>("unit"); // the unit label's text, or null for none
        QTest::addColumn<QRect>("geometry"); // x, y, width given; an empty rect when not fixed
        QTest::addColumn<QPoint>("unitPos");

        auto row = [&](const char* name, const char* box, int lo, int hi, int step, int value, bool shown,
                       bool bold, const char* unit, QRect geometry = QRect(),
                       QPoint unitPos = QPoint(kNoPos, kNoPos)) {
            QTest::newRow(name) << QString::fromUtf8(box) << lo << hi << step << value << shown << bold
                                << (unit != nullptr ? QString::fromUtf8(unit) : QString()) << geometry
                                << unitPos;
        };
        // The programmer page.
        const auto range = [&](const char* name, const char* box, const UserRange& r, const char* unit,
                               QRect geometry, QPoint unitPos) {
            row(name, box, r.min, r.max, r.increment, r.initial, true, true, unit, geometry, unitPos);
        };
        range("SpinEdit_9", "GroupBox28", kPilotToneRange_hz, " (300-3000Гц)", QRect(17, 24, 64, kSpinHeight),
            QPoint(103, 28));
        range("SpinEdit_1", "GroupBox19", kVoxThresholdRange, "*0.1 %    ", QRect(16, 24, 49, kSpinHeight),
            QPoint(76, 28));
        range("SpinEdit_3", "GroupBox26", kVoxReleaseRange_ms, " 0 - 3000 мс", QRect(16, 24, 63, kSpinHeight),
            QPoint(86, 28));
        range("SpinEdit_5", "GroupBox20", kMaxTransmitRange_s, " 5 -  250 сек",
            QRect(17, 24, 56, kSpinHeight), QPoint(82, 28));
        // The hidden page TabSheet10: on their page, but the page has no tab.
        row("SpinEdit_MaxDlitZapRep", "GroupBox4", 1, 64, 1, 64, true, true,
            "Максимальная длительность записи в репитер");
        row("SpinEdit_DlitBip", "GroupBox6", 0, 9, 1, 0, true, false, "длит. (100 мс)");
        row("SpinEdit_UrBip", "GroupBox6", 0, 20, 1, 4, true, false, "уровень (dB)");
        row("SpinEdit_PP_Hour", "GroupBox5", 0, 64, 1, 0, true, true, nullptr);
        row("SpinEdit_PP_Min", "GroupBox5", 0, 60, 1, 30, true, true, nullptr);
        row("SpinEdit_PP_Sek", "GroupBox5", 0, 60, 1, 0, true, true, nullptr);
        row("SpinEdit_UsilADC", "GroupBox13", 0, 20, 1, 0, true, true, nullptr);
        row("SpinEdit_OslDAC", "GroupBox13", 0, 20, 1, 15, true, true, nullptr);
        row("SpinEdit_RegSleep", "GroupBox16", 0, 255, 1, 0, true, true, nullptr);
        row("SpinEdit_T_InPaus1", "GroupBox23", 1, 64, 1, 5, true, true, nullptr);
        row("SpinEdit_T_InPaus2", "GroupBox23", 1, 64, 1, 6, true, true, "Сек");
        row("SpinEdit_SQL0_PorogPerekl", "GroupBox15", 1, 99, 1, 3, true, false, "* 0.1%  от  Umax");
        row("SpinEdit_SQL_PorogPerekl", "GroupBox10", 1, 100, 1, 5, true, false, "*100 мв");
        // GroupBox1 on TabSheet11: hidden with its group.
        row("SpinEdit_2", "GroupBox24", 1, 64, 1, 1, false, true, "* 100 мс        ");
        row("SpinEdit_4", "GroupBox25", 1, 64, 1, 1, false, true, "* 100 мс         ");
        row("SpinEdit_6", "GroupBox22", 0, 64, 1, 60, false, true, "* сек       ");
        row("SpinEdit_7", "GroupBox21", 5, 255, 2, 20, false, true, "* 100 мс");
        row("SpinEdit_8", "GroupBox27", 1, 255, 2, 50, false, true, "* мин");
        row("SpinEdit_10", "GroupBox18", 2, 255, 2, 2, false, true, "Длительность первой PTT");
        row("SpinEdit_11", "GroupBox18", 2, 255, 2, 3, false, true, "Длительность паузы");
        row("SpinEdit_12", "GroupBox18", 2, 255, 2, 4, false, true, "Длительность второй PTT");
        row("SpinEdit5", "Panel1", 1, 100, 1, 5, false, true, nullptr);
    }
    void spinEdits()
    {
        QFETCH(QString, container);
        QFETCH(int, lo);
        QFETCH(int, hi);
        QFETCH(int, step);
        QFETCH(int, value);
        QFETCH(bool, shownOnPage);
        QFETCH(bool, bold);
        QFETCH(QString, unit);
        QFETCH(QRect, geometry);
        QFETCH(QPoint, unitPos);
        const QString name = QString::fromLatin1(QTest::currentDataTag());

        auto* spin = qobject_cast<SpinEdit*>(checkedControl(name, container));
        QVERIFY2(spin != nullptr, "no such spin edit in that group");
        QCOMPARE(spin->minValue(), lo);
        QCOMPARE(spin->maxValue(), hi);
        QCOMPARE(spin->increment(), step);
        QCOMPARE(spin->value(), value);
        QCOMPARE(spin->text(), QString::number(value));
        QVERIFY(!spin->isHidden());
        QCOMPARE(spin->isVisibleTo(pageOf(spin)), shownOnPage);
        QVERIFY(spin->isEnabled());
        QCOMPARE(spin->font().bold(), bold);
        QCOMPARE(spin->font().pointSize(), kPoint15px);
        QCOMPARE(spin->height(), kSpinHeight);
        QCOMPARE(spin->editorEnabled(), name != QLatin1String("SpinEdit_PP_Sek"));
        QCOMPARE(spin->autoSelect(), name != QLatin1String("SpinEdit_PP_Sek"));
        if (!geometry.isEmpty())
            QCOMPARE(spin->geometry(), geometry);

        if (!unit.isNull()) {
            QLabel* label = nullptr;
            for (auto* l : spin->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
                if (l->text() == unit)
                    label = l;
            }
            QVERIFY2(label != nullptr, qPrintable(QStringLiteral("no label \"%1\" beside it").arg(unit)));
            QVERIFY(!label->isHidden());
            QVERIFY2(label->x() >= spin->x() + spin->width(), "the unit label stands right of its field");
            QVERIFY(!label->font().bold());
            if (unitPos.x() != kNoPos)
                QCOMPARE(label->pos(), unitPos);
        }
    }

    void checkBoxes_data()
    {
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QString>("hint");
        auto row = [](const char* name, const char* box, const char* text, bool checked, bool hidden,
                       const char* hint) {
            QTest::newRow(name) << QString::fromUtf8(box) << QString::fromUtf8(text) << checked << hidden
                                << QString::fromUtf8(hint);
        };
        const FrameParameters defaults;
        row("CheckBox_9", "GroupBox28", "", defaults.toneEnabled, true, " разрешить открывать репитер тоном");
        row("CheckBox_5", "GroupBox20", "", defaults.maxTxEnabled, false,
            " разрешить ограничивать время передачи");
        row("CheckBox_6", "GroupBox22", "", true, false, " разрешить входить в состояние ПАУЗА ");
        row("CheckBox_8", "GroupBox27", "", false, false, " разрешить ограничивать  время активности");
        row("CheckBox_10", "GroupBox18", "", false, false, " разрешить открывать-закрывать репитер несущей ");
        row("CheckBox_Zwuk", "GroupBox18", "звук", true, false, "");
        row("CheckBox_Razr_DTMF", "GroupBox2", "Разрешение на открытие-закрытие при помощи DTMF", true, false,
            "");
        row("CheckBox_KF_PRM", "GroupBox7", "приёма", false, false, "");
        row("CheckBox_KF_PRD", "GroupBox7", "передачи", false, false, "");
        row("CheckBox_ZAmOtp", "GroupBox14", "включить", false, false, "");
    }
    void checkBoxes()
    {
        QFETCH(QString, container);
        QFETCH(QString, text);
        QFETCH(bool, checked);
        QFETCH(bool, hidden);
        QFETCH(QString, hint);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        auto* box = qobject_cast<QCheckBox*>(checkedControl(name, container));
        QVERIFY2(box != nullptr, "no such check box in that group");
        QCOMPARE(box->text(), text);
        QCOMPARE(box->isChecked(), checked);
        QCOMPARE(box->isHidden(), hidden);
        QCOMPARE(box->toolTip(), hint);
        QVERIFY(box->isEnabled());
        if (text.isEmpty()) {
            // A caption-less box sits on its group's top frame line.
            QCOMPARE(box->parentWidget()->objectName(), container);
            QCOMPARE(box->y(), 0);
        }
    }

    void dtmfPermissionWrapsItsCaption()
    {
        QVERIFY(qobject_cast<WrappingCheckBox*>(control<QCheckBox>(QStringLiteral("CheckBox_Razr_DTMF")))
            != nullptr);
    }

    void captionLessBoxesOfTheProgrammerPage()
    {
        QCOMPARE(control<QCheckBox>(QStringLiteral("CheckBox_9"))->geometry(), QRect(352, 0, 17, 17));
        QCOMPARE(control<QCheckBox>(QStringLiteral("CheckBox_5"))->geometry(), QRect(7, 0, 16, 17));
    }

    void groupBoxes_data()
    {
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QRect>("geometry");
        auto row = [](const char* name, const char* in, const char* title, bool hidden = false,
                       QRect geometry = {}) {
            QTest::newRow(name) << QString::fromUtf8(in) << QString::fromUtf8(title) << hidden << geometry;
        };
        row("GroupBox33", "TabSheet2", "Параметры ", false, QRect(5, 5, 822, 401));
        row("GroupBox28", "TabSheet8", " 1) Частота открывающего сигнала ", false, QRect(7, 7, 394, 57));
        row("GroupBox32", "TabSheet9", " Включение передачи по VOX", false, QRect(5, 0, 396, 203));
        row("GroupBox19", "GroupBox32", "  1)  Порог срабатывания вокса  ", false, QRect(16, 21, 369, 57));
        row("GroupBox26", "GroupBox32", "  3)  Задержка на отпускание VOX  ", false, QRect(16, 81, 369, 65));
        row("GroupBox20", "GroupBox33", "        2) Максимальное время непрерывной передачи ", false,
            QRect(11, 236, 359, 58));
        row("GroupBox2", "TabSheet10", "  1  Коды  открытия - закрытия  ");
        row("GroupBox4", "TabSheet10", "");
        row("GroupBox6", "TabSheet10", "  параметры бипера  ");
        row("GroupBox5", "TabSheet10", " Период повторения позывного  ");
        row("GroupBox7", "TabSheet10", "  корректирующие фильтры   ");
        row("GroupBox13", "TabSheet10", " Усиление АЦП        Ослабление ЦАП  ");
        row("GroupBox14", "TabSheet10", " замедлитель отпускания  ");
        row("GroupBox16", "TabSheet10", " Экономичный режим ");
        row("GroupBox23", "TabSheet10", " Время вхождения в режим \"паузу\" ");
        row("GroupBox8", "TabSheet10", "  детектор открытия шумодава ");
        row("GroupBox15", "TabSheet4", " порог включения ");
        row("GroupBox10", "TabSheet5", " порог переключения  ");
        row("RadioGroup_SQL_AktUr", "TabSheet5", " активный уровень ");
        row("GroupBox1", "TabSheet11", " Параметры ", true, QRect(8, 64, 841, 497));
        row("GroupBox24", "GroupBox1", "2) Задержка на включение передачи ");
        row("GroupBox25", "GroupBox1", " 4)  Минимальная пауза  между  передачами  ");
        row("GroupBox22", "GroupBox1", " 6)  Время для вхождения в состояние - ПАУЗА");
        row("GroupBox21", "GroupBox1", " 7) Время выхода из состояния - ПАУЗА ");
        row("GroupBox27", "GroupBox1", " 8) Максимальное время активности");
        row("GroupBox18", "GroupBox1", " 10) сигнал открытия закрытия репитера");
        row("GroupBox29", "GroupBox1", " установки ", true);
    }
    void groupBoxes()
    {
        QFETCH(QString, container);
        QFETCH(QString, title);
        QFETCH(bool, hidden);
        QFETCH(QRect, geometry);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        auto* box = qobject_cast<QGroupBox*>(checkedControl(name, container));
        QVERIFY2(box != nullptr, "no such group box there");
        QCOMPARE(box->title(), title);
        QCOMPARE(box->isHidden(), hidden);
        if (!geometry.isEmpty())
            QCOMPARE(box->geometry(), geometry);
    }

    void groupFonts()
    {
        auto font
            = [this](const char* name) { return control<QGroupBox>(QString::fromLatin1(name))->font(); };
        QCOMPARE(font("GroupBox32").pointSize(), 10); // 13 px
        QCOMPARE(font("GroupBox20").pointSize(), 9); // 12 px
        QCOMPARE(font("GroupBox5").pointSize(), 12); // 16 px
        QCOMPARE(font("GroupBox2").pointSize(), kPoint15px);
        QVERIFY(font("GroupBox2").bold());
    }

    void keyingModeTabs()
    {
        auto* pages = control<QTabWidget>(QStringLiteral("PageControl_UprTx"));
        QVERIFY(pages != nullptr);
        QCOMPARE(pages->geometry(), QRect(6, 28, 411, 189));
        QCOMPARE(pages->count(), 2);
        QCOMPARE(pages->widget(0)->objectName(), QStringLiteral("TabSheet8"));
        QCOMPARE(pages->widget(1)->objectName(), QStringLiteral("TabSheet9"));
        QCOMPARE(pages->tabText(0), QStringLiteral(" По Пилот-Сигналу        "));
        QCOMPARE(pages->tabText(1), QStringLiteral(" По VOX"));
        QCOMPARE(pages->currentIndex(), FrameParameters {}.keyingMode);
        QVERIFY(!pages->tabIcon(0).isNull());
        QVERIFY(!pages->tabIcon(1).isNull());
        QVERIFY(pages->tabBar()->font().bold());
        QCOMPARE(pages->tabBar()->font().pixelSize(), 16);
        QVERIFY(pages->isVisibleTo(control<QWidget>(QStringLiteral("TabSheet2"))));
    }

    void squelchTabsAndRadioGroup()
    {
        auto* pages = qobject_cast<QTabWidget*>(
            checkedControl(QStringLiteral("PageControl_SQL"), QStringLiteral("GroupBox8")));
        QVERIFY(pages != nullptr);
        QCOMPARE(pages->count(), 2);
        QCOMPARE(pages->widget(0)->objectName(), QStringLiteral("TabSheet4"));
        QCOMPARE(pages->tabText(0), QStringLiteral("   по НЧ сигналу   "));
        QCOMPARE(pages->tabText(1), QStringLiteral("   сигнал SQL    "));
        QCOMPARE(pages->currentIndex(), 0);
        QVERIFY(!pages->tabIcon(1).isNull());
        QCOMPARE(pages->tabBar()->font().pixelSize(), 15);
        QVERIFY(pages->tabBar()->font().bold());
        // Tabs drawn as buttons: the others raised (light top edge, dark bottom edge), the
        // selected one pressed in (the other way round).
        const QImage row = pages->tabBar()->grab().toImage();
        const auto edgeContrast = [&row, pages](int tab) {
            const QRect r = pages->tabBar()->tabRect(tab);
            return qGray(row.pixel(r.center().x(), r.top())) - qGray(row.pixel(r.center().x(), r.bottom()));
        };
        QVERIFY2(edgeContrast(1) > 40, "an unselected tab is not raised");
        QVERIFY2(edgeContrast(0) < -40, "the selected tab is not pressed in");

        const auto items
            = control<QGroupBox>(QStringLiteral("RadioGroup_SQL_AktUr"))->findChildren<QRadioButton*>();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0)->text(), QStringLiteral("высокий"));
        QCOMPARE(items.at(1)->text(), QStringLiteral("низкий"));
        QVERIFY(!items.at(0)->isChecked());
        QVERIFY(items.at(1)->isChecked());
    }

    void dtmfCodes_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("pattern");
        auto row = [](const char* name, const char* label, const char* pattern) {
            QTest::newRow(name) << QString::fromUtf8(label) << QString::fromLatin1(pattern);
        };
        row("LabeledEdit_KodOtkrPols", "   пользовательский  Код открытия   ", "[0-9]{4}");
        row("LabeledEdit_KodZakrPols", "   пользовательский  Код закрытия   ", "[*#A-D]");
        row("LabeledEdit_KodOtkrAdmin", "   Код  открытия  Администратора ", "[0-9]{4}");
        row("LabeledEdit_KodZakrAdm", "   Код  закрытия  Администратора ", "[0-9]");
        row("LabelEdit_KodPolz", "   Код  перехода в режим пользователя", "[0-9]{4}");
    }
    void dtmfCodes()
    {
        QFETCH(QString, label);
        QFETCH(QString, pattern);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        auto* edit = qobject_cast<QLineEdit*>(checkedControl(name, QStringLiteral("GroupBox2")));
        auto* caption = qobject_cast<QLabel*>(
            checkedControl(name + QStringLiteral("_Label"), QStringLiteral("GroupBox2")));
        QVERIFY(edit != nullptr);
        QVERIFY(caption != nullptr);
        QVERIFY2(
            QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(edit->text()).hasMatch(),
            qPrintable(edit->text()));
        QCOMPARE(edit->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(edit->font().pointSize(), kPoint15px);
        QCOMPARE(caption->text(), label);
        QCOMPARE(caption->font().pointSize(), kPoint15px);
        QVERIFY(caption->x() >= edit->x() + edit->width());
    }

    void otherLabels()
    {
        QCOMPARE(control<QLabel>(QStringLiteral("SpinEdit_DlitBip_Unit"))->toolTip(),
            QStringLiteral("длительность (100 мс)"));
        bool periodLabel = false;
        for (auto* l : control<QGroupBox>(QStringLiteral("GroupBox5"))->findChildren<QLabel*>())
            periodLabel |= l->text() == QStringLiteral("часы      минуты   секунды");
        QVERIFY(periodLabel);
        auto* label22
            = qobject_cast<QLabel*>(checkedControl(QStringLiteral("Label22"), QStringLiteral("GroupBox1")));
        QVERIFY(label22 != nullptr);
        QCOMPARE(label22->text(), QStringLiteral("00 02"));
        auto* label13
            = qobject_cast<QLabel*>(checkedControl(QStringLiteral("Label13"), QStringLiteral("Panel1")));
        QVERIFY(label13 != nullptr);
        QCOMPARE(label13->text(),
            QStringLiteral("1)     Тмин  для Радиостанции_1                     * 100 мс       Тмин  для "
                           "Радиостанции_1"));
        QCOMPARE(control<QLabel>(QStringLiteral("Panel1"))->text(), QStringLiteral("Panel1"));
        QVERIFY(control<QWidget>(QStringLiteral("GroupBox1"))
                    ->isAncestorOf(control<QWidget>(QStringLiteral("Panel1"))));
        // Panel1 lies outside GroupBox1's area.
        QVERIFY(!control<QWidget>(QStringLiteral("GroupBox1"))
                     ->rect()
                     .contains(control<QWidget>(QStringLiteral("Panel1"))->geometry()));
    }

    void commands()
    {
        auto* form = qobject_cast<QPushButton*>(
            checkedControl(QStringLiteral("Button_FormFile"), QStringLiteral("Panel3")));
        auto* out = qobject_cast<QPushButton*>(
            checkedControl(QStringLiteral("Button_Out"), QStringLiteral("Panel3")));
        auto* status = qobject_cast<QLabel*>(
            checkedControl(QStringLiteral("StaticText_Error"), QStringLiteral("Panel3")));
        QVERIFY(form && out && status);
        QCOMPARE(control<QWidget>(QStringLiteral("Panel3"))->geometry(), QRect(20, 414, 282, 81));
        QCOMPARE(pageOf(form), control<QWidget>(QStringLiteral("TabSheet2")));
        QCOMPARE(form->text(), QStringLiteral("сформировать"));
        QCOMPARE(form->geometry(), QRect(16, 8, 121, 33));
        QVERIFY(!form->isHidden());
        QCOMPARE(out->text(), QStringLiteral("выдать"));
        QCOMPARE(out->geometry(), QRect(152, 8, 121, 33));
        QVERIFY(out->isHidden());
        QVERIFY(out->font().bold());
        QCOMPARE(out->font().pointSize(), 12);
        QCOMPARE(status->text(), QString());
        QCOMPARE(status->geometry(), QRect(16, 48, 257, 25));
        QCOMPARE(status->font().pointSize(), kPoint15px);
        QVERIFY(!status->font().bold());
        // A click on a button must take the focus, so a spin edit is clamped before the command.
        QVERIFY(form->focusPolicy() & Qt::ClickFocus);
    }

    void inertSettingsButtons()
    {
        auto* read = qobject_cast<QPushButton*>(
            checkedControl(QStringLiteral("Button1"), QStringLiteral("GroupBox29")));
        auto* save = qobject_cast<QPushButton*>(
            checkedControl(QStringLiteral("Button4"), QStringLiteral("GroupBox29")));
        QVERIFY(read && save);
        QCOMPARE(read->text(), QStringLiteral("считать"));
        QCOMPARE(save->text(), QStringLiteral("сохранит"));
    }

    void pttGroup()
    {
        const QString group = QStringLiteral("GroupBox18");
        auto* shape = checkedControl(QStringLiteral("Shape_PTT"), group);
        QVERIFY(shape != nullptr);
        QCOMPARE(shape->geometry(), QRect(328, 16, 89, 41));
        QCOMPARE(shape->toolTip(),
            QStringLiteral("для открытия-закрытия репитера нажмите тангенту в соответствии с этим сигналом"));
        auto* label = qobject_cast<QLabel*>(checkedControl(QStringLiteral("Label_PTT"), group));
        QVERIFY(label != nullptr);
        QCOMPARE(label->text(), QStringLiteral("передача"));
        QCOMPARE(label->pos(), QPoint(337, 28));
        QVERIFY(label->font().bold());
        auto* start = qobject_cast<QPushButton*>(checkedControl(QStringLiteral("Button_Sound"), group));
        QVERIFY(start != nullptr);
        QCOMPARE(start->text(), QStringLiteral("старт"));
        QCOMPARE(start->toolTip(), QStringLiteral("передать сигнал открытия-закрытия репитера"));
        QCOMPARE(start->geometry(), QRect(328, 96, 89, 25));

        auto* view = qobject_cast<QChartView*>(checkedControl(QStringLiteral("Chart_PTT"), group));
        QVERIFY(view != nullptr);
        QCOMPARE(view->geometry(), QRect(8, 136, 417, 97));
        QChart* chart = view->chart();
        QVERIFY(!chart->legend()->isVisible());
        QVERIFY(chart->title().isEmpty());
        const auto series = chart->series();
        QCOMPARE(series.size(), 2);
        auto* s2 = qobject_cast<QLineSeries*>(series.at(0));
        auto* s3 = qobject_cast<QLineSeries*>(series.at(1));
        QVERIFY(s2 && s3);
        QCOMPARE(s2->name(), QStringLiteral("Series2"));
        QCOMPARE(s2->pen().color(), QColor(Qt::blue));
        QCOMPARE(s2->pen().width(), 2);
        QVERIFY(s2->pointsVisible());
        QCOMPARE(s3->name(), QStringLiteral("Series3"));
        QCOMPARE(s3->pen().color(), QColor(Qt::red));
        QCOMPARE(s3->pen().style(), Qt::DotLine);
        QVERIFY(!s3->lightMarker().isNull());
        auto* x = qobject_cast<QValueAxis*>(chart->axes(Qt::Horizontal).value(0));
        auto* y = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
        QVERIFY(x && y);
        QCOMPARE(x->min(), -2.5);
        QCOMPARE(y->min(), -0.5);
        QCOMPARE(y->max(), 1.5);
    }
};

QTEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
