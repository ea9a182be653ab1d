#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// An integer field with up/down arrows whose rules are the programmer's own, not QSpinBox's:
// the value is the text read as a whole number (a text that is not one reads as the
// minimum); only digits, '+', '-' and the decimal separator can be typed, anything else
// (Enter included) is refused with a beep; a typed value outside the range stays until
// the field loses focus, then the nearest bound replaces it; an emptied field stays empty;
// the arrows and the Up/Down keys step and clamp; `changed` fires as the text changes.
// Pasted or dropped text holding any other character is refused as a whole (silently).

#include <QAbstractSpinBox>

#include <optional>

namespace tarvel {

class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT
    Q_PROPERTY(int minValue READ minValue WRITE setMinValue)
    Q_PROPERTY(int maxValue READ maxValue WRITE setMaxValue)
    Q_PROPERTY(int increment READ increment WRITE setIncrement)
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY changed USER true)
    Q_PROPERTY(bool editorEnabled READ editorEnabled WRITE setEditorEnabled)
    Q_PROPERTY(bool autoSelect READ autoSelect WRITE setAutoSelect)

public:
    explicit SpinEdit(QWidget* parent = nullptr);

    int minValue() const;
    void setMinValue(int v);
    int maxValue() const;
    void setMaxValue(int v);
    int increment() const;
    void setIncrement(int v);
    int value() const; // the text as a whole number, or minValue()
    void setValue(int v); // shows v as it is, even outside the range: no clamping
    bool editorEnabled() const;
    void setEditorEnabled(bool on); // off: the value changes only through the arrows
    bool autoSelect() const;
    void setAutoSelect(bool on); // off: entering the field leaves the text unselected

    // An optional sign and decimal digits, blanks around allowed; anything else is not a
    // whole number. Digits beyond the int range saturate at its ends.
    static std::optional<int> parseWholeNumber(const QString& text);

    void stepBy(int steps) override;

signals:
    void changed(); // the text changed, by typing, stepping or setValue
    void keyRefused(); // a key was refused (and the beep sounded)

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool isTypedCharacterAllowed(QChar c) const;
    void refuseKey(QKeyEvent* event);
    int clampToRange(long long v) const;

    int min_ = 0;
    int max_ = 100;
    int increment_ = 1;
    bool editorEnabled_ = true;
    bool autoSelect_ = true;
};

} // namespace tarvel
