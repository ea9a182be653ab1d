// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/Label3D.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace tarvel {

TLabel3D::TLabel3D(QWidget* parent) : QLabel(parent)
{
    // The caption is drawn by paintEvent; QLabel must never interpret it as rich text.
    setTextFormat(Qt::PlainText);
}

TLabel3D::TLabel3D(const QString& text, QWidget* parent) : TLabel3D(parent)
{
    setText(text);
}

void TLabel3D::setLabelStyle(TLabel3DStyle style)
{
    style_ = style;
    update();
}

void TLabel3D::setGlub(int depth)
{
    glub_ = std::clamp(depth, minGlub, maxGlub);
    update();
}

void TLabel3D::setShowAccelChar(bool on)
{
    showAccelChar_ = on;
    fitToCaption();
    update();
}

void TLabel3D::setAutoSize(bool on)
{
    autoSize_ = on;
    fitToCaption();
}

void TLabel3D::setTransparent(bool on)
{
    transparent_ = on;
    update();
}

void TLabel3D::setText(const QString& text)
{
    QLabel::setText(text);
    fitToCaption();
}

int TLabel3D::drawTextFlags() const
{
    int flags = static_cast<int>(alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextWordWrap
        | Qt::TextExpandTabs;
    if (showAccelChar_)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

QSize TLabel3D::sizeHint() const
{
    // The caption as drawn, line breaks only where the caption has them; the relief is not
    // counted, so an auto-sized label clips the outer edges of its copies.
    const int flags = drawTextFlags() & ~Qt::TextWordWrap;
    const QRect textRect = fontMetrics().boundingRect(QRect(0, 0, 0, 0), flags, text());
    const QMargins m = contentsMargins();
    const int extra = 2 * margin();
    return {
        textRect.width() + m.left() + m.right() + extra, textRect.height() + m.top() + m.bottom() + extra};
}

QSize TLabel3D::minimumSizeHint() const
{
    return sizeHint();
}

void TLabel3D::fitToCaption()
{
    updateGeometry();
    if (autoSize_)
        resize(sizeHint());
}

void TLabel3D::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ContentsRectChange)
        fitToCaption();
}

void TLabel3D::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QRect client = rect();

    if (!transparent_)
        painter.fillRect(client, palette().color(backgroundRole()));

    const QRect area = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
    const int flags = drawTextFlags();
    const QString caption = text();
    painter.setFont(font());

    // Each copy is clipped to its own shifted rectangle and to the label.
    const auto drawAt = [&](int dx, int dy, const QColor& colour) {
        const QRect shifted = area.translated(dx, dy);
        painter.setClipRect(shifted & client);
        painter.setPen(colour);
        painter.drawText(shifted, flags, caption);
    };

    const QPalette& pal = palette();
    if (isEnabled()) {
        const QColor highlight = pal.color(QPalette::Light);
        const QColor shadow = pal.color(QPalette::Dark);
        const int g = glub_;
        drawAt(-g, -g, style_ == lsLowered ? shadow : highlight);
        drawAt(g, g, style_ == lsRaised ? shadow : highlight);
        drawAt(0, 0, pal.color(foregroundRole()));
    } else {
        drawAt(0, 0, pal.color(QPalette::Disabled, QPalette::WindowText));
    }
}

} // namespace tarvel
