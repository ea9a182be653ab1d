#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A listing view over one of the window's memos: the core clears it and adds whole lines.

#include "shared/Sinks.h"

class QPlainTextEdit;

namespace tarvel {

class MemoSink final : public TextSink {
public:
    explicit MemoSink(QPlainTextEdit& memo) : memo_(memo) { }
    void clear() override;
    void addLine(std::string_view line) override; // UTF-8 text, one memo line

private:
    QPlainTextEdit& memo_;
};

} // namespace tarvel
