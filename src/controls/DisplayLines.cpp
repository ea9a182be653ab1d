// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/DisplayLines.h"

namespace tarvel {

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == QChar(QChar::LineSeparator);
}

// "200 000": the thousands apart, as the window writes numbers.
QString groupedNumber(qsizetype number)
{
    QString digits = QString::number(number);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u' ');
    return digits;
}

} // namespace

std::vector<qsizetype> displayBreaks(QStringView paragraph, qsizetype maxLength)
{
    std::vector<qsizetype> breaks;
    if (maxLength < 2)
        maxLength = 2; // room for a surrogate pair
    qsizetype start = 0;
    while (paragraph.size() - start > maxLength) {
        qsizetype at = start + maxLength;
        // After a blank in the piece's last quarter, where the wrap would have gone anyway.
        for (qsizetype i = at - 1; i >= start + maxLength - maxLength / 4; --i) {
            if (paragraph[i] == u' ' || paragraph[i] == u'\t') {
                at = i + 1;
                break;
            }
        }
        if (at == start + maxLength && paragraph[at - 1].isHighSurrogate() && paragraph[at].isLowSurrogate())
            --at;
        breaks.push_back(at);
        start = at;
    }
    return breaks;
}

QString breakLongLines(const QString& text, qsizetype maxLength)
{
    QString shown;
    shown.reserve(text.size() + text.size() / (maxLength > 0 ? maxLength : 1) + 1);
    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = text.indexOf(u'\n', lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        const QStringView line = QStringView(text).mid(lineStart, lineEnd - lineStart);
        qsizetype pieceStart = 0;
        for (const qsizetype at : displayBreaks(line, maxLength)) {
            shown += line.mid(pieceStart, at - pieceStart);
            shown += u'\n';
            pieceStart = at;
        }
        shown += line.mid(pieceStart);
        if (lineEnd < text.size())
            shown += u'\n';
        lineStart = lineEnd + 1;
    }
    return shown;
}

} // namespace tarvel

namespace tarvel {

qsizetype DisplayBudget::take(QStringView text)
{
    if (cut_ != DisplayCut::None)
        return 0;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        if (characters_ == kMaxShownCharacters) {
            cut_ = DisplayCut::Characters;
            if (i > 0 && text[i - 1].isHighSurrogate() && text[i].isLowSurrogate())
                --i; // the character outside the BMP goes whole or not at all
            break;
        }
        if (isLineBreak(text[i])) {
            if (lineBreaks_ == kMaxShownLineBreaks) {
                cut_ = DisplayCut::LineBreaks;
                break;
            }
            ++lineBreaks_;
        }
        ++characters_;
    }
    return i;
}

bool DisplayBudget::takeParagraph()
{
    if (cut_ == DisplayCut::None && lineBreaks_ == kMaxShownLineBreaks)
        cut_ = DisplayCut::LineBreaks;
    if (cut_ != DisplayCut::None)
        return false;
    ++lineBreaks_;
    return true;
}

bool DisplayBudget::takeFormatRun()
{
    if (cut_ == DisplayCut::None && formatRuns_ == kMaxShownFormatRuns)
        cut_ = DisplayCut::FormatRuns;
    if (cut_ != DisplayCut::None)
        return false;
    ++formatRuns_;
    return true;
}

QString displayCutNote(DisplayCut cut)
{
    QString limit;
    switch (cut) {
    case DisplayCut::None:
        return {};
    case DisplayCut::Characters:
        limit = groupedNumber(kMaxShownCharacters) + QStringLiteral(" знаков");
        break;
    case DisplayCut::LineBreaks:
        limit = groupedNumber(kMaxShownLineBreaks) + QStringLiteral(" строк");
        break;
    case DisplayCut::FormatRuns:
        limit = groupedNumber(kMaxShownFormatRuns) + QStringLiteral(" смен оформления текста");
        break;
    }
    return QStringLiteral("*** Дальше файл справки не показан: страница справки показывает не больше ")
        + limit + u'.';
}

} // namespace tarvel
