// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/RtfControlWords.h"

#include <unordered_map>
#include <utility>

namespace tarvel {

namespace {

const std::unordered_map<std::string_view, RtfWordInfo>& wordTable()
{
    static const std::unordered_map<std::string_view, RtfWordInfo> table = [] {
        std::unordered_map<std::string_view, RtfWordInfo> t;
        // Destinations whose content is not text of the document.
        for (std::string_view name : {"pict", "object", "header", "headerl", "headerr", "headerf", "footer",
                 "footerl", "footerr", "footerf", "stylesheet", "info", "fldinst", "footnote", "annotation",
                 "atnid", "atnauthor", "atnicn", "atnref", "atntime", "atrfstart", "atrfend", "bkmkstart",
                 "bkmkend", "xe", "tc", "txe", "rxe", "listtable", "listoverridetable", "revtbl", "rsidtbl",
                 "generator", "xmlnstbl", "themedata", "colorschememapping", "latentstyles", "datastore",
                 "datafield", "filetbl", "template", "nonshppict", "shpinst", "shprslt", "pn", "falt",
                 "fname", "panose", "objdata", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn",
                 "pgdsctbl", "userprops", "listpicture", "fchars", "lchars", "background", "do", "picprop",
                 "private", "comment", "author", "title", "subject", "operator", "keywords", "doccomm",
                 "company", "creatim", "revtim", "printim", "buptim", "wgrffmtfilter", "mmathPr",
                 "passwordhash", "protusertbl", "docvar", "formfield", "macc", "blipuid"})
            t.emplace(name, RtfWordInfo {RtfWord::SkippedDestination});
        const std::pair<std::string_view, RtfWord> words[]
            = {{"fonttbl", RtfWord::FontTable}, {"colortbl", RtfWord::ColorTable}, {"par", RtfWord::Par},
                {"page", RtfWord::Par}, {"line", RtfWord::Line}, {"softline", RtfWord::Line},
                {"lbr", RtfWord::Line}, {"tab", RtfWord::Tab}, {"cell", RtfWord::Cell},
                {"nestcell", RtfWord::Cell}, {"row", RtfWord::Row}, {"nestrow", RtfWord::Row},
                {"pard", RtfWord::Pard}, {"plain", RtfWord::Plain}, {"b", RtfWord::Bold},
                {"i", RtfWord::Italic}, {"ulnone", RtfWord::UnderlineNone}, {"strike", RtfWord::Strike},
                {"striked", RtfWord::Strike}, {"super", RtfWord::Super}, {"sub", RtfWord::Sub},
                {"nosupersub", RtfWord::NoSuperSub}, {"fs", RtfWord::FontSize}, {"cf", RtfWord::Color},
                {"cb", RtfWord::Background}, {"highlight", RtfWord::Background}, {"f", RtfWord::Font},
                {"deff", RtfWord::DefaultFont}, {"ansi", RtfWord::Ansi}, {"mac", RtfWord::Mac},
                {"pc", RtfWord::Pc}, {"pca", RtfWord::Pca}, {"ansicpg", RtfWord::AnsiCodePage},
                {"fcharset", RtfWord::CharSet}, {"cpg", RtfWord::FontCodePage}, {"red", RtfWord::Red},
                {"green", RtfWord::Green}, {"blue", RtfWord::Blue}, {"uc", RtfWord::UnicodeSkip},
                {"u", RtfWord::Unicode}, {"bin", RtfWord::Binary}, {"ql", RtfWord::AlignLeft},
                {"qc", RtfWord::AlignCenter}, {"qr", RtfWord::AlignRight}, {"qj", RtfWord::AlignJustify},
                {"qd", RtfWord::AlignJustify}, {"li", RtfWord::LeftIndent}, {"ri", RtfWord::RightIndent},
                {"fi", RtfWord::FirstIndent}, {"sb", RtfWord::SpaceBefore}, {"sa", RtfWord::SpaceAfter}};
        for (const auto& [name, word] : words)
            t.emplace(name, RtfWordInfo {word});
        for (std::string_view name :
            {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
                "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
            t.emplace(name, RtfWordInfo {RtfWord::Underline});
        const std::pair<std::string_view, char16_t> characters[]
            = {{"emdash", u'\u2014'}, {"endash", u'\u2013'}, {"bullet", u'\u2022'}, {"lquote", u'\u2018'},
                {"rquote", u'\u2019'}, {"ldblquote", u'\u201C'}, {"rdblquote", u'\u201D'},
                {"emspace", u'\u2003'}, {"enspace", u'\u2002'}, {"qmspace", u'\u2005'}, {"zwj", u'\u200D'},
                {"zwnj", u'\u200C'}, {"ltrmark", u'\u200E'}, {"rtlmark", u'\u200F'}};
        for (const auto& [name, c] : characters)
            t.emplace(name, RtfWordInfo {RtfWord::Character, c});
        return t;
    }();
    return table;
}

} // namespace

const RtfWordInfo* findRtfWord(std::string_view name)
{
    const auto& table = wordTable();
    const auto found = table.find(name);
    return found == table.end() ? nullptr : &found->second;
}

} // namespace tarvel
