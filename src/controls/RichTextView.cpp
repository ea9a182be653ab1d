#include "controls/RichTextView.h"

#include "controls/TextEncoding.h"

#include <QFile>
#include <QTextDocument>

#include <memory>

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

    // The text is built in a document of its own and then handed to the view: a document that
    // the view lays out while it grows takes time quadratic in its paragraphs.
    auto loaded = std::make_unique<QTextDocument>();
    const QTextDocument* current = document();
    loaded->setDefaultFont(current->defaultFont());
    loaded->setDefaultTextOption(current->defaultTextOption());
    loaded->setDocumentMargin(current->documentMargin());
    loaded->setIndentWidth(current->indentWidth());
    loaded->setUseDesignMetrics(current->useDesignMetrics());
    if (isRtf(bytes)) {
        const RtfParseResult result = readRtf(bytes, *loaded);
        if (!result.ok)
            return fail(result.error);
    } else {
        loaded->setPlainText(decodePlainText(bytes));
    }
    // setDocument frees only a document its inner control owns; one this view loaded before
    // is freed here, or every help page shown would stay in memory.
    QTextDocument* const previous = document();
    const bool ownPrevious = previous->parent() == this;
    loaded->setParent(this);
    setDocument(loaded.release());
    if (ownPrevious)
        previous->deleteLater();
    moveCursor(QTextCursor::Start);
    if (error)
        error->clear();
    return true;
}

} // namespace tarvel
