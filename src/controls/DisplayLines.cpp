// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/DisplayLines.h"

#include <algorithm>

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

// The character at `at` (a whole surrogate pair where one starts there) and its length.
char32_t characterAt(QStringView text, qsizetype at, qsizetype& length)
{
    if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        length = 2;
        return QChar::surrogateToUcs4(text[at], text[at + 1]);
    }
    length = 1;
    return text[at].unicode();
}

// Where the piece that begins at `start` reaches `maxRuns` runs and the next run begins;
// text.size() when it does not within `scanLength` characters.
qsizetype endOfRuns(QStringView text, qsizetype start, qsizetype scanLength, qsizetype maxRuns)
{
    ScriptRuns runs;
    qsizetype count = 1;
    const qsizetype end = std::min(text.size(), start + scanLength);
    qsizetype length = 1;
    for (qsizetype i = start; i < end; i += length) {
        if (runs.beginsNewRun(characterAt(text, i, length)) && ++count > maxRuns)
            return i;
    }
    return text.size();
}

} // namespace

bool ScriptRuns::beginsNewRun(char32_t c)
{
    constexpr int kDigitsAfterRightToLeft = -2;
    const QChar::Script script = QChar::script(c);
    const QChar::Direction direction = QChar::direction(c);
    int key = script;
    if (script == QChar::Script_Common || script == QChar::Script_Inherited
        || script == QChar::Script_Unknown) {
        const bool digit = direction == QChar::DirEN || direction == QChar::DirAN;
        if (!digit || !rightToLeft_)
            return false;
        key = kDigitsAfterRightToLeft;
    } else if (direction == QChar::DirR || direction == QChar::DirAL) {
        rightToLeft_ = true;
    } else if (direction == QChar::DirL) {
        rightToLeft_ = false;
    }
    const bool begins = current_ != -1 && key != current_;
    current_ = key;
    return begins;
}

std::vector<qsizetype> displayBreaks(QStringView paragraph, qsizetype maxLength, qsizetype maxRuns)
{
    std::vector<qsizetype> breaks;
    if (maxLength < 2)
        maxLength = 2; // room for a surrogate pair
    maxRuns = std::max<qsizetype>(maxRuns, 1);
    qsizetype start = 0;
    for (;;) {
        // Before the run that would be one too many, when that comes before the length's limit.
        const qsizetype runsEnd = endOfRuns(paragraph, start, maxLength + 1, maxRuns);
        if (runsEnd < paragraph.size()) {
            breaks.push_back(runsEnd);
            start = runsEnd;
            continue;
        }
        if (paragraph.size() - start <= maxLength)
            break;
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

QString breakLongLines(const QString& text, qsizetype maxLength, qsizetype maxRuns)
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
        for (const qsizetype at : displayBreaks(line, maxLength, maxRuns)) {
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
        if (!text[i].isLowSurrogate() || i == 0 || !text[i - 1].isHighSurrogate()) {
            qsizetype length = 1;
            if (runs_.beginsNewRun(characterAt(text, i, length))) {
                if (scriptChanges_ == kMaxShownScriptChanges) {
                    cut_ = DisplayCut::ScriptChanges;
                    break;
                }
                ++scriptChanges_;
            }
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
    case DisplayCut::ScriptChanges:
        limit
            = groupedNumber(kMaxShownScriptChanges) + QStringLiteral(" смен алфавита или направления текста");
        break;
    }
    return QStringLiteral("*** Дальше файл справки не показан: страница справки показывает не больше ")
        + limit + u'.';
}

} // namespace tarvel
