#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Help text shaped for display. The text layout's time grows with the square of a paragraph's
// length when the paragraph has no place to wrap, so a paragraph longer than kMaxDisplayLine
// characters is shown as several: broken after the last blank in its final quarter, else
// exactly at the limit (never inside a surrogate pair). Text this long is nobody's prose; the
// break is the price of showing it at all.
//
// The layout also shapes every run of one script and direction on its own, at a cost that grows
// with the square of a paragraph's runs: a paragraph whose script or direction changes more than
// kMaxDisplayLineRuns times is broken the same way (text that changes so often is no language).
//
// The layout runs on the window's thread and lays out a paragraph in one go, so a page shows at
// most a bounded text (DisplayBudget): its characters, its line breaks (paragraph ends and
// breaks inside a paragraph alike), its changes of character format and its changes of script
// or direction are counted before the text reaches the document, and the rest of the file is
// left out with a closing paragraph that says so (displayCutNote).

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace tarvel {

inline constexpr qsizetype kMaxDisplayLine = 2000;
inline constexpr qsizetype kMaxDisplayLineRuns = 500;

inline constexpr qsizetype kMaxShownCharacters = 100'000;
inline constexpr qsizetype kMaxShownLineBreaks = 20'000;
inline constexpr qsizetype kMaxShownFormatRuns = 10'000;
inline constexpr qsizetype kMaxShownScriptChanges = 5'000;

// Where the text layout begins a new run of text, fed one character at a time in reading order:
// at a change of script (Latin, Cyrillic, Hebrew ...), and at digits that follow right-to-left
// text. Blanks, punctuation and marks belong to the run they stand in.
class ScriptRuns {
public:
    // True when `c` begins a run other than the text's first.
    bool beginsNewRun(char32_t c);

private:
    int current_ = -1; // the current run's key; -1 before the first
    bool rightToLeft_ = false; // the last letter's direction
};

// Where a paragraph is broken: ascending offsets, each the start of a new piece, every piece at
// most `maxLength` characters long and of at most `maxRuns` runs (ScriptRuns). Empty for a
// paragraph that fits.
std::vector<qsizetype> displayBreaks(
    QStringView paragraph, qsizetype maxLength = kMaxDisplayLine, qsizetype maxRuns = kMaxDisplayLineRuns);

// Plain text ('\n' between lines) with every line that does not fit broken into several.
QString breakLongLines(
    const QString& text, qsizetype maxLength = kMaxDisplayLine, qsizetype maxRuns = kMaxDisplayLineRuns);

// Which limit left the rest of a help file out.
enum class DisplayCut : std::uint8_t { None, Characters, LineBreaks, FormatRuns, ScriptChanges };

// What is left of the text one page shows. Text is offered to it in reading order; once a limit
// is reached nothing more is taken.
class DisplayBudget {
public:
    // How many of the text's first characters fit, counted as taken; '\n' and U+2028 count as
    // line breaks too, and a character that begins a new run (ScriptRuns) as a change of
    // script. A surrogate pair is never cut in two.
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
    qsizetype scriptChanges_ = 0;
    ScriptRuns runs_;
    DisplayCut cut_ = DisplayCut::None;
};

// The paragraph that ends a page which does not show its whole file, saying why; empty for
// DisplayCut::None.
QString displayCutNote(DisplayCut cut);

} // namespace tarvel
