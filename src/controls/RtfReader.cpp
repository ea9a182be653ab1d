// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/RtfReader.h"

#include "controls/RtfContent.h"
#include "controls/RtfControlWords.h"
#include "controls/TextEncoding.h"

#include <QColor>
#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarvel {

namespace {

constexpr std::size_t kMaxWordLength = 32; // longer names are nobody's control word
constexpr int kMaxParamDigits = 10; // further digits are read but ignored
constexpr int kMinHalfPoints = 2;
constexpr int kMaxHalfPoints = 3276; // 1638 pt, the largest size word processors offer
constexpr int kMaxUnicodeSkip = 255;
constexpr int kMaxTwips = 31680; // 22 inches, wider than any page
constexpr std::size_t kMaxTableEntries = 65536;

enum class Destination : std::uint8_t { Text, Skip, FontTable, ColorTable };

struct GroupState {
    RtfCharProps chars;
    RtfParaProps para;
    Destination destination = Destination::Text;
    int unicodeSkip = 1;
};

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Where the rich text begins: after an optional UTF-8 byte-order mark and blanks.
qsizetype rtfStart(QByteArrayView data)
{
    qsizetype pos = 0;
    if (data.startsWith(QByteArrayView("\xEF\xBB\xBF")))
        pos = 3;
    while (pos < data.size()
        && (data[pos] == ' ' || data[pos] == '\t' || data[pos] == '\r' || data[pos] == '\n'))
        ++pos;
    return pos;
}

class Parser {
public:
    explicit Parser(QByteArrayView data) : data_(data)
    {
        stack_.reserve(kMaxGroupDepth + 1);
        stack_.push_back(GroupState {});
    }

    void run();
    bool usable() const { return closed_ || producedText_; }
    bool tooLong() const { return tooLong_; }
    void writeTo(QTextDocument& document) { writeRtfContent(content_, document); }

private:
    GroupState& state() { return stack_.back(); }
    // Groups past kMaxGroupDepth share the deepest group's state, so a destination they set
    // would outlast them and swallow the enclosing group's text: they may not set one.
    bool overDeep() const { return overflowDepth_ > 0; }

    void openGroup();
    void closeGroup();
    void readControl();
    void controlWord(std::string_view name, bool hasParam, int param);
    bool documentWord(RtfWord word, bool hasParam, int param);
    void fontTableWord(RtfWord word, bool hasParam, int param);
    void colorTableWord(RtfWord word, bool hasParam, int param);
    bool textWord(const RtfWordInfo& info);
    void formatWord(RtfWord word, bool hasParam, int param);
    void paragraphWord(RtfWord word, bool hasParam, int param);
    void controlSymbol(char c);
    void textByte(char c);
    void appendText(const QString& text);
    void appendChar(char32_t c);
    void flushBytes();
    void endParagraph();
    void commitFont();
    void commitColor();
    int currentCodePage() const;
    bool consumeFallback();

    QByteArrayView data_;
    qsizetype pos_ = 0;
    std::vector<GroupState> stack_;
    int overflowDepth_ = 0; // groups opened beyond kMaxGroupDepth and not yet closed
    bool groupStart_ = false; // the last token opened a group (where \* is meaningful)
    bool closed_ = false;
    bool tooLong_ = false; // more than kMaxRtfParagraphs paragraphs
    bool producedText_ = false;
    int fallbackLeft_ = 0; // characters still to skip after a \uN

    int documentCodePage_ = kCodePageWestern;
    int fontIndex_ = -1; // the font table entry being read
    QByteArray fontName_;
    int fontCodePage_ = 0;
    bool fontCodePageExplicit_ = false;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorGiven_ = false;

    QByteArray pendingBytes_; // 8-bit text awaiting decoding in the current code page
    CodePageDecoder decoder_;
    RtfContent content_;
};

void Parser::run()
{
    pos_ = rtfStart(data_);
    while (pos_ < data_.size() && !closed_ && !tooLong_) {
        const char c = data_[pos_++];
        switch (c) {
        case '{':
            openGroup();
            break;
        case '}':
            closeGroup();
            break;
        case '\\':
            readControl();
            break;
        case '\r':
        case '\n':
            break;
        default:
            groupStart_ = false;
            textByte(c);
            break;
        }
    }
    flushBytes();
    if (content_.paragraphs.size() > 1 && content_.paragraphs.back().runs.empty())
        content_.paragraphs.pop_back(); // the last \par ends the last paragraph; it adds no empty line
}

void Parser::openGroup()
{
    flushBytes();
    fallbackLeft_ = 0;
    groupStart_ = true;
    if (stack_.size() <= static_cast<std::size_t>(kMaxGroupDepth)) {
        GroupState copy = stack_.back();
        stack_.push_back(copy);
    } else {
        ++overflowDepth_;
    }
}

void Parser::closeGroup()
{
    flushBytes();
    fallbackLeft_ = 0;
    groupStart_ = false;
    if (overflowDepth_ > 0) {
        --overflowDepth_;
        return;
    }
    if (state().destination == Destination::FontTable)
        commitFont();
    if (stack_.size() > 1)
        stack_.pop_back();
    if (stack_.size() == 1)
        closed_ = true;
}

void Parser::readControl()
{
    if (pos_ >= data_.size())
        return; // a lone backslash at the end
    const char first = data_[pos_];
    if (!isAsciiLetter(first)) {
        ++pos_;
        controlSymbol(first);
        groupStart_ = false;
        return;
    }
    const qsizetype nameStart = pos_;
    while (pos_ < data_.size() && isAsciiLetter(data_[pos_]))
        ++pos_;
    const auto nameLength = static_cast<std::size_t>(pos_ - nameStart);
    bool negative = false;
    if (pos_ + 1 < data_.size() && data_[pos_] == '-' && isDigit(data_[pos_ + 1])) {
        negative = true;
        ++pos_;
    }
    std::int64_t value = 0;
    int digits = 0;
    while (pos_ < data_.size() && isDigit(data_[pos_])) {
        if (digits < kMaxParamDigits)
            value = value * 10 + (data_[pos_] - '0');
        ++digits;
        ++pos_;
    }
    if (pos_ < data_.size() && data_[pos_] == ' ')
        ++pos_; // the space that ends a control word belongs to it
    if (negative)
        value = -value;
    value = std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX);
    const std::string_view name = nameLength <= kMaxWordLength
        ? std::string_view(data_.data() + nameStart, nameLength)
        : std::string_view();
    controlWord(name, digits > 0, static_cast<int>(value));
    groupStart_ = false;
}

// Counts one character of a \uN fallback; true when the token is to be dropped.
bool Parser::consumeFallback()
{
    if (fallbackLeft_ <= 0)
        return false;
    --fallbackLeft_;
    return true;
}

void Parser::controlWord(std::string_view name, bool hasParam, int param)
{
    const RtfWordInfo* found = findRtfWord(name);
    if (found && found->word == RtfWord::Binary) {
        // Raw bytes follow, whatever the destination: skip them so that they are never
        // taken for braces or text.
        const qsizetype count = std::max(0, hasParam ? param : 0);
        pos_ += std::min(count, data_.size() - pos_);
        consumeFallback();
        return;
    }
    if (consumeFallback())
        return;
    GroupState& s = state();
    if (s.destination == Destination::Skip || !found)
        return;
    flushBytes();

    const RtfWordInfo info = *found;
    if (documentWord(info.word, hasParam, param))
        return;
    if (s.destination == Destination::FontTable)
        fontTableWord(info.word, hasParam, param);
    else if (s.destination == Destination::ColorTable)
        colorTableWord(info.word, hasParam, param);
    else if (!textWord(info))
        formatWord(info.word, hasParam, param);
}

// The words that count in every destination but a skipped one: the document's code page,
// its default font, the Unicode characters and the destinations to skip.
bool Parser::documentWord(RtfWord word, bool hasParam, int param)
{
    GroupState& s = state();
    switch (word) {
    case RtfWord::SkippedDestination:
        if (!overDeep())
            s.destination = Destination::Skip;
        return true;
    case RtfWord::UnicodeSkip:
        s.unicodeSkip = std::clamp(hasParam ? param : 1, 0, kMaxUnicodeSkip);
        return true;
    case RtfWord::Ansi:
        documentCodePage_ = kCodePageWestern;
        return true;
    case RtfWord::Mac:
        documentCodePage_ = 10000;
        return true;
    case RtfWord::Pc:
        documentCodePage_ = 437;
        return true;
    case RtfWord::Pca:
        documentCodePage_ = 850;
        return true;
    case RtfWord::AnsiCodePage:
        if (hasParam && param > 0)
            documentCodePage_ = param;
        return true;
    case RtfWord::DefaultFont:
        content_.defaultFont = hasParam ? param : -1;
        return true;
    case RtfWord::Unicode: {
        // The character counts in text only, but its fallback is skipped everywhere.
        std::int64_t code = hasParam ? param : 0;
        if (code < 0)
            code += 65536; // written as a signed 16-bit number
        appendChar(code >= 0 && code <= 0x10FFFF ? static_cast<char32_t>(code) : U'\uFFFD');
        fallbackLeft_ = s.unicodeSkip;
        return true;
    }
    default:
        return false;
    }
}

void Parser::fontTableWord(RtfWord word, bool hasParam, int param)
{
    switch (word) {
    case RtfWord::Font:
        commitFont();
        fontIndex_ = hasParam ? param : -1;
        break;
    case RtfWord::CharSet:
        if (!fontCodePageExplicit_)
            fontCodePage_ = codePageForCharset(hasParam ? param : 0);
        break;
    case RtfWord::FontCodePage:
        fontCodePage_ = std::max(0, hasParam ? param : 0);
        fontCodePageExplicit_ = true;
        break;
    default:
        break;
    }
}

void Parser::colorTableWord(RtfWord word, bool hasParam, int param)
{
    const int component = std::clamp(hasParam ? param : 0, 0, 255);
    switch (word) {
    case RtfWord::Red:
        red_ = component;
        colorGiven_ = true;
        break;
    case RtfWord::Green:
        green_ = component;
        colorGiven_ = true;
        break;
    case RtfWord::Blue:
        blue_ = component;
        colorGiven_ = true;
        break;
    default:
        break;
    }
}

// In text: the tables that open here, and the words that stand for text; false for the rest.
bool Parser::textWord(const RtfWordInfo& info)
{
    GroupState& s = state();
    switch (info.word) {
    case RtfWord::FontTable:
        if (overDeep())
            return true;
        s.destination = Destination::FontTable;
        fontIndex_ = -1;
        fontName_.clear();
        return true;
    case RtfWord::ColorTable:
        if (overDeep())
            return true;
        s.destination = Destination::ColorTable;
        red_ = green_ = blue_ = 0;
        colorGiven_ = false;
        return true;
    case RtfWord::Par:
    case RtfWord::Row:
        endParagraph();
        return true;
    case RtfWord::Line:
        appendChar(QChar::LineSeparator);
        return true;
    case RtfWord::Tab:
    case RtfWord::Cell:
        appendChar(U'\t');
        return true;
    case RtfWord::Character:
        appendChar(info.character);
        return true;
    default:
        return false;
    }
}

// In text: the character and paragraph formatting of the current group.
void Parser::formatWord(RtfWord word, bool hasParam, int param)
{
    RtfCharProps& c = state().chars;
    const bool on = !hasParam || param != 0;
    switch (word) {
    case RtfWord::Plain:
        c = RtfCharProps {};
        break;
    case RtfWord::Bold:
        c.bold = on;
        break;
    case RtfWord::Italic:
        c.italic = on;
        break;
    case RtfWord::Underline:
        c.underline = on;
        break;
    case RtfWord::UnderlineNone:
        c.underline = false;
        break;
    case RtfWord::Strike:
        c.strike = on;
        break;
    case RtfWord::Super:
        c.vertical = 1;
        break;
    case RtfWord::Sub:
        c.vertical = -1;
        break;
    case RtfWord::NoSuperSub:
        c.vertical = 0;
        break;
    case RtfWord::FontSize:
        c.halfPoints = hasParam && param > 0 ? std::clamp(param, kMinHalfPoints, kMaxHalfPoints)
                                             : kRtfDefaultHalfPoints;
        break;
    case RtfWord::Color:
        c.color = std::max(0, hasParam ? param : 0);
        break;
    case RtfWord::Background:
        c.background = std::max(0, hasParam ? param : 0);
        break;
    case RtfWord::Font:
        c.font = hasParam ? param : -1;
        break;
    default:
        paragraphWord(word, hasParam, param);
        break;
    }
}

void Parser::paragraphWord(RtfWord word, bool hasParam, int param)
{
    RtfParaProps& p = state().para;
    const int twips = std::clamp(hasParam ? param : 0, -kMaxTwips, kMaxTwips);
    switch (word) {
    case RtfWord::Pard:
        p = RtfParaProps {};
        break;
    case RtfWord::AlignLeft:
        p.alignment = RtfAlignment::Left;
        break;
    case RtfWord::AlignCenter:
        p.alignment = RtfAlignment::Center;
        break;
    case RtfWord::AlignRight:
        p.alignment = RtfAlignment::Right;
        break;
    case RtfWord::AlignJustify:
        p.alignment = RtfAlignment::Justify;
        break;
    case RtfWord::LeftIndent:
        p.leftTwips = twips;
        break;
    case RtfWord::RightIndent:
        p.rightTwips = twips;
        break;
    case RtfWord::FirstIndent:
        p.firstLineTwips = twips;
        break;
    case RtfWord::SpaceBefore:
        p.beforeTwips = std::max(0, twips);
        break;
    case RtfWord::SpaceAfter:
        p.afterTwips = std::max(0, twips);
        break;
    default:
        break;
    }
}

void Parser::controlSymbol(char c)
{
    if (c == '\'') {
        // \'hh: one byte in the current code page. A truncated escape yields nothing.
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos_ < data_.size() && hexValue(data_[pos_]) >= 0) {
            value = value * 16 + hexValue(data_[pos_]);
            ++digits;
            ++pos_;
        }
        if (consumeFallback() || digits < 2)
            return;
        const char byte = static_cast<char>(value);
        switch (state().destination) {
        case Destination::Text:
            pendingBytes_.append(byte);
            producedText_ = true;
            break;
        case Destination::FontTable:
            fontName_.append(byte);
            break;
        default:
            break;
        }
        return;
    }
    if (consumeFallback())
        return;
    GroupState& s = state();
    if (c == '*') {
        if (groupStart_ && !overDeep())
            s.destination = Destination::Skip;
        return;
    }
    if (c == '\\' || c == '{' || c == '}') {
        textByte(c);
        return;
    }
    if (s.destination != Destination::Text)
        return;
    switch (c) {
    case '~':
        appendChar(U'\u00A0');
        break;
    case '_':
        appendChar(U'\u2011');
        break;
    case '\r':
    case '\n':
        flushBytes();
        endParagraph();
        break;
    case '\t':
        appendChar(U'\t');
        break;
    default:
        break; // \- (optional hyphen), \: and \| show nothing
    }
}

void Parser::textByte(char c)
{
    if (consumeFallback())
        return;
    switch (state().destination) {
    case Destination::Text:
        if (c == '\t') {
            appendChar(U'\t');
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            pendingBytes_.append(c);
            producedText_ = true;
        }
        break;
    case Destination::FontTable:
        if (c == ';')
            commitFont();
        else
            fontName_.append(c);
        break;
    case Destination::ColorTable:
        if (c == ';')
            commitColor();
        break;
    case Destination::Skip:
        break;
    }
}

int Parser::currentCodePage() const
{
    const int index = stack_.back().chars.font >= 0 ? stack_.back().chars.font : content_.defaultFont;
    const auto found = content_.fonts.find(index);
    if (found != content_.fonts.end() && found->second.codePage > 0)
        return found->second.codePage;
    return documentCodePage_;
}

void Parser::flushBytes()
{
    if (pendingBytes_.isEmpty())
        return;
    const QString text = decoder_.decode(pendingBytes_, currentCodePage());
    pendingBytes_.clear();
    appendText(text);
}

void Parser::appendChar(char32_t c)
{
    if (state().destination != Destination::Text)
        return;
    if (c < 0x20 && c != U'\t')
        return;
    flushBytes();
    const char32_t one[] = {c};
    appendText(QString::fromUcs4(one, 1));
    producedText_ = true;
}

void Parser::appendText(const QString& text)
{
    if (text.isEmpty())
        return;
    RtfParagraph& paragraph = content_.paragraphs.back();
    const GroupState& s = state();
    paragraph.para = s.para;
    if (!paragraph.runs.empty() && paragraph.runs.back().chars == s.chars)
        paragraph.runs.back().text += text;
    else
        paragraph.runs.push_back(RtfRun {text, s.chars});
}

void Parser::endParagraph()
{
    flushBytes();
    RtfParagraph& paragraph = content_.paragraphs.back();
    paragraph.para = state().para;
    paragraph.mark = state().chars;
    if (content_.paragraphs.size() > kMaxRtfParagraphs)
        tooLong_ = true; // the rest is not read: nobody's help runs this long
    else
        content_.paragraphs.emplace_back();
}

void Parser::commitFont()
{
    if (fontIndex_ >= 0 && (content_.fonts.size() < kMaxTableEntries || content_.fonts.count(fontIndex_))) {
        const int codePage = fontCodePage_ > 0 ? fontCodePage_ : documentCodePage_;
        QString name = decoder_.decode(fontName_, codePage).trimmed();
        sanitizeForDocument(name);
        content_.fonts[fontIndex_] = RtfFont {name, fontCodePage_};
    }
    fontIndex_ = -1;
    fontName_.clear();
    fontCodePage_ = 0;
    fontCodePageExplicit_ = false;
}

void Parser::commitColor()
{
    if (content_.colors.size() < kMaxTableEntries)
        content_.colors.push_back(colorGiven_ ? QColor(red_, green_, blue_) : QColor());
    red_ = green_ = blue_ = 0;
    colorGiven_ = false;
}

} // namespace

bool isRtf(QByteArrayView data)
{
    return data.sliced(rtfStart(data)).startsWith(QByteArrayView("{\\rtf"));
}

RtfParseResult readRtf(QByteArrayView data, QTextDocument& into)
{
    if (!isRtf(data))
        return {false, QString::fromLatin1(kFailedToLoadStream)};
    Parser parser(data);
    parser.run();
    if (parser.tooLong())
        return {false, QString::fromLatin1(kFailedToLoadStream), true};
    if (!parser.usable())
        return {false, QString::fromLatin1(kFailedToLoadStream)};
    parser.writeTo(into);
    return {true, QString()};
}

} // namespace tarvel
