// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/RtfContent.h"

#include "controls/DisplayLines.h"
#include "controls/TextEncoding.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace tarvel {

namespace {

constexpr int kTwipsPerPixel = 15; // 1440 twips per inch at 96 pixels per inch

// Indents and spacing in whole pixels, as the view lays them out.
int wholePixels(int twips)
{
    return twips / kTwipsPerPixel;
}

QTextCharFormat charFormat(const RtfContent& content, const RtfCharProps& props)
{
    QTextCharFormat format;
    format.setFontWeight(props.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(props.italic);
    format.setFontUnderline(props.underline);
    format.setFontStrikeOut(props.strike);
    if (props.vertical != 0)
        format.setVerticalAlignment(
            props.vertical > 0 ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript);
    format.setFontPointSize(props.halfPoints / 2.0);
    const auto font = content.fonts.find(props.font >= 0 ? props.font : content.defaultFont);
    if (font != content.fonts.end() && !font->second.name.isEmpty())
        format.setFontFamilies(QStringList {font->second.name});
    const auto colorAt = [&content](int index) {
        return index > 0 && static_cast<std::size_t>(index) < content.colors.size()
            ? content.colors[static_cast<std::size_t>(index)]
            : QColor();
    };
    if (const QColor color = colorAt(props.color); color.isValid())
        format.setForeground(color);
    if (const QColor color = colorAt(props.background); color.isValid())
        format.setBackground(color);
    return format;
}

QTextBlockFormat blockFormat(const RtfParaProps& props)
{
    QTextBlockFormat format;
    switch (props.alignment) {
    case RtfAlignment::Left:
        format.setAlignment(Qt::AlignLeft);
        break;
    case RtfAlignment::Center:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case RtfAlignment::Right:
        format.setAlignment(Qt::AlignRight);
        break;
    case RtfAlignment::Justify:
        format.setAlignment(Qt::AlignJustify);
        break;
    }
    format.setLeftMargin(wholePixels(props.leftTwips));
    format.setRightMargin(wholePixels(props.rightTwips));
    format.setTextIndent(wholePixels(props.firstLineTwips));
    format.setTopMargin(wholePixels(props.beforeTwips));
    format.setBottomMargin(wholePixels(props.afterTwips));
    return format;
}

// Leaves in the content only what one page shows (DisplayLines.h); the run texts are made safe
// for the document first, so that what is counted is what will be laid out.
DisplayCut fitToPage(RtfContent& content)
{
    DisplayBudget budget;
    std::size_t keptParagraphs = 0;
    for (RtfParagraph& paragraph : content.paragraphs) {
        if (keptParagraphs > 0 && !budget.takeParagraph())
            break;
        ++keptParagraphs;
        std::size_t keptRuns = 0;
        for (RtfRun& run : paragraph.runs) {
            sanitizeForDocument(run.text);
            if (!budget.takeFormatRun())
                break;
            run.text.truncate(budget.take(run.text));
            ++keptRuns;
            if (budget.cut() != DisplayCut::None)
                break;
        }
        paragraph.runs.resize(keptRuns);
        if (budget.cut() != DisplayCut::None)
            break;
    }
    content.paragraphs.resize(keptParagraphs);
    return budget.cut();
}

} // namespace

void writeRtfContent(RtfContent& content, QTextDocument& document)
{
    const DisplayCut cut = fitToPage(content);
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false); // loading is not an edit the user can undo
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool first = true;
    for (const RtfParagraph& paragraph : content.paragraphs) {
        const RtfCharProps& mark = paragraph.runs.empty() ? paragraph.mark : paragraph.runs.front().chars;
        if (first) {
            cursor.setBlockFormat(blockFormat(paragraph.para));
            cursor.setBlockCharFormat(charFormat(content, mark));
            first = false;
        } else {
            cursor.insertBlock(blockFormat(paragraph.para), charFormat(content, mark));
        }
        QString whole;
        for (const RtfRun& run : paragraph.runs)
            whole += run.text;
        // A paragraph too long to lay out quickly is shown as several (DisplayLines.h).
        const std::vector<qsizetype> breaks = displayBreaks(whole);
        auto nextBreak = breaks.begin();
        qsizetype runStart = 0;
        for (const RtfRun& run : paragraph.runs) {
            const QTextCharFormat format = charFormat(content, run.chars);
            qsizetype written = 0;
            for (; nextBreak != breaks.end() && *nextBreak < runStart + run.text.size(); ++nextBreak) {
                const qsizetype at = *nextBreak - runStart;
                cursor.insertText(run.text.mid(written, at - written), format);
                cursor.insertBlock(blockFormat(paragraph.para), format);
                written = at;
            }
            cursor.insertText(written == 0 ? run.text : run.text.mid(written), format);
            runStart += run.text.size();
        }
    }
    if (cut != DisplayCut::None) {
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertText(displayCutNote(cut));
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
}

} // namespace tarvel
