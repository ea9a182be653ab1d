// SPDX-License-Identifier: GPL-3.0-or-later
// The title photograph (decoding, refusing what is not a sound JPEG, fitting it into its
// place) and the window's drawn pictures.

#include "app/ImageLists.h"
#include "app/TitlePhoto.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

#include <turbojpeg.h>

#include <memory>

using namespace tarvel;

namespace {

// A JPEG made here with libjpeg-turbo: four flat quadrants, red, green, blue and white.
QByteArray quadrantsJpeg(int width, int height)
{
    QImage rgb(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            rgb.setPixelColor(x, y,
                bottom ? (right ? QColor(Qt::white) : QColor(Qt::blue))
                       : (right ? QColor(Qt::green) : QColor(Qt::red)));
        }
    std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (!handle
        || tjCompress2(handle.get(), rgb.constBits(), width, static_cast<int>(rgb.bytesPerLine()), height,
               TJPF_RGB, &jpeg, &size, TJSAMP_444, 95, 0)
            != 0)
        return {};
    QByteArray out(reinterpret_cast<const char*>(jpeg), static_cast<qsizetype>(size));
    tjFree(jpeg);
    return out;
}

// Rewrites the frame size in the first start-of-frame segment.
QByteArray withDeclaredSize(QByteArray jpeg, int width, int height)
{
    for (qsizetype i = 0; i + 8 < jpeg.size(); ++i) {
        if (uchar(jpeg[i]) == 0xFF && uchar(jpeg[i + 1]) == 0xC0) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    return {};
}

QByteArray shippedPhotoBytes()
{
    QFile file(QString::fromLatin1(titlePhotoResource));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool near(const QColor& a, const QColor& b, int tolerance = 24)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

QImage pictureOf(const QIcon& icon, int size)
{
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestTitlePhoto : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The resources live in a static library; register them before reading them directly.
        Q_INIT_RESOURCE(tarvel);
    }

    void shippedPhotoDecodes()
    {
        const QImage photo = loadTitlePhoto();
        QCOMPARE(photo.size(), QSize(1451, 582));
        // A real picture in the right channel order: the red button is red, the wall above
        // the box is a light grey-blue.
        const QColor button = photo.pixelColor(905, 305);
        QVERIFY2(button.red() > 150 && button.green() < 80 && button.blue() < 80, qPrintable(button.name()));
        const QColor wall = photo.pixelColor(60, 40);
        QVERIFY2(wall.blue() > wall.red() && wall.red() > 150, qPrintable(wall.name()));
    }

    void decodesColoursAtEveryRowLength_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("even") << 64 << 32;
        QTest::newRow("rows not a multiple of 4 bytes") << 33 << 17;
        QTest::newRow("one pixel") << 1 << 1;
    }

    void decodesColoursAtEveryRowLength()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        const QByteArray jpeg = quadrantsJpeg(width, height);
        QVERIFY(!jpeg.isEmpty());
        const QImage image = decodeJpeg(jpeg);
        QCOMPARE(image.size(), QSize(width, height));
        if (width < 8)
            return;
        // Sample well inside each quadrant, away from the blurred edges between them.
        const int l = width / 8, r = width - 1 - width / 8, t = height / 8, b = height - 1 - height / 8;
        QVERIFY2(near(image.pixelColor(l, t), Qt::red), qPrintable(image.pixelColor(l, t).name()));
        QVERIFY2(near(image.pixelColor(r, t), Qt::green), qPrintable(image.pixelColor(r, t).name()));
        QVERIFY2(near(image.pixelColor(l, b), Qt::blue), qPrintable(image.pixelColor(l, b).name()));
        QVERIFY2(near(image.pixelColor(r, b), Qt::white), qPrintable(image.pixelColor(r, b).name()));
    }

    void refusesWhatIsNotASoundJpeg_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray photo = shippedPhotoBytes();
        QVERIFY(photo.size() > 1000);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("start-of-image only") << photo.left(2);
        QTest::newRow("header without scan") << photo.left(300);
        QTest::newRow("cut in half") << photo.left(photo.size() / 2);
        QTest::newRow("last bytes missing") << photo.left(photo.size() - 16);

        QByteArray noise(4096, '\0');
        QRandomGenerator random(20190);
        for (auto& c : noise)
            c = char(random.bounded(256));
        QTest::newRow("random bytes") << noise;
        QTest::newRow("random bytes after a JPEG marker") << (QByteArray("\xFF\xD8\xFF\xE0", 4) + noise);

        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage(40, 20, QImage::Format_RGB32).save(&buffer, "PNG");
        QTest::newRow("a PNG") << png;

        const QByteArray small = quadrantsJpeg(64, 32);
        QTest::newRow("declares 20000 x 20000") << withDeclaredSize(small, 20000, 20000);
        QTest::newRow("declares 65535 x 65535") << withDeclaredSize(small, 65535, 65535);
        QTest::newRow("declares zero width") << withDeclaredSize(small, 0, 32);
    }

    void refusesWhatIsNotASoundJpeg()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(decodeJpeg(bytes).isNull());
    }

    void survivesDamagedCopies()
    {
        // Damaged copies of a real JPEG: a few bytes overwritten anywhere, headers included.
        // Each gives either nothing or a picture within the limit; none may crash.
        const QByteArray original = quadrantsJpeg(48, 24);
        QRandomGenerator random(2019);
        int decoded = 0;
        for (int round = 0; round < 400; ++round) {
            QByteArray damaged = original;
            const int hits = 1 + random.bounded(4);
            for (int h = 0; h < hits; ++h)
                damaged[random.bounded(damaged.size())] = char(random.bounded(256));
            const QImage image = decodeJpeg(damaged, 100'000);
            if (!image.isNull()) {
                ++decoded;
                QVERIFY(qint64 {image.width()} * image.height() <= 100'000);
            }
        }
        QVERIFY(decoded < 400); // the damage was noticed at least sometimes
    }

    void refusesPicturesAboveThePixelLimit()
    {
        // Checked on the declared size, before anything is decoded.
        const QByteArray jpeg = quadrantsJpeg(64, 32);
        QCOMPARE(decodeJpeg(jpeg, qint64 {64} * 32).size(), QSize(64, 32));
        QVERIFY(decodeJpeg(jpeg, 64 * 32 - 1).isNull());
        QVERIFY(qint64 {1451} * 582 <= maxJpegPixels);
    }

    void fitsProportionallyIntoItsArea()
    {
        const QImage photo = loadTitlePhoto();
        const QPixmap fitted = fitTopLeft(photo, QSize(522, 180));
        QCOMPARE(fitted.height(), 180); // height is the tighter bound for this photograph
        QVERIFY(fitted.width() <= 522);
        QVERIFY(qAbs(fitted.width() - 1451.0 * 180 / 582) < 1.0);

        // Never enlarged; nothing to show gives nothing.
        const QImage small(100, 40, QImage::Format_RGB888);
        QCOMPARE(fitTopLeft(small, QSize(522, 180)).size(), QSize(100, 40));
        QVERIFY(fitTopLeft(QImage(), QSize(522, 180)).isNull());
        QVERIFY(fitTopLeft(photo, QSize(0, 180)).isNull());
    }

    void imageListsHoldTheListedPictures()
    {
        const QList<QIcon> list1 = imageList1();
        const QList<QIcon> list2 = imageList2();
        QCOMPARE(list1.size(), 5);
        QCOMPARE(list2.size(), 10);

        // Hue of the centre: red 0, yellow 60, green 120, cyan 180, blue 240.
        const auto check = [](const QIcon& icon, int hue, bool isDisc) {
            QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
            const QImage image = pictureOf(icon, 16);
            QCOMPARE(image.size(), QSize(16, 16));
            for (const QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)})
                QCOMPARE(qAlpha(image.pixel(corner)), 0);
            const QColor centre = image.pixelColor(8, 8);
            QCOMPARE(centre.alpha(), 255);
            const int distance = qAbs(centre.hue() - hue);
            QVERIFY2(qMin(distance, 360 - distance) <= 20,
                qPrintable(QStringLiteral("hue %1, expected %2").arg(centre.hue()).arg(hue)));
            // A disc leaves the corners of its square empty; a square fills them.
            if (isDisc)
                QVERIFY(qAlpha(image.pixel(2, 2)) < 64);
            else
                QCOMPARE(qAlpha(image.pixel(2, 2)), 255);
        };
        const int discs1[] = {60, 120, 180, 240, 0};
        for (int i = 0; i < 5; ++i)
            check(list1[i], discs1[i], true);
        const int hues2[] = {0, 60, 120, 180, 240, 60, 120, 180, 240, 0};
        for (int i = 0; i < 10; ++i)
            check(list2[i], hues2[i], i >= 5);
    }

    void applicationIconIsTheBoxWithItsRedButton()
    {
        const QIcon icon = applicationIcon();
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
        const QImage image = pictureOf(icon, 32);
        QCOMPARE(image.size(), QSize(32, 32));
        QCOMPARE(qAlpha(image.pixel(31, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(31, 31)), 0);
        const QColor button = image.pixelColor(23, 16);
        QVERIFY2(button.red() > 180 && button.green() < 80, qPrintable(button.name()));
    }
};

QTEST_MAIN(TestTitlePhoto)
#include "tst_titlephoto.moc"
