#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TLabel3D: a text label whose caption stands out in relief. Before the caption is drawn,
// two copies of it are drawn shifted diagonally by `Glub` pixels, one up-left and one
// down-right, in the palette's Light (button highlight) and Dark (button shadow) colours;
// which copy gets which colour is the `Style`. A disabled label draws its caption once, in
// the disabled window-text colour, without relief.
//
// Everything else is QLabel's: caption, font, palette, horizontal alignment, enabling. The
// caption is always drawn from the top and always broken at word boundaries where it does
// not fit the width, whatever QLabel's vertical alignment and wordWrap say; tabs are
// expanded; "&" marks the next character as the underlined accelerator while
// `showAccelChar` is on ("&&" draws one "&"), and is drawn as typed when it is off.
//
// Auto size (on by default) fits the label to its caption as drawn, without the relief, each
// time the caption, the font or the accelerator setting changes; the top-left corner stays.
// The parts of a relief copy that fall outside the label are then simply not drawn.
//
// Transparent (off by default): the background fill is skipped, so the parent shows through
// behind the relief and the caption; everything else is drawn as usual.

#include <QLabel>

namespace tarvel {

class TLabel3D : public QLabel {
    Q_OBJECT
    Q_PROPERTY(TLabel3DStyle Style READ labelStyle WRITE setLabelStyle)
    Q_PROPERTY(int Glub READ glub WRITE setGlub)
    Q_PROPERTY(bool showAccelChar READ showAccelChar WRITE setShowAccelChar)
    Q_PROPERTY(bool autoSize READ autoSize WRITE setAutoSize)
    Q_PROPERTY(bool transparent READ transparent WRITE setTransparent)
    // Re-declared so that a caption set through the property system fits auto size as well.
    Q_PROPERTY(QString text READ text WRITE setText)

public:
    enum TLabel3DStyle { lsLowered = 0, lsNormal = 1, lsRaised = 2 };
    Q_ENUM(TLabel3DStyle)

    static constexpr int minGlub = 0;
    static constexpr int maxGlub = 4;

    explicit TLabel3D(QWidget* parent = nullptr);
    explicit TLabel3D(const QString& text, QWidget* parent = nullptr);

    TLabel3DStyle labelStyle() const { return style_; }
    void setLabelStyle(TLabel3DStyle style);
    // The form compiler calls "set" + property name; QWidget::setStyle(QStyle*) stays usable.
    void setStyle(TLabel3DStyle style) { setLabelStyle(style); }
    using QLabel::setStyle;

    int glub() const { return glub_; }
    void setGlub(int depth); // kept within minGlub..maxGlub, the depths a label can have

    bool showAccelChar() const { return showAccelChar_; }
    void setShowAccelChar(bool on);

    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);

    bool transparent() const { return transparent_; }
    void setTransparent(bool on);

    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The text-drawing flags of the caption and of its relief copies.
    int drawTextFlags() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitToCaption();

    TLabel3DStyle style_ = lsLowered;
    int glub_ = 1;
    bool showAccelChar_ = true;
    bool autoSize_ = true;
    bool transparent_ = false;
};

} // namespace tarvel
