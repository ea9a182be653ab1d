#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF control words the reader acts on, and what each one means to it.

#include <cstdint>
#include <string_view>

namespace tarvel {

enum class RtfWord : std::uint8_t {
    SkippedDestination,
    FontTable,
    ColorTable,
    Par,
    Line,
    Tab,
    Cell,
    Row,
    Pard,
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Super,
    Sub,
    NoSuperSub,
    FontSize,
    Color,
    Background,
    Font,
    DefaultFont,
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    CharSet,
    FontCodePage,
    Red,
    Green,
    Blue,
    UnicodeSkip,
    Unicode,
    Binary,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    Character,
};

struct RtfWordInfo {
    RtfWord word;
    char16_t character = 0; // for RtfWord::Character
};

// What a control word means, or nullptr for a word the reader ignores.
const RtfWordInfo* findRtfWord(std::string_view name);

} // namespace tarvel
