// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/WrappingCheckBox.h"

#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <algorithm>

namespace tarvel {

WrappingCheckBox::WrappingCheckBox(QWidget* parent) : QCheckBox(parent)
{
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QRect WrappingCheckBox::captionRectFor(const QRect& whole) const
{
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = whole;
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this);
    const int spacing = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    return whole.adjusted(indicator + spacing, 0, 0, 0);
}

QRect WrappingCheckBox::captionRect() const
{
    return captionRectFor(rect());
}

int WrappingCheckBox::heightForWidth(int width) const
{
    const QRect room = captionRectFor(QRect(0, 0, width, QWIDGETSIZE_MAX));
    const QRect lines = fontMetrics().boundingRect(room, textFlags, text());
    QStyleOptionButton option;
    option.initFrom(this);
    return std::max(lines.height(), style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this));
}

QSize WrappingCheckBox::sizeHint() const
{
    const int width = QCheckBox::sizeHint().width();
    return {width, heightForWidth(width)};
}

void WrappingCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    // The box, level with the first line of the caption.
    const int lineHeight = fontMetrics().height();
    option.rect.setHeight(
        std::max(lineHeight, style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this)));
    painter.drawControl(QStyle::CE_CheckBox, option);

    const QRect caption = captionRect();
    painter.drawItemText(caption, textFlags, palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = fontMetrics().boundingRect(caption, textFlags, text()).adjusted(-1, 0, 1, 0) & rect();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

} // namespace tarvel
