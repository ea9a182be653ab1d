// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ImageLists.h"

#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

namespace tarvel {

namespace {

constexpr int tabImageSize = 16;
constexpr int iconSize = 32;

const QColor red(224, 32, 32);
const QColor yellow(240, 208, 0);
const QColor green(32, 176, 48);
const QColor cyan(0, 192, 208);
const QColor blue(32, 64, 224);

QPixmap transparentPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A square with a darker rim, inset so that the tab keeps a little air around it.
QIcon square(const QColor& colour)
{
    QPixmap pixmap = transparentPixmap(tabImageSize);
    QPainter p(&pixmap);
    p.setPen(colour.darker(160));
    p.setBrush(colour);
    p.drawRect(2, 2, 11, 11);
    p.end();
    return QIcon(pixmap);
}

// An antialiased disc lit from the upper left; the centre keeps the plain colour.
QIcon disc(const QColor& colour)
{
    QPixmap pixmap = transparentPixmap(tabImageSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(QPointF(8, 8), 7, QPointF(5.5, 5.5));
    shade.setColorAt(0.0, colour.lighter(150));
    shade.setColorAt(0.45, colour);
    shade.setColorAt(1.0, colour.darker(150));
    p.setPen(QPen(colour.darker(180), 1.0));
    p.setBrush(shade);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.end();
    return QIcon(pixmap);
}

} // namespace

QList<QIcon> imageList1()
{
    return {disc(yellow), disc(green), disc(cyan), disc(blue), disc(red)};
}

QList<QIcon> imageList2()
{
    return {square(red), square(yellow), square(green), square(cyan), square(blue), disc(yellow), disc(green),
        disc(cyan), disc(blue), disc(red)};
}

QIcon applicationIcon()
{
    QPixmap pixmap = transparentPixmap(iconSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // The USB cable entering from the left.
    p.setPen(QPen(QColor(20, 20, 24), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(1, 25), QPointF(5, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 174, 180));
    p.drawRect(QRectF(4, 15, 4, 6));

    // The box, its top edge lit.
    p.setPen(QPen(QColor(16, 18, 22), 1));
    p.setBrush(QColor(62, 70, 84));
    p.drawRoundedRect(QRectF(7.5, 7.5, 23, 18), 2, 2);
    p.setPen(QPen(QColor(140, 150, 166), 1));
    p.drawLine(QPointF(9, 8.5), QPointF(29, 8.5));

    // The red button and a lit yellow LED.
    p.setPen(QPen(QColor(90, 0, 0), 1));
    p.setBrush(QColor(228, 28, 24));
    p.drawEllipse(QPointF(23, 16.5), 4.5, 4.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 214, 0));
    p.drawEllipse(QPointF(12.5, 21), 1.8, 1.8);
    p.end();
    return QIcon(pixmap);
}

} // namespace tarvel
