#include "controls/RtfReader.h"

#include "controls/TextEncoding.h"

#include <QColor>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvel {

namespace {

constexpr std::size_t kMaxWordLength = 32;  // longer names are nobody's control word
constexpr int kMaxParamDigits = 10;         // further digits are read but ignored
constexpr int kDefaultHalfPoints = 24;      // 12 pt, the size when a document names none
constexpr int kMinHalfPoints = 2;
constexpr int kMaxHalfPoints = 3276;        // 1638 pt, the largest size word processors offer
constexpr int kMaxUnicodeSkip = 255;
constexpr int kMaxTwips = 31680;            // 22 inches, wider than any page
constexpr int kTwipsPerPixel = 15;          // 1440 twips per inch at 96 pixels per inch
constexpr std::size_t kMaxTableEntries = 65536;

enum class Destination : std::uint8_t { Text, Skip, FontTable, ColorTable };

enum class Alignment : std::uint8_t { Left, Center, Right, Justify };

struct CharProps {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::int8_t vertical = 0; // -1 subscript, 1 superscript
    int halfPoints = kDefaultHalfPoints;
    int font = -1;            // -1: the document's default font
    int color = 0;            // colour table index; 0: the view's own text colour
    int background = 0;
    bool operator==(const CharProps&) const = default;
};

struct ParaProps {
    Alignment alignment = Alignment::Left;
    int leftTwips = 0;
    int rightTwips = 0;
    int firstLineTwips = 0;
    int beforeTwips = 0;
    int afterTwips = 0;
};

struct GroupState {
    CharProps chars;
    ParaProps para;
    Destination destination = Destination::Text;
    int unicodeSkip = 1;
};

struct FontEntry {
    QString name;
    int codePage = 0; // 0: the document's code page
};

struct Run {
    QString text;
    CharProps chars;
};

struct Paragraph {
    ParaProps para;
    CharProps mark; // the format of the paragraph's end, which sets an empty line's height
    std::vector<Run> runs;
};

enum class Word : std::uint8_t {
    Skip, FontTable, ColorTable,
    Par, Line, Tab, Cell, Row, Pard, Plain,
    Bold, Italic, Underline, UnderlineNone, Strike, Super, Sub, NoSuperSub,
    FontSize, Color, Background, Font, DefaultFont,
    Ansi, Mac, Pc, Pca, AnsiCodePage, CharSet, FontCodePage, Red, Green, Blue,
    UnicodeSkip, Unicode, Binary,
    AlignLeft, AlignCenter, AlignRight, AlignJustify,
    LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter,
    Character,
};

struct WordInfo {
    Word word;
    char16_t character = 0; // for Word::Character
};

const std::unordered_map<std::string_view, WordInfo>& wordTable()
{
    static const std::unordered_map<std::string_view, WordInfo> table = [] {
        std::unordered_map<std::string_view, WordInfo> t;
        // Destinations whose content is not text of the document.
        for (std::string_view name :
             {"pict", "object", "header", "headerl", "headerr", "headerf", "footer", "footerl",
              "footerr", "footerf", "stylesheet", "info", "fldinst", "footnote", "annotation",
              "atnid", "atnauthor", "atnicn", "atnref", "atntime", "atrfstart", "atrfend",
              "bkmkstart", "bkmkend", "xe", "tc", "txe", "rxe", "listtable", "listoverridetable",
              "revtbl", "rsidtbl", "generator", "xmlnstbl", "themedata", "colorschememapping",
              "latentstyles", "datastore", "datafield", "filetbl", "template", "nonshppict",
              "shpinst", "shprslt", "pn", "falt", "fname", "panose", "objdata", "ftnsep",
              "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "pgdsctbl", "userprops",
              "listpicture", "fchars", "lchars", "background", "do", "picprop", "private",
              "comment", "author", "title", "subject", "operator", "keywords", "doccomm",
              "company", "creatim", "revtim", "printim", "buptim", "wgrffmtfilter",
              "mmathPr", "passwordhash", "protusertbl", "docvar", "formfield", "macc",
              "blipuid", "field_placeholder_never_used"})
            t.emplace(name, WordInfo{Word::Skip});
        const std::pair<std::string_view, Word> words[] = {
            {"fonttbl", Word::FontTable}, {"colortbl", Word::ColorTable},
            {"par", Word::Par}, {"page", Word::Par}, {"line", Word::Line},
            {"softline", Word::Line}, {"lbr", Word::Line}, {"tab", Word::Tab},
            {"cell", Word::Cell}, {"nestcell", Word::Cell}, {"row", Word::Row},
            {"nestrow", Word::Row}, {"pard", Word::Pard}, {"plain", Word::Plain},
            {"b", Word::Bold}, {"i", Word::Italic}, {"ulnone", Word::UnderlineNone},
            {"strike", Word::Strike}, {"striked", Word::Strike}, {"super", Word::Super},
            {"sub", Word::Sub}, {"nosupersub", Word::NoSuperSub}, {"fs", Word::FontSize},
            {"cf", Word::Color}, {"cb", Word::Background}, {"highlight", Word::Background},
            {"f", Word::Font}, {"deff", Word::DefaultFont}, {"ansi", Word::Ansi},
            {"mac", Word::Mac}, {"pc", Word::Pc}, {"pca", Word::Pca},
            {"ansicpg", Word::AnsiCodePage}, {"fcharset", Word::CharSet},
            {"cpg", Word::FontCodePage}, {"red", Word::Red}, {"green", Word::Green},
            {"blue", Word::Blue}, {"uc", Word::UnicodeSkip}, {"u", Word::Unicode},
            {"bin", Word::Binary}, {"ql", Word::AlignLeft}, {"qc", Word::AlignCenter},
            {"qr", Word::AlignRight}, {"qj", Word::AlignJustify}, {"qd", Word::AlignJustify},
            {"li", Word::LeftIndent}, {"ri", Word::RightIndent}, {"fi", Word::FirstIndent},
            {"sb", Word::SpaceBefore}, {"sa", Word::SpaceAfter}};
        for (const auto& [name, word] : words)
            t.emplace(name, WordInfo{word});
        for (std::string_view name :
             {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
              "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
              "ulwave"})
            t.emplace(name, WordInfo{Word::Underline});
        const std::pair<std::string_view, char16_t> characters[] = {
            {"emdash", u'\u2014'}, {"endash", u'\u2013'}, {"bullet", u'\u2022'},
            {"lquote", u'\u2018'}, {"rquote", u'\u2019'}, {"ldblquote", u'\u201C'},
            {"rdblquote", u'\u201D'}, {"emspace", u'\u2003'}, {"enspace", u'\u2002'},
            {"qmspace", u'\u2005'}, {"zwj", u'\u200D'}, {"zwnj", u'\u200C'},
            {"ltrmark", u'\u200E'}, {"rtlmark", u'\u200F'}};
        for (const auto& [name, c] : characters)
            t.emplace(name, WordInfo{Word::Character, c});
        return t;
    }();
    return table;
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

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
        stack_.push_back(GroupState{});
        paragraphs_.emplace_back();
    }

    void run();
    bool usable() const { return closed_ || producedText_; }
    void writeTo(QTextDocument& document);

private:
    GroupState& state() { return stack_.back(); }

    void openGroup();
    void closeGroup();
    void readControl();
    void controlWord(std::string_view name, bool hasParam, int param);
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

    QTextCharFormat charFormat(const CharProps& props) const;
    static QTextBlockFormat blockFormat(const ParaProps& props);

    QByteArrayView data_;
    qsizetype pos_ = 0;
    std::vector<GroupState> stack_;
    int overflowDepth_ = 0;   // groups opened beyond kMaxGroupDepth and not yet closed
    bool groupStart_ = false; // the last token opened a group (where \* is meaningful)
    bool closed_ = false;
    bool producedText_ = false;
    int fallbackLeft_ = 0;    // characters still to skip after a \uN

    int documentCodePage_ = kCodePageWestern;
    int defaultFont_ = -1;
    std::map<int, FontEntry> fonts_;
    int fontIndex_ = -1;      // the font table entry being read
    QByteArray fontName_;
    int fontCodePage_ = 0;
    bool fontCodePageExplicit_ = false;
    std::vector<QColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorGiven_ = false;

    QByteArray pendingBytes_; // 8-bit text awaiting decoding in the current code page
    CodePageDecoder decoder_;
    std::vector<Paragraph> paragraphs_;
};

void Parser::run()
{
    pos_ = rtfStart(data_);
    while (pos_ < data_.size() && !closed_) {
        const char c = data_[pos_++];
        switch (c) {
        case '{': openGroup(); break;
        case '}': closeGroup(); break;
        case '\\': readControl(); break;
        case '\r':
        case '\n': break;
        default:
            groupStart_ = false;
            textByte(c);
            break;
        }
    }
    flushBytes();
    if (paragraphs_.size() > 1 && paragraphs_.back().runs.empty())
        paragraphs_.pop_back(); // the last \par ends the last paragraph; it adds no empty line
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
    const auto& table = wordTable();
    const auto found = table.find(name);
    if (found != table.end() && found->second.word == Word::Binary) {
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
    if (s.destination == Destination::Skip || found == table.end())
        return;
    flushBytes();

    const WordInfo info = found->second;
    const bool on = !hasParam || param != 0;

    switch (info.word) {
    case Word::Skip: s.destination = Destination::Skip; return;
    case Word::UnicodeSkip: s.unicodeSkip = std::clamp(hasParam ? param : 1, 0, kMaxUnicodeSkip); return;
    case Word::Ansi: documentCodePage_ = kCodePageWestern; return;
    case Word::Mac: documentCodePage_ = 10000; return;
    case Word::Pc: documentCodePage_ = 437; return;
    case Word::Pca: documentCodePage_ = 850; return;
    case Word::AnsiCodePage:
        if (hasParam && param > 0)
            documentCodePage_ = param;
        return;
    case Word::DefaultFont: defaultFont_ = hasParam ? param : -1; return;
    case Word::Unicode: {
        // The character counts in text only, but its fallback is skipped everywhere.
        std::int64_t code = hasParam ? param : 0;
        if (code < 0)
            code += 65536; // written as a signed 16-bit number
        appendChar(code >= 0 && code <= 0x10FFFF ? static_cast<char32_t>(code) : U'\uFFFD');
        fallbackLeft_ = s.unicodeSkip;
        return;
    }
    default: break;
    }

    if (s.destination == Destination::FontTable) {
        switch (info.word) {
        case Word::Font:
            commitFont();
            fontIndex_ = hasParam ? param : -1;
            break;
        case Word::CharSet:
            if (!fontCodePageExplicit_)
                fontCodePage_ = codePageForCharset(hasParam ? param : 0);
            break;
        case Word::FontCodePage:
            fontCodePage_ = std::max(0, hasParam ? param : 0);
            fontCodePageExplicit_ = true;
            break;
        default: break;
        }
        return;
    }
    if (s.destination == Destination::ColorTable) {
        const int component = std::clamp(hasParam ? param : 0, 0, 255);
        switch (info.word) {
        case Word::Red: red_ = component; colorGiven_ = true; break;
        case Word::Green: green_ = component; colorGiven_ = true; break;
        case Word::Blue: blue_ = component; colorGiven_ = true; break;
        default: break;
        }
        return;
    }

    CharProps& c = s.chars;
    ParaProps& p = s.para;
    const int twips = std::clamp(hasParam ? param : 0, -kMaxTwips, kMaxTwips);
    switch (info.word) {
    case Word::FontTable:
        s.destination = Destination::FontTable;
        fontIndex_ = -1;
        fontName_.clear();
        break;
    case Word::ColorTable:
        s.destination = Destination::ColorTable;
        red_ = green_ = blue_ = 0;
        colorGiven_ = false;
        break;
    case Word::Par:
    case Word::Row: endParagraph(); break;
    case Word::Line: appendChar(QChar::LineSeparator); break;
    case Word::Tab:
    case Word::Cell: appendChar(U'\t'); break;
    case Word::Pard: p = ParaProps{}; break;
    case Word::Plain: c = CharProps{}; break;
    case Word::Bold: c.bold = on; break;
    case Word::Italic: c.italic = on; break;
    case Word::Underline: c.underline = on; break;
    case Word::UnderlineNone: c.underline = false; break;
    case Word::Strike: c.strike = on; break;
    case Word::Super: c.vertical = 1; break;
    case Word::Sub: c.vertical = -1; break;
    case Word::NoSuperSub: c.vertical = 0; break;
    case Word::FontSize:
        c.halfPoints = hasParam && param > 0 ? std::clamp(param, kMinHalfPoints, kMaxHalfPoints)
                                             : kDefaultHalfPoints;
        break;
    case Word::Color: c.color = std::max(0, hasParam ? param : 0); break;
    case Word::Background: c.background = std::max(0, hasParam ? param : 0); break;
    case Word::Font: c.font = hasParam ? param : -1; break;
    case Word::AlignLeft: p.alignment = Alignment::Left; break;
    case Word::AlignCenter: p.alignment = Alignment::Center; break;
    case Word::AlignRight: p.alignment = Alignment::Right; break;
    case Word::AlignJustify: p.alignment = Alignment::Justify; break;
    case Word::LeftIndent: p.leftTwips = twips; break;
    case Word::RightIndent: p.rightTwips = twips; break;
    case Word::FirstIndent: p.firstLineTwips = twips; break;
    case Word::SpaceBefore: p.beforeTwips = std::max(0, twips); break;
    case Word::SpaceAfter: p.afterTwips = std::max(0, twips); break;
    case Word::Character: appendChar(info.character); break;
    default: break;
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
        case Destination::FontTable: fontName_.append(byte); break;
        default: break;
        }
        return;
    }
    if (consumeFallback())
        return;
    GroupState& s = state();
    if (c == '*') {
        if (groupStart_)
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
    case '~': appendChar(U'\u00A0'); break;
    case '_': appendChar(U'\u2011'); break;
    case '\r':
    case '\n': flushBytes(); endParagraph(); break;
    case '\t': appendChar(U'\t'); break;
    default: break; // \- (optional hyphen), \: and \| show nothing
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
    case Destination::Skip: break;
    }
}

int Parser::currentCodePage() const
{
    const int index = stack_.back().chars.font >= 0 ? stack_.back().chars.font : defaultFont_;
    const auto found = fonts_.find(index);
    if (found != fonts_.end() && found->second.codePage > 0)
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
    Paragraph& paragraph = paragraphs_.back();
    const GroupState& s = state();
    paragraph.para = s.para;
    if (!paragraph.runs.empty() && paragraph.runs.back().chars == s.chars)
        paragraph.runs.back().text += text;
    else
        paragraph.runs.push_back(Run{text, s.chars});
}

void Parser::endParagraph()
{
    flushBytes();
    Paragraph& paragraph = paragraphs_.back();
    paragraph.para = state().para;
    paragraph.mark = state().chars;
    paragraphs_.emplace_back();
}

void Parser::commitFont()
{
    if (fontIndex_ >= 0 && (fonts_.size() < kMaxTableEntries || fonts_.count(fontIndex_))) {
        const int codePage = fontCodePage_ > 0 ? fontCodePage_ : documentCodePage_;
        QString name = decoder_.decode(fontName_, codePage).trimmed();
        sanitizeForDocument(name);
        fonts_[fontIndex_] = FontEntry{name, fontCodePage_};
    }
    fontIndex_ = -1;
    fontName_.clear();
    fontCodePage_ = 0;
    fontCodePageExplicit_ = false;
}

void Parser::commitColor()
{
    if (colors_.size() < kMaxTableEntries)
        colors_.push_back(colorGiven_ ? QColor(red_, green_, blue_) : QColor());
    red_ = green_ = blue_ = 0;
    colorGiven_ = false;
}

QTextCharFormat Parser::charFormat(const CharProps& props) const
{
    QTextCharFormat format;
    format.setFontWeight(props.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(props.italic);
    format.setFontUnderline(props.underline);
    format.setFontStrikeOut(props.strike);
    if (props.vertical != 0)
        format.setVerticalAlignment(props.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                       : QTextCharFormat::AlignSubScript);
    format.setFontPointSize(props.halfPoints / 2.0);
    const auto font = fonts_.find(props.font >= 0 ? props.font : defaultFont_);
    if (font != fonts_.end() && !font->second.name.isEmpty())
        format.setFontFamilies(QStringList{font->second.name});
    const auto colorAt = [this](int index) {
        return index > 0 && static_cast<std::size_t>(index) < colors_.size()
            ? colors_[static_cast<std::size_t>(index)]
            : QColor();
    };
    if (const QColor color = colorAt(props.color); color.isValid())
        format.setForeground(color);
    if (const QColor color = colorAt(props.background); color.isValid())
        format.setBackground(color);
    return format;
}

QTextBlockFormat Parser::blockFormat(const ParaProps& props)
{
    QTextBlockFormat format;
    switch (props.alignment) {
    case Alignment::Left: format.setAlignment(Qt::AlignLeft); break;
    case Alignment::Center: format.setAlignment(Qt::AlignHCenter); break;
    case Alignment::Right: format.setAlignment(Qt::AlignRight); break;
    case Alignment::Justify: format.setAlignment(Qt::AlignJustify); break;
    }
    format.setLeftMargin(props.leftTwips / kTwipsPerPixel);
    format.setRightMargin(props.rightTwips / kTwipsPerPixel);
    format.setTextIndent(props.firstLineTwips / kTwipsPerPixel);
    format.setTopMargin(props.beforeTwips / kTwipsPerPixel);
    format.setBottomMargin(props.afterTwips / kTwipsPerPixel);
    return format;
}

void Parser::writeTo(QTextDocument& document)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false); // loading is not an edit the user can undo
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool first = true;
    for (Paragraph& paragraph : paragraphs_) {
        const CharProps& mark = paragraph.runs.empty() ? paragraph.mark : paragraph.runs.front().chars;
        if (first) {
            cursor.setBlockFormat(blockFormat(paragraph.para));
            cursor.setBlockCharFormat(charFormat(mark));
            first = false;
        } else {
            cursor.insertBlock(blockFormat(paragraph.para), charFormat(mark));
        }
        for (Run& run : paragraph.runs) {
            sanitizeForDocument(run.text);
            cursor.insertText(run.text, charFormat(run.chars));
        }
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
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
    if (!parser.usable())
        return {false, QString::fromLatin1(kFailedToLoadStream)};
    parser.writeTo(into);
    return {true, QString()};
}

} // namespace tarvel
