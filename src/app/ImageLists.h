#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The window's pictures, drawn at start-up: 16 x 16 tab images on a transparent background
// and the 32 x 32 application icon. Needs a QGuiApplication.

#include <QIcon>
#include <QList>

namespace tarvel {

// ImageList1 (tabs of the inner page controls): yellow, green, cyan, blue, red disc.
QList<QIcon> imageList1();
// ImageList2 (tabs of PageControl1): red, yellow, green, cyan, blue square;
// yellow, green, cyan, blue, red disc.
QList<QIcon> imageList2();

// The window icon: the interface box with its red button and USB cable, 32 x 32.
QIcon applicationIcon();

} // namespace tarvel
