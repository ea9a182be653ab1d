// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/JsonObject.h"

#include <cstddef>
#include <iterator>
#include <utility>

namespace tarvel {

namespace {

using nlohmann::json;

// Deeper nesting than this is refused rather than kept.
constexpr int kMaxDepth = 64;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The text as the parser reads it, counting the bytes taken, so that a refusal made between
// two tokens (too deep, a number too large) can say where it is.
class CountingIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator(const char* at, std::size_t* taken) : at_(at), taken_(taken) { }
    reference operator*() const { return *at_; }
    CountingIterator& operator++()
    {
        ++at_;
        ++*taken_;
        return *this;
    }
    bool operator==(const CountingIterator& other) const { return at_ == other.at_; }

private:
    const char* at_;
    std::size_t* taken_;
};

[[noreturn]] void refuse(std::string_view what, std::size_t byte)
{
    throw JsonError(std::string(what) + " (byte " + std::to_string(byte) + ")");
}

// A syntax error as nlohmann words it ("... while parsing object separator - invalid literal;
// last read: '...'; expected ':'") in the words of the program's other messages.
std::string_view reasonOf(std::string_view what)
{
    if (what.ends_with("; expected end of input"))
        return "more text after the object";
    const std::size_t dash = what.find(" - ");
    const std::string_view detail = dash == std::string_view::npos ? what : what.substr(dash + 3);
    static constexpr std::pair<std::string_view, std::string_view> kLexerReasons[] = {
        {"invalid string: control character", "a control character in a string"},
        {"invalid string: missing closing quote", "a string is not closed"},
        {"invalid string: '\\u' must be followed", "a \\u escape needs four hexadecimal digits"},
        {"invalid string: forbidden character after backslash", "an unknown escape in a string"},
        {"invalid string: surrogate", "a \\u escape of half a character in a string"},
        {"invalid string: ill-formed UTF-8", "a string that is not UTF-8"},
        {"invalid number", "not a JSON number"},
    };
    for (const auto& [said, reason] : kLexerReasons)
        if (detail.starts_with(said))
            return reason;
    if (what.ends_with("; expected ':'"))
        return "expected ':'";
    if (what.ends_with("; expected string literal"))
        return "expected a string";
    if (what.ends_with("; expected '}'"))
        return "expected ',' or '}'";
    if (what.ends_with("; expected ']'"))
        return "expected ',' or ']'";
    return "not a JSON value";
}

// `text` with each byte that is not part of well-formed UTF-8 (a name typed in another
// encoding) as U+FFFD, as every JSON the programs write shows it, rather than a file refused
// for it; UTF-8 text comes back as it was.
std::string asUtf8(std::string_view text)
{
    const json asString = std::string(text);
    return json::parse(asString.dump(-1, ' ', false, json::error_handler_t::replace)).get<std::string>();
}

} // namespace

std::vector<JsonMember> readJsonObject(std::string_view original)
{
    const std::string utf8 = asUtf8(original);
    const std::string_view text = utf8;
    // Only an object is read at all: anything else is refused where it starts.
    const std::size_t start = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    const std::size_t first = text.find_first_not_of(" \t\n\r", start);
    if (first == std::string_view::npos || text[first] != '{')
        refuse("not a JSON object", first == std::string_view::npos ? text.size() + 1 : first + 1);

    std::vector<JsonMember> members;
    std::size_t taken = 0;
    const json::parser_callback_t keepMembers = [&](int depth, json::parse_event_t event, json& parsed) {
        switch (event) {
        case json::parse_event_t::object_start:
        case json::parse_event_t::array_start:
            if (depth >= kMaxDepth)
                refuse("nested too deeply", taken);
            break;
        case json::parse_event_t::key:
            if (depth == 1)
                members.push_back({parsed.get<std::string>(), nullptr});
            break;
        case json::parse_event_t::value:
        case json::parse_event_t::object_end:
        case json::parse_event_t::array_end:
            if (depth == 1)
                members.back().value = std::move(parsed);
            break;
        }
        return true;
    };
    // The parser takes a NUL byte for the end of the text, so whatever follows one would go
    // unread: the text is read up to it, and the NUL refused as a byte the object cannot hold.
    const std::size_t nul = text.find('\0');
    const std::size_t readable = nul == std::string_view::npos ? text.size() : nul;
    try {
        [[maybe_unused]] const json whole = json::parse(CountingIterator(text.data(), &taken),
            CountingIterator(text.data() + readable, &taken), keepMembers);
    } catch (const json::parse_error& e) {
        refuse(reasonOf(e.what()), e.byte);
    } catch (const json::out_of_range&) {
        refuse("a number too large", taken);
    }
    if (nul != std::string_view::npos)
        refuse("more text after the object", nul + 1);
    return members;
}

} // namespace tarvel
