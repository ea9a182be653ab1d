// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the RTF reader: it must neither crash, nor hang, nor grow without
// bound, whatever the help file holds.

#include "controls/DisplayLines.h"
#include "controls/RtfReader.h"
#include "controls/TextEncoding.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Fonts and text layout want a GUI application; one offscreen instance serves every input.
void ensureApplication()
{
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "rtf_reader_fuzz";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ensureApplication();
    QTextDocument document;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    tarvel::readRtf(bytes, document);
    // Also read every input as if it began like rich text, so that mutations need not keep
    // the header intact to reach the parser.
    QByteArray withHeader("{\\rtf1 ");
    withHeader.append(bytes);
    tarvel::readRtf(withHeader, document);
    // And as the plain text a help file that is not rich text is shown as, lines broken short
    // so that every break rule (blanks, surrogate pairs) is reached.
    const QString shown = tarvel::breakLongLines(tarvel::decodePlainText(bytes), 7);
    for (const QString& line : shown.split(u'\n'))
        if (line.size() > 7)
            std::abort();
    return 0;
}
