// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/RichTextView.h"

#include "controls/DisplayLines.h"
#include "controls/TextEncoding.h"

#include <QFile>
#include <QTextDocument>

#include <algorithm>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvel {

RichTextView::RichTextView(QWidget* parent) : QTextEdit(parent)
{
}

namespace {

// The whole file, or the reason why not. Only a regular file is read: a FIFO would block
// start-up until someone writes to it, and a device may never end. Opening does not wait
// either (O_NONBLOCK), so a FIFO is refused at once.
QString readHelpFile(const QString& path, QByteArray& bytes)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return qt_error_string(errno);
    const auto closeAndSay = [fd](const QString& reason) {
        ::close(fd);
        return reason;
    };
    struct stat info { };
    if (::fstat(fd, &info) != 0)
        return closeAndSay(qt_error_string(errno));
    if (!S_ISREG(info.st_mode))
        return closeAndSay(QString::fromUtf8(RichTextView::kNotARegularFile));
    if (info.st_size > RichTextView::kMaxHelpFileBytes)
        return closeAndSay(QString::fromUtf8(RichTextView::kTooLarge));
    // One byte past the limit is asked for: a file may grow while it is read.
    bytes.resize(static_cast<qsizetype>(info.st_size) + 1);
    qsizetype got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (bytes.size() > RichTextView::kMaxHelpFileBytes)
                return closeAndSay(QString::fromUtf8(RichTextView::kTooLarge));
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, RichTextView::kMaxHelpFileBytes + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, static_cast<std::size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return closeAndSay(qt_error_string(errno));
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    if (got > RichTextView::kMaxHelpFileBytes)
        return QString::fromUtf8(RichTextView::kTooLarge);
    bytes.truncate(got);
    return {};
}

// As much of the text as one page shows, with long lines broken, and a last line saying what
// was left out (DisplayLines.h).
QString shownPlainText(const QString& text)
{
    DisplayBudget budget;
    QString shown = breakLongLines(text.left(budget.take(text)));
    if (budget.cut() != DisplayCut::None)
        shown += u'\n' + displayCutNote(budget.cut());
    return shown;
}

} // namespace

bool RichTextView::loadFile(const QString& path, QString* error)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    QByteArray bytes;
    if (const QString problem = readHelpFile(path, bytes); !problem.isEmpty())
        return fail(problem);

    // The text is built in a document of its own and then handed to the view: a document that
    // the view lays out while it grows takes time quadratic in its paragraphs.
    auto loaded = std::make_unique<QTextDocument>();
    const QTextDocument* current = document();
    loaded->setDefaultFont(current->defaultFont());
    loaded->setDefaultTextOption(current->defaultTextOption());
    loaded->setDocumentMargin(current->documentMargin());
    loaded->setIndentWidth(current->indentWidth());
    loaded->setUseDesignMetrics(current->useDesignMetrics());
    // Rich text that cannot be read as such is read again from its start as plain text.
    // Either way the number of lines is bounded: every block of a document costs time and
    // memory to lay out and show.
    const RtfParseResult rich = isRtf(bytes) ? readRtf(bytes, *loaded) : RtfParseResult {};
    if (rich.tooLong)
        return fail(QString::fromUtf8(kTooManyLines));
    if (!rich.ok) {
        const QString text = decodePlainText(bytes);
        // The same count as rich text's paragraph ends.
        if (text.count(u'\n') > kMaxHelpLines)
            return fail(QString::fromUtf8(kTooManyLines));
        loaded->setPlainText(shownPlainText(text));
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
