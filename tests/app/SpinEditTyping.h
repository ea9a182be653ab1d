#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Typing into a spin edit the way a user does: click into it, select its text, replace it.

#include "controls/SpinEdit.h"

#include <QLineEdit>
#include <QTest>

namespace tarvel::testing {

// Focuses the field as a click would and replaces its text by typing `text`.
inline void typeInto(SpinEdit* spin, const QString& text)
{
    spin->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(spin->hasFocus());
    spin->findChild<QLineEdit*>()->selectAll();
    QTest::keyClick(spin, Qt::Key_Backspace);
    QTest::keyClicks(spin, text);
}

} // namespace tarvel::testing
