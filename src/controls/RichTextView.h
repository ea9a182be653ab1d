#pragma once
// The help pages' view: an editable rich-text view (nothing edited is saved) that loads a help
// file by name.

#include "controls/RtfReader.h"

#include <QTextEdit>

namespace tarvel {

class RichTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextView(QWidget* parent = nullptr);

    // Loads a help file: as rich text when it begins like rich text, otherwise as plain text
    // (UTF-8 when the bytes are valid UTF-8 or carry a byte-order mark, else cp1251). Returns
    // false, leaving the current text untouched, when the file cannot be opened or read, is
    // larger than kMaxHelpFileBytes, or begins like rich text but cannot be read as such (see
    // RtfReader.h); *error (when not null) then holds the reason: "Failed to Load Stream" or
    // the system's description of the failure. On success the view shows a new document(),
    // which keeps the previous one's default font, text option and margins.
    bool loadFile(const QString& path, QString* error);

    static constexpr qint64 kMaxHelpFileBytes = 16 * 1024 * 1024;
};

} // namespace tarvel
