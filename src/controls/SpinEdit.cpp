// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/SpinEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QWheelEvent>

#include <algorithm>
#include <climits>

namespace tarvel {

std::optional<int> SpinEdit::parseWholeNumber(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i == t.size())
        return std::nullopt; // empty, or a lone sign
    // Accumulate with saturation: a long run of digits is still a whole number, just one
    // beyond any range, so it reads as the extreme it points to rather than wrapping.
    long long magnitude = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = std::min(magnitude * 10 + (c - u'0'), static_cast<long long>(INT_MAX) + 1);
    }
    const long long v = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

SpinEdit::SpinEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
    lineEdit()->setText(QStringLiteral("0"));
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::changed);
}

int SpinEdit::minValue() const
{
    return min_;
}
void SpinEdit::setMinValue(int v)
{
    min_ = v;
}
int SpinEdit::maxValue() const
{
    return max_;
}
void SpinEdit::setMaxValue(int v)
{
    max_ = v;
}
int SpinEdit::increment() const
{
    return increment_;
}
void SpinEdit::setIncrement(int v)
{
    increment_ = v;
}

int SpinEdit::value() const
{
    return parseWholeNumber(lineEdit()->text()).value_or(min_);
}

void SpinEdit::setValue(int v)
{
    lineEdit()->setText(QString::number(v));
}

bool SpinEdit::editorEnabled() const
{
    return editorEnabled_;
}

void SpinEdit::setEditorEnabled(bool on)
{
    editorEnabled_ = on;
    lineEdit()->setReadOnly(!on);
}

bool SpinEdit::autoSelect() const
{
    return autoSelect_;
}
void SpinEdit::setAutoSelect(bool on)
{
    autoSelect_ = on;
}

int SpinEdit::clampToRange(long long v) const
{
    const long long lo = std::min(min_, max_);
    const long long hi = std::max(min_, max_);
    return static_cast<int>(std::clamp(v, lo, hi));
}

void SpinEdit::stepBy(int steps)
{
    const long long next = static_cast<long long>(value()) + static_cast<long long>(increment_) * steps;
    setValue(clampToRange(next));
    if (hasFocus() && autoSelect_)
        selectAll();
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const
{
    // The arrows always work, even at a bound: the step then just lands on the bound.
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State SpinEdit::validate(QString& input, int&) const
{
    // Keys are filtered as they are typed; this stops the same characters arriving by paste
    // or drop. Any text made of allowed characters stands as it is, even out of range or
    // empty: the range is applied when the field is left.
    const bool allowed
        = std::all_of(input.cbegin(), input.cend(), [this](QChar c) { return isTypedCharacterAllowed(c); });
    return allowed ? QValidator::Acceptable : QValidator::Invalid;
}

void SpinEdit::fixup(QString&) const
{
}

bool SpinEdit::isTypedCharacterAllowed(QChar c) const
{
    if (c.isDigit() && c.unicode() < 128)
        return true;
    return c == u'+' || c == u'-' || c == locale().decimalPoint();
}

void SpinEdit::refuseKey(QKeyEvent* event)
{
    event->accept();
    QApplication::beep();
    emit keyRefused();
}

void SpinEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        stepBy(1);
        event->accept();
        return;
    case Qt::Key_Down:
        stepBy(-1);
        event->accept();
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // Only the arrows step; the page keys do nothing here.
        event->accept();
        return;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        refuseKey(event);
        return;
    default:
        break;
    }

    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.front().unicode() >= 0x20 && typed.front() != QChar(0x7F)
        && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (printable) {
        const bool allowed = editorEnabled_ && std::all_of(typed.begin(), typed.end(), [this](QChar c) {
            return isTypedCharacterAllowed(c);
        });
        if (!allowed) {
            refuseKey(event);
            return;
        }
    } else if (!editorEnabled_ && (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)) {
        refuseKey(event);
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void SpinEdit::focusInEvent(QFocusEvent* event)
{
    QAbstractSpinBox::focusInEvent(event);
    // Entered from the keyboard, the whole text is selected so that typing replaces it;
    // a mouse click places the cursor where it lands.
    if (autoSelect_ && event->reason() != Qt::MouseFocusReason)
        selectAll();
    else if (!autoSelect_)
        lineEdit()->deselect();
}

void SpinEdit::focusOutEvent(QFocusEvent* event)
{
    // A typed value outside the range stands until the field is left; a text that is no
    // number (an emptied field) is left as it is and keeps reading as the minimum.
    if (const auto typed = parseWholeNumber(lineEdit()->text())) {
        const int bounded = clampToRange(*typed);
        if (bounded != *typed)
            setValue(bounded);
    }
    QAbstractSpinBox::focusOutEvent(event);
}

void SpinEdit::wheelEvent(QWheelEvent* event)
{
    // The wheel does not step: a value changes only by typing or by the arrows.
    event->ignore();
}

} // namespace tarvel
