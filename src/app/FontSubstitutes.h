#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The form names Windows fonts ("MS Sans Serif", "Courier New", "Arial Narrow") that a
// Linux desktop rarely has. Map each to an installed face of similar build, so the texts
// keep roughly the widths the positions were laid out for.

namespace tarvel {

// Safe to call more than once; needs a QGuiApplication.
void installFontSubstitutes();

} // namespace tarvel
