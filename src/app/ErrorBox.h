#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A command that fails is abandoned and its error shown over the window in a message box;
// the window stays usable and the program goes on. The box does not hold up the caller: it
// is modal to the window only and deletes itself when closed.

#include <QString>

class QMessageBox;
class QWidget;

namespace tarvel {

// Shows `message` (and `detail` under it, if any) in an error box over `window`, titled
// with the window's caption. Returns the box, already open.
QMessageBox* showErrorBox(QWidget* window, const QString& message, const QString& detail = {});

} // namespace tarvel
