// SPDX-License-Identifier: GPL-3.0-or-later
// The relief label: what it paints in each style, depth and state, pixel by pixel, and how a
// Designer form sets it up.

#include "controls/Label3D.h"
#include "ui_label3d_form.h"

#include <QPainter>
#include <QtTest>

using tarvel::TLabel3D;

namespace {

const QColor background(200, 200, 255);
const QColor highlight(255, 255, 255);
const QColor shadow(128, 128, 128);
const QColor caption(128, 128, 0);
const QColor grayText(90, 0, 90);

// Distinct colours for every role, and a font without antialiasing, so that each pixel of a
// rendering belongs to exactly one thing that was drawn.
void prepare(TLabel3D& label, const QString& text)
{
    QPalette pal = label.palette();
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::Light, highlight);
    pal.setColor(QPalette::Dark, shadow);
    pal.setColor(QPalette::WindowText, caption);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, grayText);
    label.setPalette(pal);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(28);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    label.setFont(font);
    label.setText(text);
}

QImage render(TLabel3D& label, const QColor& underneath = background)
{
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(underneath);
    label.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Where the caption's ink falls when drawn once into the label's rectangle, drawn
// independently of the label with the same font, flags and clipping.
QImage captionMask(const TLabel3D& label)
{
    QImage mask(label.size(), QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter painter(&mask);
    painter.setFont(label.font());
    painter.setPen(Qt::white);
    painter.setClipRect(label.rect());
    painter.drawText(label.rect(), label.drawTextFlags(), label.text());
    return mask;
}

bool inked(const QImage& mask, int x, int y)
{
    return mask.rect().contains(x, y) && mask.pixel(x, y) == qRgb(255, 255, 255);
}

// What the label must show: the caption on top, the down-right copy under it, the up-left
// copy under both, the background elsewhere; copies clipped to the label.
QImage expectedRelief(const QImage& mask, int g, const QColor& upLeft, const QColor& downRight)
{
    QImage expected(mask.size(), QImage::Format_RGB32);
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            QColor c = background;
            if (inked(mask, x, y))
                c = caption;
            else if (inked(mask, x - g, y - g))
                c = downRight;
            else if (inked(mask, x + g, y + g))
                c = upLeft;
            expected.setPixelColor(x, y, c);
        }
    }
    return expected;
}

int countColour(const QImage& image, const QColor& colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour ? 1 : 0;
    return n;
}

// Rows that carry any ink other than the background.
QList<int> inkedRows(const QImage& image)
{
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != background) {
                rows.append(y);
                break;
            }
    return rows;
}

class CountingLabel : public TLabel3D {
public:
    using TLabel3D::TLabel3D;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        TLabel3D::paintEvent(event);
    }
};

} // namespace

class TestLabel3D : public QObject {
    Q_OBJECT

private slots:
    void designerFormSetsStyleAndDepth()
    {
        QWidget form;
        Ui::Label3DForm ui;
        ui.setupUi(&form);
        QCOMPARE(ui.raisedDeep->labelStyle(), TLabel3D::lsRaised);
        QCOMPARE(ui.raisedDeep->glub(), 3);
        QCOMPARE(ui.normalByName->labelStyle(), TLabel3D::lsNormal);
        QCOMPARE(ui.normalByName->glub(), 2);
        // A form that sets neither gets an engraved label of depth 1.
        QCOMPARE(ui.defaults->labelStyle(), TLabel3D::lsLowered);
        QCOMPARE(ui.defaults->glub(), 1);
        QVERIFY(ui.defaults->showAccelChar());
        QVERIFY(!ui.defaults->transparent());
        // Auto size fitted the captioned label to its caption, at the corner the form gives it.
        QCOMPARE(ui.raisedDeep->pos(), QPoint(10, 20));
        QCOMPARE(ui.raisedDeep->size(), ui.raisedDeep->sizeHint());
        QVERIFY(ui.raisedDeep->width() < 300);
    }

    void styleAndDepthByName()
    {
        TLabel3D label;
        QVERIFY(label.setProperty("Style", QStringLiteral("lsRaised")));
        QCOMPARE(label.labelStyle(), TLabel3D::lsRaised);
        QVERIFY(label.setProperty("Glub", 4));
        QCOMPARE(label.glub(), 4);
        // A depth outside 0..4 cannot be given; it is held at the nearest depth.
        label.setGlub(9);
        QCOMPARE(label.glub(), 4);
        label.setGlub(-3);
        QCOMPARE(label.glub(), 0);
    }

    void reliefCopies_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("glub");
        QTest::addColumn<QColor>("upLeft");
        QTest::addColumn<QColor>("downRight");
        for (int g : {1, 4}) {
            QTest::addRow("lowered, %d", g) << int(TLabel3D::lsLowered) << g << shadow << highlight;
            QTest::addRow("normal, %d", g) << int(TLabel3D::lsNormal) << g << highlight << highlight;
            QTest::addRow("raised, %d", g) << int(TLabel3D::lsRaised) << g << highlight << shadow;
        }
    }

    void reliefCopies()
    {
        QFETCH(int, style);
        QFETCH(int, glub);
        QFETCH(QColor, upLeft);
        QFETCH(QColor, downRight);

        TLabel3D label;
        prepare(label, QStringLiteral("Tarvel Ж"));
        label.setLabelStyle(TLabel3D::TLabel3DStyle(style));
        label.setGlub(glub);
        const QImage image = render(label);
        const QImage mask = captionMask(label);

        QVERIFY(countColour(mask, Qt::white) > 100);
        const QImage expected = expectedRelief(mask, glub, upLeft, downRight);
        QCOMPARE(image, expected);
        // Both copies really show (the caption does not cover all of them).
        QVERIFY(countColour(image, upLeft) > 0);
        QVERIFY(countColour(image, downRight) > 0);
    }

    void depthZeroIsFlat()
    {
        for (auto style : {TLabel3D::lsLowered, TLabel3D::lsNormal, TLabel3D::lsRaised}) {
            TLabel3D label;
            prepare(label, QStringLiteral("Россия 2019"));
            label.setLabelStyle(style);
            label.setGlub(0);
            const QImage image = render(label);
            QCOMPARE(image, expectedRelief(captionMask(label), 0, highlight, shadow));
            QCOMPARE(countColour(image, highlight) + countColour(image, shadow), 0);
        }
    }

    void disabledDrawsOnceInGrayText()
    {
        for (auto style : {TLabel3D::lsLowered, TLabel3D::lsNormal, TLabel3D::lsRaised}) {
            TLabel3D label;
            prepare(label, QStringLiteral("Tarvel Ж"));
            label.setLabelStyle(style);
            label.setGlub(4);
            label.setEnabled(false);
            const QImage image = render(label);
            const QImage mask = captionMask(label);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    QCOMPARE(image.pixelColor(x, y), inked(mask, x, y) ? grayText : background);
        }
    }

    void transparentKeepsWhatIsUnderneath()
    {
        TLabel3D label;
        prepare(label, QStringLiteral("Tarvel"));
        label.setLabelStyle(TLabel3D::lsRaised);
        label.setTransparent(true);
        const QColor parentColour(10, 120, 30);
        const QImage image = render(label, parentColour);
        QCOMPARE(countColour(image, background), 0);
        QVERIFY(countColour(image, parentColour) > 0);
        QVERIFY(countColour(image, caption) > 0);
        QVERIFY(countColour(image, shadow) > 0);
    }

    void autoSizeFitsTheCaptionWithoutRelief()
    {
        TLabel3D label;
        label.move(121, 18);
        prepare(label, QStringLiteral(" Программатор  интерфейса  Tarvel "));
        const QFontMetrics fm(label.font());
        QCOMPARE(label.pos(), QPoint(121, 18));
        QCOMPARE(label.height(), fm.height());
        QCOMPARE(label.width(), fm.horizontalAdvance(label.text()));
        const QSize flat = label.size();

        // A tab is expanded to the next tab stop, not drawn as one blank.
        TLabel3D tabbed;
        prepare(tabbed, QStringLiteral("A\tB"));
        TLabel3D spaced;
        prepare(spaced, QStringLiteral("A B"));
        QVERIFY(tabbed.width() > spaced.width() + fm.horizontalAdvance(QLatin1Char(' ')));

        label.setGlub(4);
        QCOMPARE(label.sizeHint(), flat);

        // With depth 4, the outer 4 pixels of the copies fall outside and are not drawn:
        // the rendering is still exactly the clipped model.
        label.setLabelStyle(TLabel3D::lsRaised);
        QCOMPARE(render(label), expectedRelief(captionMask(label), 4, highlight, shadow));
    }

    void longCaptionWrapsAtWordsWithAutoSizeOff()
    {
        TLabel3D label;
        label.setAutoSize(false);
        QVERIFY(!label.wordWrap());
        prepare(label, QStringLiteral("Программатор интерфейса Tarvel"));
        const QFontMetrics fm(label.font());
        const int oneLine = fm.horizontalAdvance(label.text());
        label.resize(oneLine / 2, 4 * fm.height());
        label.setGlub(0);
        const QImage image = render(label);
        const QList<int> rows = inkedRows(image);
        QVERIFY(!rows.isEmpty());
        // Drawn from the top, on more than one line.
        QVERIFY(rows.constFirst() < fm.height());
        QVERIFY(rows.constLast() >= fm.lineSpacing());
        // No word is cut: the first line holds the whole first word.
        QVERIFY(fm.horizontalAdvance(QStringLiteral("Программатор")) <= label.width());
        QCOMPARE(image, expectedRelief(captionMask(label), 0, highlight, shadow));

        // Auto size keeps the caption on one line.
        label.setAutoSize(true);
        QCOMPARE(label.width(), oneLine);
        QCOMPARE(label.height(), fm.height());
    }

    void ampersandMarksTheAccelerator()
    {
        // Letters without descenders, so that the underline is the lowest ink.
        TLabel3D plain;
        prepare(plain, QStringLiteral("Меню"));
        TLabel3D accel;
        prepare(accel, QStringLiteral("&Меню"));
        accel.setGlub(0);
        plain.setGlub(0);

        // The ampersand takes no room and underlines the next letter.
        QCOMPARE(accel.size(), plain.size());
        const QImage withAccel = render(accel);
        const QImage withoutAccel = render(plain);
        QVERIFY(withAccel != withoutAccel);
        const QList<int> accelRows = inkedRows(withAccel);
        const QList<int> plainRows = inkedRows(withoutAccel);
        QVERIFY(accelRows.last() > plainRows.last()); // the underline lies below the letters

        // "&&" is one ampersand shown as typed.
        TLabel3D doubled;
        prepare(doubled, QStringLiteral("A&&B"));
        TLabel3D typed;
        prepare(typed, QStringLiteral("A&B"));
        typed.setShowAccelChar(false);
        QCOMPARE(doubled.size(), typed.size());
        QCOMPARE(render(doubled), render(typed));

        // With the setting off the ampersand is shown as typed.
        accel.setShowAccelChar(false);
        const QFontMetrics fm(accel.font());
        QCOMPARE(accel.width(), fm.horizontalAdvance(QStringLiteral("&Меню")));
        QVERIFY(accel.width() > plain.width());
        QCOMPARE(render(accel), expectedRelief(captionMask(accel), 0, highlight, shadow));
    }

    void settersRequestARepaint()
    {
        QWidget window;
        window.resize(300, 80);
        auto* label = new CountingLabel(&window);
        prepare(*label, QStringLiteral("Tarvel"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(label->paints > 0);

        int before = label->paints;
        label->setLabelStyle(TLabel3D::lsRaised);
        QTRY_VERIFY(label->paints > before);

        before = label->paints;
        label->setGlub(3);
        QTRY_VERIFY(label->paints > before);

        // The new relief is what the next paint shows.
        const QImage shown = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, expectedRelief(captionMask(*label), 3, highlight, shadow));
    }
};

QTEST_MAIN(TestLabel3D)
#include "tst_label3d.moc"
