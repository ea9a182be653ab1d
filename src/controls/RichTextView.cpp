#include "controls/RichTextView.h"

#include "controls/TextEncoding.h"

#include <QFile>

namespace tarvel {

RichTextView::RichTextView(QWidget* parent) : QTextEdit(parent) {}

bool RichTextView::loadFile(const QString& path, QString* error)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    // Read one byte past the limit: the size of a special file cannot be trusted.
    const QByteArray bytes = file.read(kMaxHelpFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (bytes.size() > kMaxHelpFileBytes)
        return fail(QString::fromLatin1(kFailedToLoadStream));

    if (isRtf(bytes)) {
        const RtfParseResult result = readRtf(bytes, *document());
        if (!result.ok)
            return fail(result.error);
    } else {
        setPlainText(decodePlainText(bytes));
    }
    moveCursor(QTextCursor::Start);
    if (error)
        error->clear();
    return true;
}

} // namespace tarvel
