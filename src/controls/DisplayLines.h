#pragma once
// Help text shaped for display. The text layout's time grows with the square of a paragraph's
// length when the paragraph has no place to wrap, so a paragraph longer than kMaxDisplayLine
// characters is shown as several: broken after the last blank in its final quarter, else
// exactly at the limit (never inside a surrogate pair). Text this long is nobody's prose; the
// break is the price of showing it at all.

#include <QString>
#include <QStringView>

#include <vector>

namespace tarvel {

inline constexpr qsizetype kMaxDisplayLine = 2000;

// Where a paragraph is broken: ascending offsets, each the start of a new piece, every piece at
// most `maxLength` characters long. Empty for a paragraph that fits.
std::vector<qsizetype> displayBreaks(QStringView paragraph, qsizetype maxLength = kMaxDisplayLine);

// Plain text ('\n' between lines) with every line longer than `maxLength` broken into several.
QString breakLongLines(const QString& text, qsizetype maxLength = kMaxDisplayLine);

} // namespace tarvel
