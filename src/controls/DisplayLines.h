#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Help text shaped for display. The text layout's time grows with the square of a paragraph's
// length when the paragraph has no place to wrap, so a paragraph longer than kMaxDisplayLine
// characters is shown as several: broken after the last blank in its final quarter, else
// exactly at the limit (never inside a surrogate pair). Text this long is nobody's prose; the
// break is the price of showing it at all.
//
// The layout runs on the window's thread and lays out a paragraph in one go, so a page shows at
// most a bounded text (DisplayBudget): its characters, its line breaks (paragraph ends and
// breaks inside a paragraph alike) and its changes of character format are counted before the
// text reaches the document, and the rest of the file is left out with a closing paragraph that
// says so (displayCutNote).

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace tarvel {

inline constexpr qsizetype kMaxDisplayLine = 2000;

inline constexpr qsizetype kMaxShownCharacters = 100'000;
inline constexpr qsizetype kMaxShownLineBreaks = 20'000;
inline constexpr qsizetype kMaxShownFormatRuns = 10'000;

// Where a paragraph is broken: ascending offsets, each the start of a new piece, every piece at
// most `maxLength` characters long. Empty for a paragraph that fits.
std::vector<qsizetype> displayBreaks(QStringView paragraph, qsizetype maxLength = kMaxDisplayLine);

// Plain text ('\n' between lines) with every line longer than `maxLength` broken into several.
QString breakLongLines(const QString& text, qsizetype maxLength = kMaxDisplayLine);

// Which limit left the rest of a help file out.
enum class DisplayCut : std::uint8_t { None, Characters, LineBreaks, FormatRuns };

// What is left of the text one page shows. Text is offered to it in reading order; once a limit
// is reached nothing more is taken.
class DisplayBudget {
public:
    // How many of the text's first characters fit, counted as taken; '\n' and U+2028 count as
    // line breaks too. A surrogate pair is never cut in two.
    qsizetype take(QStringView text);
    // A paragraph after the first one (its start is a line break); false when it does not fit.
    bool takeParagraph();
    // A run of text in a format of its own; false when it does not fit.
    bool takeFormatRun();
    DisplayCut cut() const { return cut_; }

private:
    qsizetype characters_ = 0;
    qsizetype lineBreaks_ = 0;
    qsizetype formatRuns_ = 0;
    DisplayCut cut_ = DisplayCut::None;
};

// The paragraph that ends a page which does not show its whole file, saying why; empty for
// DisplayCut::None.
QString displayCutNote(DisplayCut cut);

} // namespace tarvel
