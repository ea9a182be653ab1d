#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The help pages' view: an editable rich-text view (nothing edited is saved) that loads a help
// file by name.

#include "controls/RtfReader.h"

#include <QTextEdit>

namespace tarvel {

class RichTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextView(QWidget* parent = nullptr);

    // Loads a help file: as rich text when it begins like rich text and can be read as such,
    // otherwise as plain text (UTF-8 when the bytes are valid UTF-8 or carry a byte-order mark,
    // else cp1251). Lines too long to lay out quickly are shown broken, and no more text than
    // a page can lay out without keeping the window waiting is shown: the page then ends with
    // a paragraph saying what was left out (DisplayLines.h).
    // Returns false, leaving the current text untouched, when the file cannot be opened or
    // read, is not a regular file (a FIFO or a device is never waited on), is larger than
    // kMaxHelpFileBytes or has more than kMaxHelpLines paragraph ends (rich text) or line ends
    // (plain text); *error (when not null) then holds
    // the reason: kNotARegularFile, kTooLarge, kTooManyLines or the system's description of
    // the failure. On success the view shows a new
    // document(), which keeps the previous one's default font, text option and margins.
    bool loadFile(const QString& path, QString* error);

    static constexpr qint64 kMaxHelpFileBytes = 16 * 1024 * 1024;
    static constexpr char kNotARegularFile[] = "Файл справки не является обычным файлом";
    static constexpr char kTooLarge[] = "Файл справки слишком велик: больше 16 МБ";
    static constexpr qsizetype kMaxHelpLines = static_cast<qsizetype>(kMaxRtfParagraphs);
    static constexpr char kTooManyLines[] = "Файл справки слишком длинный: больше 20 000 строк";
};

} // namespace tarvel
