#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The window speaks Russian whatever the desktop's language: Qt's own texts (the standard
// dialog buttons, the edit fields' context menus) come from Qt's Russian translation, which
// the system's Qt installs beside its other translations. That catalogue leaves the "OK"
// button in Latin letters; the window's boxes say "ОК", as the rest of the window is
// written, so that one word is put right on top of it.

class QCoreApplication;

namespace tarvel {

// Loads Qt's Russian translation and the "ОК" above it into the application. False when
// the system has no Russian translation of Qt (its English texts then stay, but for "ОК").
bool installQtRussianTranslation(QCoreApplication& application);

} // namespace tarvel
