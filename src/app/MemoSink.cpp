// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MemoSink.h"

#include <QPlainTextEdit>

namespace tarvel {

void MemoSink::clear()
{
    memo_.clear();
}

void MemoSink::addLine(std::string_view line)
{
    memo_.appendPlainText(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
}

} // namespace tarvel
