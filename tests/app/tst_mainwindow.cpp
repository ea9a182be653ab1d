// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: start-up state, the two layouts and the command-line cases that choose
// them, the help files, the focus order, the title page, and the ways the program ends.

#include "BuildVersion.h"
#include "Form1Controls.h"
#include "app/ImageLists.h"
#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/TitlePhoto.h"
#include "controls/Label3D.h"
#include "controls/RichTextView.h"
#include "controls/SpinEdit.h"
#include "shared/VersionText.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QLineSeries>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStringDecoder>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QWheelEvent>

#include <memory>

#include <sys/stat.h>

using namespace tarvel;

namespace {

const QString kHelp2Missing = QStringLiteral("  *****  Не найден  файл:    'help2.rtf'");
const QString kHelp3Missing = QStringLiteral("  *****  Не найден  файл:    'help3.rtf'");
const QString kInstructionFirstLine = QStringLiteral("*** Для входа в режим программирования:");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFixture(const QString& name)
{
    QFile f(QStringLiteral(TARVEL_TEST_DATA_DIR "/rtf/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Collapses runs of blanks and drops empty lines, so that texts compare by their characters.
QString normalised(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString l = line.simplified();
        if (!l.isEmpty())
            lines << l;
    }
    return lines.join(QLatin1Char('\n'));
}

QString plain(const RichTextView* view)
{
    return view->document()->toPlainText().replace(QChar::Nbsp, QLatin1Char(' '));
}

QList<QMessageBox*> messageBoxes(const QWidget& form)
{
    return form.findChildren<QMessageBox*>();
}

// Starts the window program offscreen in `folder`; it quits once shown.
void startProgram(QProcess& program, const QString& folder, const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TARVEL_QUIT_AFTER_SHOWN", "1");
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(folder);
    program.start(QStringLiteral(TARVEL_PROGRAMMER_PATH), arguments);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<QTemporaryDir> folder_;

    QString inFolder(const QString& name) const { return folder_->filePath(name); }

    std::unique_ptr<TForm1> open(const QStringList& arguments)
    {
        state_ = std::make_unique<ProgramState>();
        return std::make_unique<TForm1>(*state_, StartOptions {arguments, folder_->path()});
    }

private slots:
    void init()
    {
        // A fresh, empty working folder for every case.
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
    }

    void programStateStartsWithTheInitialisedValues()
    {
        const ProgramState state;
        QVERIFY(state.sound.soundOn);
        QCOMPARE(state.shared.frame[14], 0xEE);
        QCOMPARE(state.shared.frame[15], 0xFF);
        QCOMPARE(state.shared.alfa, 0.2);
        QCOMPARE(state.generator.filtrState, 0.0);
    }

    void layoutFollowsTheFirstArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("debug");
        QTest::newRow("none") << QStringList {} << false;
        QTest::newRow("tq") << QStringList {"tq"} << true;
        QTest::newRow("tq then more") << QStringList {"tq", "x"} << true;
        QTest::newRow("upper case") << QStringList {"TQ"} << false;
        QTest::newRow("leading blank") << QStringList {" tq"} << false;
        QTest::newRow("trailing blank") << QStringList {"tq "} << false;
        QTest::newRow("longer") << QStringList {"tq2"} << false;
        QTest::newRow("second argument") << QStringList {"x", "tq"} << false;
        QTest::newRow("empty first") << QStringList {"", "tq"} << false;
    }

    void layoutFollowsTheFirstArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, debug);
        auto form = open(arguments);
        const testing::Form1Controls ui(*form);

        QCOMPARE(ui.GroupBox11->isHidden(), !debug);
        QCOMPARE(ui.GroupBox_MasPer->isHidden(), !debug);
        QCOMPARE(ui.Chart1->isHidden(), !debug);
        // Debug keeps the page the form opens on; normal opens on the title page.
        QCOMPARE(ui.PageControl1->currentWidget(), debug ? ui.TabSheet3 : ui.TabSheet1);
        // Never resizable, in either layout.
        QCOMPARE(form->minimumSize(), form->maximumSize());
        if (debug) {
            // Grown to hold every visible control: GroupBox11 ends at 1000 + 353, Chart_Filtr at 544 + 193.
            QCOMPARE(form->size(), QSize(1353, 737));
        } else {
            QCOMPARE(form->size(), TForm1::kNormalClientSize);
            QCOMPARE(form->size(), QSize(853, 539));
        }
        // Unchanged by either layout.
        QVERIFY(ui.GroupBox1->isHidden());
        QVERIFY(!ui.PageControl1->isTabVisible(5));
        QVERIFY(messageBoxes(*form).isEmpty());
    }

    void windowHasItsCaptionFrameAndPages()
    {
        auto form = open({});
        const testing::Form1Controls ui(*form);
        QCOMPARE(form->windowTitle(), QStringLiteral(" Программатор    интерфейса     Tarvel  v22.1"));
        const Qt::WindowFlags flags = form->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!form->windowIcon().isNull());

        const QList<QWidget*> pages = {ui.TabSheet1, ui.TabSheet2, ui.TabSheet3, ui.TabSheet6, ui.TabSheet7,
            ui.TabSheet10, ui.TabSheet11};
        const QStringList captions = {"", "Программатор", " Вход в режим программирования ", "", "", "", ""};
        QCOMPARE(ui.PageControl1->count(), pages.size());
        for (int i = 0; i < pages.size(); ++i) {
            QCOMPARE(ui.PageControl1->widget(i), pages[i]);
            QCOMPARE(ui.PageControl1->tabText(i), captions[i]);
            QVERIFY2(!ui.PageControl1->tabIcon(i).isNull(), qPrintable(pages[i]->objectName()));
            QCOMPARE(ui.PageControl1->isTabVisible(i), i != 5);
        }
        // Each tab shows its own picture of ImageList2.
        const QList<QIcon> images = imageList2();
        const int imageOfTab[] = {0, 1, 2, 3, 4, 7, 6};
        for (int i = 0; i < pages.size(); ++i) {
            QCOMPARE(ui.PageControl1->tabIcon(i).pixmap(16).toImage(),
                images.value(imageOfTab[i]).pixmap(16).toImage());
        }
    }

    void topLevelControlsKeepTheirOrderAndVisibility()
    {
        auto form = open({});
        const testing::Form1Controls ui(*form);
        QStringList names;
        QStringList shown;
        for (QObject* child : form->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (w == nullptr || w->isWindow())
                continue;
            names << w->objectName();
            if (!w->isHidden())
                shown << w->objectName();
        }
        QCOMPARE(names,
            (QStringList {"GroupBox_MasPer", "Button2", "PageControl1", "GroupBox11", "RichEdit4",
                "Chart_Filtr", "GroupBox30"}));
        QCOMPARE(shown, (QStringList {"Button2", "PageControl1", "RichEdit4", "Chart_Filtr", "GroupBox30"}));
        // Only the page control lies inside the client area; the rest stays out of view.
        const QRect client = form->rect();
        for (QObject* child : form->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (w == nullptr || w->isWindow())
                continue;
            QCOMPARE(client.contains(w->geometry()), w == ui.PageControl1);
            QVERIFY2(!client.intersects(w->geometry()) || w == ui.PageControl1, qPrintable(w->objectName()));
        }
    }

    void focusVisitsTheTopLevelControlsButton2First()
    {
        auto form = open({"tq"});
        const QStringList expected = {"Button2", "GroupBox_MasPer", "PageControl1", "GroupBox11", "RichEdit4",
            "Chart_Filtr", "GroupBox30"};
        // Walk the focus chain once round and note, for every widget that Tab can reach, the
        // top-level control it belongs to; each control's first appearance gives the order.
        QStringList seen;
        for (QWidget* w = form->nextInFocusChain(); w != form.get(); w = w->nextInFocusChain()) {
            if (!(w->focusPolicy() & Qt::TabFocus))
                continue;
            QWidget* top = w;
            while (top->parentWidget() != nullptr && top->parentWidget() != form.get())
                top = top->parentWidget();
            if (top->parentWidget() == form.get() && !top->isWindow() && !seen.contains(top->objectName()))
                seen << top->objectName();
        }
        QCOMPARE(seen, expected);
    }

    void tabGoesRoundTheProgrammerPage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("normal") << QStringList {};
        QTest::newRow("debug") << QStringList {"tq"};
    }

    // After "сформировать" Tab goes from control to control, never into one out of view (but
    // the exit button, which holds the focus at start) nor stuck in a multi-line view (none of
    // them takes a tab character), and comes back round.
    void tabGoesRoundTheProgrammerPage()
    {
        QFETCH(QStringList, arguments);
        auto form = open(arguments);
        const testing::Form1Controls ui(*form);
        ui.PageControl1->setCurrentWidget(ui.TabSheet2);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::mouseClick(ui.Button_FormFile, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), ui.Button_FormFile);
        const auto viewTexts = [&form] {
            QStringList texts;
            for (const QTextEdit* view : form->findChildren<QTextEdit*>())
                texts << view->toPlainText();
            for (const QPlainTextEdit* view : form->findChildren<QPlainTextEdit*>())
                texts << view->toPlainText();
            return texts;
        };
        const QStringList texts = viewTexts();

        QStringList visited;
        QWidget* previous = ui.Button_FormFile;
        for (int step = 0; step < 200; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            QVERIFY(now != nullptr);
            QVERIFY2(now != previous, qPrintable(now->objectName() + " keeps the focus"));
            if (now == ui.Button_FormFile)
                break;
            const QRect place(now->mapTo(form.get(), QPoint(0, 0)), now->size());
            QVERIFY2(form->rect().intersects(place) || now == ui.Button2,
                qPrintable(now->objectName() + " is out of view"));
            visited << now->objectName();
            previous = now;
        }
        QCOMPARE(QApplication::focusWidget(), ui.Button_FormFile);
        QVERIFY(visited.contains(QStringLiteral("Button_Out")));
        QCOMPARE(visited.contains(QStringLiteral("RichEdit4")), !arguments.isEmpty());
        QCOMPARE(visited.contains(QStringLiteral("Memo_MasIsh")), !arguments.isEmpty());
        QCOMPARE(viewTexts(), texts);
    }

    // A help page's text is left by Tab too, not given a tab character.
    void tabLeavesAHelpPage()
    {
        auto form = open({});
        const testing::Form1Controls ui(*form);
        ui.PageControl1->setCurrentWidget(ui.TabSheet3);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        ui.RichEdit1->setFocus();
        const QString before = ui.RichEdit1->toPlainText();
        QTest::keyClick(ui.RichEdit1, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != ui.RichEdit1);
        QCOMPARE(ui.RichEdit1->toPlainText(), before);
    }

    // TabSheet10 has no tab and stays out of reach: the arrow keys, Ctrl+Tab and the wheel
    // in the page row pass over it, and a start page naming it leaves the layout's page.
    void pageWithoutATabCannotBeReached()
    {
        auto form = open({});
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTabWidget* pages = testing::Form1Controls(*form).PageControl1;
        QTabBar* row = pages->tabBar();
        const auto wheel = [row](int angle) {
            const QPointF at = row->tabRect(row->currentIndex()).center();
            QWheelEvent event(at, row->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(row, &event);
        };
        const int help3 = 4;
        const int last = 6;

        pages->setCurrentIndex(help3);
        QTest::keyClick(row, Qt::Key_Right);
        QCOMPARE(pages->currentIndex(), last);
        QTest::keyClick(row, Qt::Key_Left);
        QCOMPARE(pages->currentIndex(), help3);
        QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(pages->currentIndex(), last);
        wheel(120);
        QCOMPARE(pages->currentIndex(), help3);
        wheel(-120);
        QCOMPARE(pages->currentIndex(), last);

        form->showPage(5);
        QCOMPARE(pages->currentIndex(), last);
        form->showPage(2);
        QCOMPARE(pages->currentIndex(), 2);
        form->showPage(7);
        QCOMPARE(pages->currentIndex(), 2);
    }

    // The exit button has the focus at start; a click on a page's tab moves it to that page
    // control, so that a Space typed next cannot end the program.
    void aClickOnATabGivesItsPageControlTheFocus()
    {
        auto form = open({});
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        const testing::Form1Controls ui(*form);
        QCOMPARE(QApplication::focusWidget(), ui.Button2);

        bool ended = false;
        connect(ui.Button2, &QPushButton::clicked, [&ended] { ended = true; });
        for (QTabWidget* pages : {ui.PageControl1, ui.PageControl_UprTx}) {
            if (pages == ui.PageControl_UprTx)
                ui.PageControl1->setCurrentIndex(1);
            QTabBar* row = pages->tabBar();
            const int other = pages->currentIndex() == 1 ? 0 : 1;
            QTest::mouseClick(row, Qt::LeftButton, {}, row->tabRect(other).center());
            QCOMPARE(pages->currentIndex(), other);
            QCOMPARE(QApplication::focusWidget(), row);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        }
        QVERIFY(!ended);
    }

    void controlsStartWithTheFormsValues()
    {
        auto form = open({});
        const testing::Form1Controls ui(*form);
        QCOMPARE(ui.Memo1->toPlainText(), QStringLiteral("Memo1"));
        QCOMPARE(ui.Memo2->toPlainText(), QStringLiteral("Memo1"));
        QCOMPARE(ui.Memo_MasIsh->toPlainText(), QStringLiteral("Memo1"));
        QCOMPARE(ui.RichEdit4->toPlainText(), QStringLiteral("RichEdit4"));
        QVERIFY(ui.CheckBox_RasKS->isChecked());
        QVERIFY(ui.CheckBox_ModFiltr->isChecked());
        QCOMPARE(ui.CheckBox_ModFiltr->text(), QStringLiteral("Модуляционный фильтр"));
        QCOMPARE(ui.SpinEdit_Alfa->value(), 2);
        QCOMPARE(ui.SpinEdit_Alfa->maxValue(), 100);
        QCOMPARE(ui.SpinEdit_dF->value(), 0);
        QCOMPARE(ui.SpinEdit_dF->minValue(), -100);
        QCOMPARE(ui.ComboBox1->count(), 16);
        QCOMPARE(ui.ComboBox1->itemText(15), QStringLiteral("F"));
        QCOMPARE(ui.ComboBox1->currentText(), QStringLiteral("0"));
        QCOMPARE(ui.Button2->toolTip(), QStringLiteral("выход"));
        // The send button appears only after the first "сформировать".
        auto* sendButton = form->findChild<QWidget*>(QStringLiteral("Button_Out"));
        QVERIFY(sendButton != nullptr);
        QVERIFY(sendButton->isHidden());
        // Alfa stays 0.2 although the spin edit shows 2.
        QCOMPARE(state_->shared.alfa, 0.2);
    }

    void chartsCarryTheirSeries()
    {
        auto form = open({});
        const testing::Form1Controls ui(*form);
        const QList<QAbstractSeries*> filter = ui.Chart_Filtr->chart()->series();
        QCOMPARE(filter.size(), 2);
        auto* line1 = qobject_cast<QLineSeries*>(filter[0]);
        auto* line2 = qobject_cast<QLineSeries*>(filter[1]);
        QVERIFY(line1 && line2);
        QCOMPARE(line1->pen().color(), QColor(Qt::blue));
        QCOMPARE(line1->pen().width(), 2);
        QVERIFY(line1->pointsVisible());
        QCOMPARE(line2->pen().color(), QColor(Qt::red));
        QCOMPARE(line2->pen().style(), Qt::DotLine);
        QVERIFY(!ui.Chart_Filtr->chart()->legend()->isVisible());

        const QList<QAbstractSeries*> signal = ui.Chart1->chart()->series();
        QCOMPARE(signal.size(), 1);
        auto* series1 = qobject_cast<QLineSeries*>(signal[0]);
        QVERIFY(series1);
        QCOMPARE(series1->pen().color(), QColor(Qt::red));
        QVERIFY(!series1->pointsVisible());
    }

    // Timer2's one redraw is the trainer test's; the trainer's tick waits for "старт".
    void trainerTickIsStoppedAtStart()
    {
        auto form = open({});
        QVERIFY(!testing::Form1Controls(*form).Timer1->isActive());
    }

    void titlePageShowsLabelsAndPhotograph()
    {
        auto form = open({});
        const testing::Form1Controls ui(*form);
        QCOMPARE(ui.Label3D1->text(), QStringLiteral(" Программатор  интерфейса  Tarvel "));
        QCOMPARE(ui.Label3D2->text(), QStringLiteral("Россия 2019"));
        QCOMPARE(ui.Label3D1->labelStyle(), TLabel3D::lsRaised);
        QCOMPARE(ui.Label3D2->labelStyle(), TLabel3D::lsRaised);
        QCOMPARE(ui.Label3D1->glub(), 1);
        QCOMPARE(ui.Label3D1->palette().color(QPalette::WindowText), QColor(128, 128, 0));
        QCOMPARE(ui.Label3D1->pos(), QPoint(121, 18));
        QCOMPARE(ui.Label3D2->pos(), QPoint(361, 457));
        QVERIFY(!ui.Label3D1->transparent()); // opaque on the window's face colour
        QVERIFY(!ui.Label3D2->transparent());

        const QImage photo = loadTitlePhoto();
        QCOMPARE(photo.size(), QSize(1451, 582));
        // Scaled down into 522 x 180 keeping its proportions: the height decides.
        const QPixmap shown = ui.Image2->pixmap();
        QCOMPARE(shown.height(), 180);
        QVERIFY(qAbs(shown.width() - 1451 * 180 / 582) <= 1);
        QCOMPARE(ui.Image2->geometry(), QRect(1, 3, 522, 180));
        QCOMPARE(ui.Image2->alignment(), Qt::AlignLeft | Qt::AlignTop);
        QCOMPARE(ui.Image2->parentWidget(), ui.Panel2);
    }

    void helpPagesKeepTheirDefaultsWithoutFiles()
    {
        auto form = open({});
        const testing::Form1Controls ui(*form);
        const QStringList lines = plain(ui.RichEdit1).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines[0], kInstructionFirstLine);
        QCOMPARE(lines[1], QString());
        QCOMPARE(lines[4], QStringLiteral("3)  Подключите кабель USB. "));
        QCOMPARE(lines[11], QStringLiteral("     USB кабель."));
        QCOMPARE(lines[12], QString());

        for (const auto& [view, text] :
            {std::pair {ui.RichEdit2, kHelp2Missing}, std::pair {ui.RichEdit3, kHelp3Missing}}) {
            QCOMPARE(plain(view), QStringLiteral("\n") + text);
            const QTextBlock warning = view->document()->lastBlock();
            QCOMPARE(warning.begin().fragment().charFormat().foreground().color(), QColor(Qt::red));
            QCOMPARE(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        }
        QCOMPARE(ui.RichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(!ui.RichEdit1->isReadOnly());
        QVERIFY(messageBoxes(*form).isEmpty());
    }

    void helpFilesAreReadFromTheWorkingFolder_data()
    {
        QTest::addColumn<QByteArray>("help2");
        QTest::addColumn<QString>("expected");
        const QByteArray wordpad = readFixture("wordpad_cp1251.rtf");
        QVERIFY(!wordpad.isEmpty());
        QTest::newRow("cp1251 rtf") << wordpad
                                    << QString::fromUtf8(readFixture("wordpad_cp1251.expected.txt"));
        QTest::newRow("unicode escapes") << QByteArray(
            "{\\rtf1\\ansi\\uc1 \\u1055?\\u1088?\\u1080?\\u1074?\\u1077?\\u1090? \\u8212? ok\\par}")
                                         << QStringLiteral("Привет — ok");
        QTest::newRow("plain utf-8") << QByteArray("Просто текст\nвторая строка")
                                     << QStringLiteral("Просто текст\nвторая строка");
        QStringEncoder toCp1251("windows-1251");
        const QByteArray cp1251 = toCp1251.encode(QStringLiteral("Текст в cp1251"));
        QTest::newRow("plain cp1251") << cp1251 << QStringLiteral("Текст в cp1251");
    }

    // Only help2.rtf is present: page 1 keeps the instructions, page 3 the red line.
    void helpFilesAreReadFromTheWorkingFolder()
    {
        QFETCH(QByteArray, help2);
        QFETCH(QString, expected);
        writeFile(inFolder("help2.rtf"), help2);
        auto form = open({});
        const testing::Form1Controls ui(*form);
        QCOMPARE(normalised(plain(ui.RichEdit2)), normalised(expected));
        QVERIFY(plain(ui.RichEdit1).startsWith(kInstructionFirstLine));
        QCOMPARE(plain(ui.RichEdit3), QStringLiteral("\n") + kHelp3Missing);
        QVERIFY(messageBoxes(*form).isEmpty());
    }

    // The help page the program ships: read as Russian text by the window's own reader, and
    // stating for each field of the programmer page the range and default the field has.
    void shippedHelp2TellsEachFieldsRangeAndDefault()
    {
        QFile shipped(QStringLiteral(TARVEL_SHIPPED_HELP_DIR "/help2.rtf"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        const QByteArray rtf = shipped.readAll();
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
        writeFile(inFolder("help2.rtf"), rtf);
        auto form = open({});
        const testing::Form1Controls ui(*form);
        const QString text = normalised(plain(ui.RichEdit2));
        QVERIFY(messageBoxes(*form).isEmpty());
        QVERIFY2(text.startsWith(QStringLiteral("Устанавливаемые параметры")), qPrintable(text.left(80)));
        for (const QString& phrase : {QStringLiteral("«сформировать»"), QStringLiteral("«выдать»"),
                 ui.GroupBox28->title().simplified(), ui.GroupBox19->title().simplified(),
                 ui.GroupBox26->title().simplified(), ui.GroupBox20->title().simplified(),
                 ui.CheckBox_5->toolTip().simplified()})
            QVERIFY2(text.contains(phrase), qPrintable(phrase));
        for (const SpinEdit* field : {ui.SpinEdit_9, ui.SpinEdit_1, ui.SpinEdit_3, ui.SpinEdit_5}) {
            const QString range = QStringLiteral("%1 – %2").arg(field->minValue()).arg(field->maxValue());
            const QString byDefault = QStringLiteral("По умолчанию: %1").arg(field->value());
            QVERIFY2(text.contains(range), qPrintable(field->objectName() + ": " + range));
            QVERIFY2(text.contains(byDefault), qPrintable(field->objectName() + ": " + byDefault));
        }
    }

    void allThreeHelpFilesLoad()
    {
        writeFile(inFolder("help1.rtf"), "{\\rtf1 first\\par}");
        writeFile(inFolder("help2.rtf"), "{\\rtf1 second\\par}");
        writeFile(inFolder("help3.rtf"), "{\\rtf1 third\\par}");
        auto form = open({});
        const testing::Form1Controls ui(*form);
        QCOMPARE(normalised(plain(ui.RichEdit1)), QStringLiteral("first"));
        QCOMPARE(normalised(plain(ui.RichEdit2)), QStringLiteral("second"));
        QCOMPARE(normalised(plain(ui.RichEdit3)), QStringLiteral("third"));
    }

    void aFolderNamedLikeAHelpFileCountsAsMissing()
    {
        QVERIFY(QDir(folder_->path()).mkdir("help2.rtf"));
        auto form = open({});
        const testing::Form1Controls ui(*form);
        QCOMPARE(plain(ui.RichEdit2), QStringLiteral("\n") + kHelp2Missing);
        QVERIFY(messageBoxes(*form).isEmpty());
    }

    // A help file that cannot be loaded is reported in a box, and the steps after it still
    // run: the next help file loads and the layout is chosen as usual.
    void aBrokenHelpFileIsReportedAndStartUpGoesOn_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("normal") << QStringList {};
        QTest::newRow("debug") << QStringList {"tq"};
    }

    void aBrokenHelpFileIsReportedAndStartUpGoesOn()
    {
        QFETCH(QStringList, arguments);
        // A FIFO: nobody will ever write to it, and start-up must not wait for that.
        QCOMPARE(::mkfifo(QFile::encodeName(inFolder("help1.rtf")).constData(), 0600), 0);
        writeFile(inFolder("help3.rtf"), "{\\rtf1 third\\par}");
        auto form = open(arguments);
        const testing::Form1Controls ui(*form);

        const QList<QMessageBox*> boxes = messageBoxes(*form);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0]->text(), QString::fromUtf8(RichTextView::kNotARegularFile));
        QVERIFY(boxes[0]->informativeText().endsWith(QStringLiteral("help1.rtf")));
        QTRY_VERIFY(boxes[0]->isVisible());

        QVERIFY(plain(ui.RichEdit1).startsWith(kInstructionFirstLine)); // left as it was
        QCOMPARE(normalised(plain(ui.RichEdit3)), QStringLiteral("third"));
        const bool debug = !arguments.isEmpty();
        QCOMPARE(ui.PageControl1->currentWidget(), debug ? ui.TabSheet3 : ui.TabSheet1);
        QCOMPARE(ui.GroupBox11->isHidden(), !debug);
        QCOMPARE(form->size(), debug ? QSize(1353, 737) : QSize(853, 539));

        boxes[0]->accept();
        QTRY_VERIFY(messageBoxes(*form).isEmpty()); // closes and goes away
    }

    void button2EndsTheEventLoopWithStatusZero()
    {
        auto form = open({});
        const testing::Form1Controls ui(*form);
        form->show();
        QTimer::singleShot(0, ui.Button2, &QPushButton::click);
        // If the click did not end the loop, this would, with a status the test rejects.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
        guard.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(guard.isActive());
    }

#ifdef TARVEL_PROGRAMMER_PATH
    // The real program, as a process: it starts, shows the window and ends cleanly in both
    // layouts, and says in one line that it has no display instead of crashing.
    void programStartsAndEnds_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("normal") << QStringList {};
        QTest::newRow("debug") << QStringList {"tq"};
    }

    void programStartsAndEnds()
    {
        QFETCH(QStringList, arguments);
        QProcess program;
        startProgram(program, folder_->path(), arguments);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    // Only the first argument is looked at: options of the toolkit after it (here a platform
    // that does not exist, which the toolkit would stop on) change nothing.
    void toolkitOptionsOnTheCommandLineAreIgnored()
    {
        QProcess program;
        startProgram(program, folder_->path(),
            {"x", "-platform", "no-such-platform", "-style", "no-such-style", "-reverse", "-title", "X"});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    // "--version" and "--help" as the first argument print and end, with no display needed;
    // as a later argument, or with anything after them, they change nothing.
    void programPrintsItsVersionAndHelp()
    {
        const auto runProgram = [](const QStringList& arguments, const QString& redirect = {}) {
            QProcess program;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("WAYLAND_DISPLAY");
            env.remove("QT_QPA_PLATFORM");
            program.setProcessEnvironment(env);
            if (!redirect.isEmpty())
                program.setStandardOutputFile(redirect);
            program.start(QStringLiteral(TARVEL_PROGRAMMER_PATH), arguments);
            program.waitForFinished(30000);
            return std::make_pair(program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()));
        };
        const auto [versionStatus, version] = runProgram({"--version"});
        QCOMPARE(versionStatus, 0);
        QCOMPARE(version, QString::fromStdString(versionText("tarvel-programmer", kVersion, kRevision)));
        const auto [helpStatus, help] = runProgram({"--help"});
        QCOMPARE(helpStatus, 0);
        QVERIFY2(help.contains(QStringLiteral("tq")) && help.contains(QStringLiteral("--user-folder")),
            qPrintable(help));
        // Not the first argument: the window starts, and without a display it says so.
        QCOMPARE(runProgram({"x", "--version"}).first, 3);
        if (QFile::exists(QStringLiteral("/dev/full")))
            QCOMPARE(runProgram({"--help"}, QStringLiteral("/dev/full")).first, 1);
    }

    // The caption's version is the program's version.
    void captionCarriesTheBuildVersion()
    {
        auto form = open({});
        QVERIFY(form->windowTitle().endsWith(QStringLiteral("v") + QString::fromLatin1(kVersion)));
    }

    // The menu's start (--user-folder, after the layout's argument too): the files of a send
    // land in the user's folder, not the current one.
    void menuStartWorksInTheUserFolder()
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("TARVEL_USER_FOLDER");
        env.insert("XDG_DATA_HOME", folder_->filePath("data"));
        env.insert("TARVEL_TEST_SEND", "quit");
        env.remove("PULSE_SERVER"); // no sound needed: the files are what counts
        program.setProcessEnvironment(env);
        const QString start = folder_->filePath("start");
        QVERIFY(QDir().mkpath(start));
        program.setWorkingDirectory(start);
        program.start(QStringLiteral(TARVEL_PROGRAMMER_PATH), {"tq", "--user-folder"});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFile::exists(folder_->filePath("data/tarvel/_qq.wav")));
        QVERIFY(QFile::exists(folder_->filePath("data/tarvel/9_fmsig.h")));
        QVERIFY(QDir(start).isEmpty());
    }

    void programWithoutDisplaySaysSo_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("says");
        QTest::newRow("none") << QStringList {} << QStringLiteral("no display");
        // A display that nobody serves (a broken remote session) must not make Qt abort.
        QTest::newRow("dead") << QStringList {"DISPLAY=:97"} << QStringLiteral("does not answer");
        // Without DISPLAY Qt has only Wayland to try: no plugin for it, or no compositor
        // behind the socket (the plugin's folder faked, since no compositor is asked).
        QTest::newRow("wayland without its plugin")
            << QStringList {"WAYLAND_DISPLAY=wayland-tarvel-none"}
            << (waylandPluginInstalled() ? QStringLiteral("does not answer") : QStringLiteral("qt6-wayland"));
        QTest::newRow("wayland nobody serves")
            << QStringList {"WAYLAND_DISPLAY=/nonexistent/wayland-9", "QT_QPA_PLATFORM_PLUGIN_PATH=FAKE"}
            << QStringLiteral("the Wayland display /nonexistent/wayland-9 does not answer");
    }

    void programWithoutDisplaySaysSo()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, says);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        for (const QString& setting : environment) {
            const QString value = setting.section(u'=', 1);
            env.insert(setting.section(u'=', 0, 0), value == "FAKE" ? fakeWaylandPluginFolder() : value);
        }
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TARVEL_PROGRAMMER_PATH), {});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 3);
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(err.count(QLatin1Char('\n')), 1);
        QVERIFY2(err.contains(says), qPrintable(err));
        QVERIFY(err.contains(QStringLiteral("xvfb-run")));
    }

private:
    static bool waylandPluginInstalled()
    {
        for (const QString& folder : QCoreApplication::libraryPaths())
            if (!QDir(folder + "/platforms").entryList({"libqwayland*"}, QDir::Files).isEmpty())
                return true;
        return false;
    }

    // A folder where a platform plugin named like Qt's Wayland one lies.
    QString fakeWaylandPluginFolder() const
    {
        const QString folder = folder_->filePath("fake-platforms");
        QDir().mkpath(folder);
        QFile plugin(folder + "/libqwayland-generic.so");
        plugin.open(QIODevice::WriteOnly);
        return folder;
    }
#endif
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
