#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads rich text (RTF) into a QTextDocument without any widget, so that the help pages, the
// tests and the fuzz target all use the same reader.
//
// What it understands: groups with their character state; paragraphs and line breaks, tabs;
// bold, italic, underline, strike-through, super/subscript; font size; colours from the colour
// table; fonts from the font table with their character sets, which decide the code page of
// \'hh escapes and 8-bit text (\ansicpg when the font names none); \uN with its \ucN fallback;
// special characters (dashes, quotes, bullet, non-breaking space and hyphen); paragraph
// alignment and indents. Pictures, objects, headers, footers, the style sheet, the document
// information, field instructions and every ignorable (\*) group are skipped; \binN skips its
// raw bytes. Table cells become tabs and table rows paragraphs.
//
// Hostile input is bounded: at most kMaxRtfParagraphs paragraphs are read, groups nest at most kMaxGroupDepth deep (deeper groups are read
// with the state of the deepest one), control word names and parameters have capped lengths,
// sizes and code points are clamped, and the time is linear in the input.
//
// When the input counts as rich text at all: it begins with "{\rtf" (after an optional UTF-8
// byte-order mark and blanks), and either its outermost group closes or it produces at least
// one character of text. A file that starts like rich text but gives neither (say, a truncated
// header) is refused with "Failed to Load Stream". Text after the outermost group's closing
// brace is ignored.

#include <QByteArrayView>
#include <QString>

#include <cstddef>

class QTextDocument;

namespace tarvel {

inline constexpr int kMaxGroupDepth = 1000;
// More paragraphs than this are not read: a document that long is refused as too long.
inline constexpr std::size_t kMaxRtfParagraphs = 20'000;

// The message for data that cannot be loaded as rich text.
inline constexpr char kFailedToLoadStream[] = "Failed to Load Stream";

struct RtfParseResult {
    bool ok = false;
    QString error; // empty when ok
    bool tooLong = false; // more than kMaxRtfParagraphs paragraphs
};

// True when the data begins like rich text ("{\rtf", after an optional BOM and blanks).
bool isRtf(QByteArrayView data);

// Replaces the content of `into` with the rich text read from `data`. On failure `into` is
// left exactly as it was and the result holds the reason.
RtfParseResult readRtf(QByteArrayView data, QTextDocument& into);

} // namespace tarvel
