// SPDX-License-Identifier: GPL-3.0-or-later
// Every caption of the window fits inside its control with the fonts this machine puts in
// place of the form's Windows faces: button, check box and radio button texts, label texts,
// group box titles, and the tab rows of the page controls. Measured by font metrics, in the
// style the program itself runs in, so a wider substitute face or a narrower control shows
// up here as the control's name and how many pixels are missing.

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "controls/WrappingCheckBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace tarvel;

namespace {

// A caption that fits keeps this much clear of its control's edges in a push button.
constexpr int kButtonTextMargin = 2;

struct Overflow {
    QString control;
    QString text;
    int missing_px;
};

int textWidth(const QWidget* w, const QString& text)
{
    return w->fontMetrics().horizontalAdvance(text);
}

// Pixels by which a button's caption overruns the room its style gives the caption.
int buttonOverflow(const QAbstractButton* b)
{
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    option.icon = b->icon();
    option.iconSize = b->iconSize();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    int margin = kButtonTextMargin;
    if (qobject_cast<const QCheckBox*>(b) != nullptr) {
        contents = QStyle::SE_CheckBoxContents;
        margin = 0;
    } else if (qobject_cast<const QRadioButton*>(b) != nullptr) {
        contents = QStyle::SE_RadioButtonContents;
        margin = 0;
    }
    const QRect room = b->style()->subElementRect(contents, &option, b);
    const int iconWidth = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
    return textWidth(b, b->text()) + iconWidth + 2 * margin - room.width();
}

// A caption that wraps must fit the height of its control.
int wrappedCaptionOverflow(const WrappingCheckBox* box)
{
    const QRect room = box->captionRect();
    const QRect lines = box->fontMetrics().boundingRect(room, Qt::TextWordWrap, box->text());
    return lines.height() - room.height();
}

// A label's text against its contents rectangle: by width for one line, by height for a
// label that wraps its words.
int labelOverflow(const QLabel* label)
{
    const QRect room = label->contentsRect().adjusted(
        label->margin(), label->margin(), -label->margin(), -label->margin());
    const QFontMetrics metrics = label->fontMetrics();
    if (label->wordWrap()) {
        const QRect needed = metrics.boundingRect(
            room, Qt::TextWordWrap | static_cast<int>(label->alignment().toInt()), label->text());
        return std::max(needed.width() - room.width(), needed.height() - room.height());
    }
    return std::max(metrics.horizontalAdvance(label->text()) + label->indent() - room.width(),
        metrics.height() - room.height());
}

// A group box's title against the box: the style's label rectangle must hold the text and
// stay inside the frame.
int groupTitleOverflow(const QGroupBox* box)
{
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.textAlignment = box->alignment();
    const QRect label
        = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    return label.left() + textWidth(box, box->title()) - box->width();
}

// The tab row of a page control must fit its width without scroll arrows.
int tabRowOverflow(const QTabWidget* pages)
{
    const QTabBar* bar = pages->tabBar();
    int rowEnd = 0;
    for (int i = 0; i < bar->count(); ++i) {
        if (bar->isTabVisible(i))
            rowEnd = std::max(rowEnd, bar->tabRect(i).right() + 1);
    }
    return rowEnd - pages->width();
}

// Pages that were never shown have not been laid out yet: show each once.
void layOutEveryPage(QWidget* window)
{
    for (QTabWidget* pages : window->findChildren<QTabWidget*>()) {
        const int shown = pages->currentIndex();
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            QCoreApplication::processEvents();
        }
        pages->setCurrentIndex(shown);
    }
}

QList<Overflow> overflowsIn(QWidget* window)
{
    layOutEveryPage(window);
    QList<Overflow> found;
    const auto note = [&found](const QWidget* w, const QString& text, int missing) {
        if (missing > 0)
            found.append({w->objectName(), text, missing});
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (auto* wrapping = qobject_cast<WrappingCheckBox*>(w)) {
            note(w, wrapping->text(), wrappedCaptionOverflow(wrapping));
        } else if (auto* button = qobject_cast<QAbstractButton*>(w);
                   button != nullptr && !button->text().isEmpty()) {
            if (qobject_cast<QTabBar*>(w->parentWidget()) == nullptr) // tab scroll arrows
                note(w, button->text(), buttonOverflow(button));
        } else if (auto* label = qobject_cast<QLabel*>(w); label != nullptr && !label->text().isEmpty()) {
            note(w, label->text(), labelOverflow(label));
        } else if (auto* box = qobject_cast<QGroupBox*>(w); box != nullptr && !box->title().isEmpty()) {
            note(w, box->title(), groupTitleOverflow(box));
        } else if (auto* pages = qobject_cast<QTabWidget*>(w)) {
            note(w, QStringLiteral("(tab row)"), tabRowOverflow(pages));
        }
    }
    return found;
}

} // namespace

class TestCaptions : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;
    ProgramState state_;

private slots:
    void initTestCase() { QApplication::setStyle(QStringLiteral("Windows")); }

    // Both layouts: the debug one shows the diagnostic panels and the signal plot.
    void everyCaptionFitsItsControl_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("normal") << QStringList();
        QTest::newRow("debug") << QStringList {QStringLiteral("tq")};
    }
    void everyCaptionFitsItsControl()
    {
        QFETCH(QStringList, arguments);
        TForm1 form(state_, {arguments, folder_.path()});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QList<Overflow> overflows = overflowsIn(&form);
        for (const Overflow& o : overflows)
            qWarning("%s \"%s\": %d px short", qPrintable(o.control), qPrintable(o.text), o.missing_px);
        QCOMPARE(overflows.size(), 0);
    }
};

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
