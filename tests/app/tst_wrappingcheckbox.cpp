// SPDX-License-Identifier: GPL-3.0-or-later
// The check box whose caption wraps: too narrow for its caption on one line, it asks for the
// height of the wrapped lines, draws the words that did not fit on the next line, and takes
// a click on that line as a click on the box.

#include "controls/WrappingCheckBox.h"

#include <QApplication>
#include <QImage>
#include <QTest>

using tarvel::WrappingCheckBox;

namespace {

// Rows of the control that hold any pixel darker than the background.
int inkedRowsBelow(const QImage& image, int fromRow)
{
    const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
    int rows = 0;
    for (int y = fromRow; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) + 40 < qGray(background)) {
                ++rows;
                break;
            }
        }
    }
    return rows;
}

} // namespace

class TestWrappingCheckBox : public QObject {
    Q_OBJECT

private slots:
    void narrowBoxWrapsItsCaptionAndTakesClicksOnEveryLine()
    {
        WrappingCheckBox box;
        box.setText(QStringLiteral("Разрешение на открытие-закрытие при помощи DTMF"));
        const int line = box.fontMetrics().height();
        const int oneLineWidth = box.captionRect().left() + box.fontMetrics().horizontalAdvance(box.text());
        QVERIFY(box.heightForWidth(oneLineWidth + 10) < 2 * line);

        const int narrow = oneLineWidth * 2 / 3;
        const int wrappedHeight = box.heightForWidth(narrow);
        QVERIFY(wrappedHeight >= 2 * line);
        box.resize(narrow, wrappedHeight);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));

        const QImage image = box.grab().toImage();
        QVERIFY2(inkedRowsBelow(image, line + 1) > line / 2, "nothing drawn on the second line");

        QVERIFY(!box.isChecked());
        QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(narrow / 2, line + line / 2));
        QVERIFY(box.isChecked());
    }
};

QTEST_MAIN(TestWrappingCheckBox)
#include "tst_wrappingcheckbox.moc"
