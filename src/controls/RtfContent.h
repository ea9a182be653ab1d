#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What the RTF reader makes of a document before it touches a QTextDocument: paragraphs of
// runs of equally formatted text, the font and colour tables. Building this first lets the
// reader refuse hopeless input without changing the document it was given.

#include <QColor>
#include <QString>

#include <cstdint>
#include <map>
#include <vector>

class QTextDocument;

namespace tarvel {

inline constexpr int kRtfDefaultHalfPoints = 24; // 12 pt, the size when a document names none

enum class RtfAlignment : std::uint8_t { Left, Center, Right, Justify };

struct RtfCharProps {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::int8_t vertical = 0; // -1 subscript, 1 superscript
    int halfPoints = kRtfDefaultHalfPoints;
    int font = -1; // -1: the document's default font
    int color = 0; // colour table index; 0: the view's own text colour
    int background = 0;
    bool operator==(const RtfCharProps&) const = default;
};

struct RtfParaProps {
    RtfAlignment alignment = RtfAlignment::Left;
    int leftTwips = 0;
    int rightTwips = 0;
    int firstLineTwips = 0;
    int beforeTwips = 0;
    int afterTwips = 0;
};

struct RtfFont {
    QString name;
    int codePage = 0; // 0: the document's code page
};

struct RtfRun {
    QString text;
    RtfCharProps chars;
};

struct RtfParagraph {
    RtfParaProps para;
    RtfCharProps mark; // the format of the paragraph's end, which sets an empty line's height
    std::vector<RtfRun> runs;
};

struct RtfContent {
    std::vector<RtfParagraph> paragraphs {1};
    std::map<int, RtfFont> fonts;
    std::vector<QColor> colors; // invalid: "auto", the view's own colour
    int defaultFont = -1;
};

// Replaces the document's text by the content (whose run texts it sanitises on the way), as
// much of it as one help page shows (DisplayLines.h), followed by a paragraph saying what was
// left out.
// Undo is off while writing, so that loading is not an edit the user can undo.
void writeRtfContent(RtfContent& content, QTextDocument& document);

} // namespace tarvel
