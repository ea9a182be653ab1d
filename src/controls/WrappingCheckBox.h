#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A check box whose caption breaks at word boundaries to fit the box's width, over as many
// lines as its height allows, the box standing level with the first line. Everything else
// (checking, clicking, focus, hints) is QCheckBox's; a click anywhere on the control
// toggles it, the wrapped lines included.

#include <QCheckBox>

namespace tarvel {

class WrappingCheckBox : public QCheckBox {
    Q_OBJECT

public:
    explicit WrappingCheckBox(QWidget* parent = nullptr);

    // Where the caption's lines go: right of the box, the control's full width and height.
    QRect captionRect() const;

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect captionRectFor(const QRect& whole) const;
    static constexpr int textFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;
};

} // namespace tarvel
