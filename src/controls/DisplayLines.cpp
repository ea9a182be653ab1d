#include "controls/DisplayLines.h"

namespace tarvel {

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
