// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the title page's photograph of the interface: the little box with its red button,
// two LEDs, a USB cable going out to the left and the radio cable to the right, lit from
// the upper left on a studio background. Written as a JPEG with libjpeg-turbo.
// Built and run by scripts/make-title-photo.

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <turbojpeg.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int photoWidth = 1451;
constexpr int photoHeight = 582;

void drawBackground(QPainter& p)
{
    QLinearGradient wall(0, 0, 0, photoHeight);
    wall.setColorAt(0.0, QColor(176, 190, 204));
    wall.setColorAt(0.55, QColor(222, 228, 233));
    wall.setColorAt(0.56, QColor(205, 198, 186)); // the edge of the table
    wall.setColorAt(1.0, QColor(236, 231, 222));
    p.fillRect(QRect(0, 0, photoWidth, photoHeight), wall);

    // A soft light spot where the lamp shines on the table.
    QRadialGradient spot(QPointF(620, 420), 620);
    spot.setColorAt(0.0, QColor(255, 252, 240, 120));
    spot.setColorAt(1.0, QColor(255, 252, 240, 0));
    p.fillRect(QRect(0, 0, photoWidth, photoHeight), spot);
}

void drawShadow(QPainter& p, const QRectF& under)
{
    QRadialGradient shade(under.center(), under.width() / 2);
    shade.setColorAt(0.0, QColor(0, 0, 0, 110));
    shade.setColorAt(0.7, QColor(0, 0, 0, 40));
    shade.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.save();
    p.translate(under.center());
    p.scale(1.0, under.height() / under.width());
    p.translate(-under.center());
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawEllipse(under.center(), under.width() / 2, under.width() / 2);
    p.restore();
}

void drawCable(QPainter& p, const QPainterPath& path, const QColor& colour, qreal thickness)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 70), thickness + 6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(path.translated(4, 10)); // shadow on the table
    p.setPen(QPen(colour, thickness, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(path);
    p.setPen(QPen(colour.lighter(260), thickness / 4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(path.translated(-thickness / 5, -thickness / 4)); // the sheen along the top
}

void drawUsbPlug(QPainter& p, const QRectF& body)
{
    QLinearGradient moulding(body.topLeft(), body.bottomLeft());
    moulding.setColorAt(0, QColor(70, 72, 78));
    moulding.setColorAt(0.4, QColor(38, 39, 43));
    moulding.setColorAt(1, QColor(18, 18, 20));
    p.setPen(QPen(QColor(10, 10, 12), 2));
    p.setBrush(moulding);
    p.drawRoundedRect(body, 10, 10);

    const QRectF metal(body.right() - 4, body.center().y() - 26, 46, 52);
    QLinearGradient steel(metal.topLeft(), metal.bottomLeft());
    steel.setColorAt(0, QColor(235, 238, 242));
    steel.setColorAt(0.5, QColor(150, 155, 162));
    steel.setColorAt(1, QColor(96, 100, 106));
    p.setPen(QPen(QColor(70, 72, 76), 1.5));
    p.setBrush(steel);
    p.drawRect(metal);
    p.setBrush(QColor(40, 40, 44));
    p.drawRect(QRectF(metal.left() + 14, metal.top() + 12, 8, 8));
    p.drawRect(QRectF(metal.left() + 14, metal.bottom() - 20, 8, 8));
}

void drawBox(QPainter& p, QRectF front, qreal depth)
{
    // Top face: a parallelogram leaning back.
    QPolygonF top;
    top << front.topLeft() << QPointF(front.left() + depth, front.top() - depth)
        << QPointF(front.right() + depth, front.top() - depth) << front.topRight();
    QLinearGradient topShade(front.topLeft(), QPointF(front.left(), front.top() - depth));
    topShade.setColorAt(0, QColor(92, 98, 108));
    topShade.setColorAt(1, QColor(140, 148, 160));
    p.setPen(QPen(QColor(30, 32, 36), 2));
    p.setBrush(topShade);
    p.drawPolygon(top);

    // Right face, in shade.
    QPolygonF side;
    side << front.topRight() << QPointF(front.right() + depth, front.top() - depth)
         << QPointF(front.right() + depth, front.bottom() - depth) << front.bottomRight();
    QLinearGradient sideShade(front.topRight(), QPointF(front.right() + depth, front.top()));
    sideShade.setColorAt(0, QColor(44, 47, 53));
    sideShade.setColorAt(1, QColor(28, 30, 34));
    p.setBrush(sideShade);
    p.drawPolygon(side);

    // Front face: anodised dark blue-grey, lighter towards the lamp.
    QLinearGradient face(front.topLeft(), front.bottomRight());
    face.setColorAt(0, QColor(84, 92, 106));
    face.setColorAt(0.5, QColor(58, 64, 76));
    face.setColorAt(1, QColor(36, 40, 48));
    p.setBrush(face);
    p.drawRoundedRect(front, 8, 8);

    // Screws in the corners.
    for (const QPointF c : {front.topLeft() + QPointF(22, 22), front.topRight() + QPointF(-22, 22),
             front.bottomLeft() + QPointF(22, -22), front.bottomRight() + QPointF(-22, -22)}) {
        QRadialGradient head(c - QPointF(2, 2), 9);
        head.setColorAt(0, QColor(230, 232, 236));
        head.setColorAt(1, QColor(110, 114, 120));
        p.setPen(QPen(QColor(40, 40, 44), 1));
        p.setBrush(head);
        p.drawEllipse(c, 8, 8);
        p.drawLine(c + QPointF(-5, 0), c + QPointF(5, 0));
    }
}

void drawLabelPlate(QPainter& p, const QRectF& plate)
{
    QLinearGradient paper(plate.topLeft(), plate.bottomLeft());
    paper.setColorAt(0, QColor(246, 244, 236));
    paper.setColorAt(1, QColor(214, 210, 198));
    p.setPen(QPen(QColor(120, 116, 104), 1.5));
    p.setBrush(paper);
    p.drawRoundedRect(plate, 6, 6);

    QFont brand(QStringLiteral("DejaVu Sans"));
    brand.setPixelSize(54);
    brand.setBold(true);
    p.setFont(brand);
    p.setPen(QColor(128, 128, 0));
    p.drawText(plate.adjusted(0, 6, 0, -40), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Tarvel"));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(20);
    p.setFont(small);
    p.setPen(QColor(60, 60, 60));
    p.drawText(plate.adjusted(0, 0, 0, -12), Qt::AlignHCenter | Qt::AlignBottom,
        QStringLiteral("USB  ⇄  радио  ⇄  контроллер"));
}

void drawLed(QPainter& p, QPointF centre, const QColor& colour, bool lit, const QString& caption)
{
    if (lit) {
        QRadialGradient glow(centre, 46);
        glow.setColorAt(0, QColor(colour.red(), colour.green(), colour.blue(), 150));
        glow.setColorAt(1, QColor(colour.red(), colour.green(), colour.blue(), 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(centre, 46, 46);
    }
    QRadialGradient lens(centre - QPointF(4, 4), 14);
    lens.setColorAt(0, lit ? QColor(255, 255, 240) : colour.lighter(120));
    lens.setColorAt(0.45, lit ? colour.lighter(130) : colour.darker(160));
    lens.setColorAt(1, colour.darker(lit ? 140 : 260));
    p.setPen(QPen(QColor(20, 20, 22), 2));
    p.setBrush(lens);
    p.drawEllipse(centre, 12, 12);

    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(17);
    p.setFont(f);
    p.setPen(QColor(225, 228, 232));
    p.drawText(QRectF(centre.x() - 60, centre.y() + 20, 120, 24), Qt::AlignHCenter, caption);
}

void drawRedButton(QPainter& p, QPointF centre)
{
    // Bezel, then the cap with its highlight.
    QRadialGradient bezel(centre, 56);
    bezel.setColorAt(0.75, QColor(24, 24, 26));
    bezel.setColorAt(0.9, QColor(110, 112, 118));
    bezel.setColorAt(1, QColor(40, 42, 46));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(centre, 56, 56);

    QRadialGradient cap(centre - QPointF(14, 16), 58);
    cap.setColorAt(0, QColor(255, 150, 140));
    cap.setColorAt(0.25, QColor(236, 40, 32));
    cap.setColorAt(0.8, QColor(150, 10, 8));
    cap.setColorAt(1, QColor(90, 4, 4));
    p.setPen(QPen(QColor(70, 0, 0), 2));
    p.setBrush(cap);
    p.drawEllipse(centre, 42, 42);

    QRadialGradient shine(centre - QPointF(14, 18), 20);
    shine.setColorAt(0, QColor(255, 255, 255, 170));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(centre - QPointF(14, 18), 20, 14);

    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(19);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(225, 228, 232));
    p.drawText(QRectF(centre.x() - 60, centre.y() + 60, 120, 26), Qt::AlignHCenter, QStringLiteral("Кн1"));
}

QImage drawPhoto()
{
    QImage photo(photoWidth, photoHeight, QImage::Format_RGB32);
    QPainter p(&photo);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    drawBackground(p);
    const QRectF front(400, 190, 640, 300);
    const qreal depth = 60;
    drawShadow(p, QRectF(front.left() - 30, front.bottom() - 40, front.width() + depth + 120, 110));

    // The USB cable comes in from the left edge and ends in the plug at the box.
    QPainterPath usb(QPointF(-20, 520));
    usb.cubicTo(QPointF(120, 560), QPointF(150, 330), QPointF(300, 350));
    drawCable(p, usb, QColor(26, 26, 30), 26);
    // The radio cable leaves the right side of the box for the station.
    QPainterPath radio(QPointF(front.right() + depth / 2, front.center().y() - 10));
    radio.cubicTo(QPointF(1230, 300), QPointF(1260, 520), QPointF(1470, 470));
    drawCable(p, radio, QColor(48, 52, 60), 20);

    drawBox(p, front, depth);
    drawUsbPlug(p, QRectF(300, 320, 64, 60));
    // The USB socket edge where the plug enters the box.
    p.setPen(QPen(QColor(12, 12, 14), 2));
    p.setBrush(QColor(20, 20, 22));
    p.drawRect(QRectF(front.left() - 4, 322, 8, 56));
    drawUsbPlug(p, QRectF(300, 320, 64, 60));

    drawLabelPlate(p, QRectF(front.left() + 60, front.top() + 44, 330, 140));
    drawLed(p, QPointF(front.left() + 120, front.bottom() - 70), QColor(250, 200, 0), true,
        QStringLiteral("прогр."));
    drawLed(p, QPointF(front.left() + 240, front.bottom() - 70), QColor(40, 90, 255), false,
        QStringLiteral("связь"));
    drawLed(p, QPointF(front.left() + 360, front.bottom() - 70), QColor(40, 200, 60), true,
        QStringLiteral("питание"));
    drawRedButton(p, QPointF(front.right() - 130, front.top() + 120));
    p.end();
    return photo.convertToFormat(QImage::Format_RGB888);
}

bool writeJpeg(const QImage& rgb, const char* path)
{
    std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitCompress(), tjDestroy);
    if (!handle)
        return false;
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(handle.get(), rgb.constBits(), rgb.width(), static_cast<int>(rgb.bytesPerLine()),
            rgb.height(), TJPF_RGB, &jpeg, &size, TJSAMP_420, 88, TJFLAG_ACCURATEDCT)
        != 0) {
        std::fprintf(stderr, "make-title-photo: %s\n", tjGetErrorStr2(handle.get()));
        return false;
    }
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(jpeg, tjFree);
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr)
        return false;
    const bool written = std::fwrite(jpeg, 1, size, out) == size;
    return std::fclose(out) == 0 && written;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-title-photo OUTPUT.jpg\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    if (!writeJpeg(drawPhoto(), argv[1])) {
        std::fprintf(stderr, "make-title-photo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
