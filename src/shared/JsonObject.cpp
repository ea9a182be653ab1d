// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/JsonObject.h"

#include <cmath>

namespace tarvel {

namespace {

// Deeper nesting than this is refused rather than followed (the reader recurses).
constexpr int kMaxDepth = 64;

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) { }

    std::vector<JsonMember> object()
    {
        skipSpace();
        if (peek() != '{')
            fail("not a JSON object");
        std::vector<JsonMember> members;
        ++at_;
        skipSpace();
        if (peek() == '}') {
            ++at_;
        } else {
            for (;;) {
                JsonMember member;
                member.key = string();
                expect(':');
                member.value = value(1);
                members.push_back(std::move(member));
                if (!more('}'))
                    break;
            }
        }
        skipSpace();
        if (at_ != text_.size())
            fail("more text after the object");
        return members;
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw JsonError(what + " (byte " + std::to_string(at_ + 1) + ")");
    }

    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

    void skipSpace()
    {
        while (at_ < text_.size()
            && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    void expect(char c)
    {
        skipSpace();
        if (peek() != c)
            fail(std::string("expected '") + c + "'");
        ++at_;
    }

    // After a member or an element: true when another follows, false at `close`.
    bool more(char close)
    {
        skipSpace();
        if (peek() == ',') {
            ++at_;
            return true;
        }
        if (peek() != close)
            fail(std::string("expected ',' or '") + close + "'");
        ++at_;
        return false;
    }

    JsonValue value(int depth)
    {
        skipSpace();
        JsonValue v;
        const char c = peek();
        if (c == '"') {
            v.kind = JsonValue::Kind::String;
            v.text = string();
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            v.kind = JsonValue::Kind::Number;
            v.number = number();
        } else if (c == '{' || c == '[') {
            composite(depth);
            v.kind = JsonValue::Kind::Composite;
        } else if (word("true")) {
            v.kind = JsonValue::Kind::True;
        } else if (word("false")) {
            v.kind = JsonValue::Kind::False;
        } else if (word("null")) {
            v.kind = JsonValue::Kind::Null;
        } else {
            fail("not a JSON value");
        }
        return v;
    }

    bool word(std::string_view w)
    {
        if (text_.substr(at_, w.size()) != w)
            return false;
        at_ += w.size();
        return true;
    }

    void composite(int depth)
    {
        if (depth >= kMaxDepth)
            fail("nested too deeply");
        const char close = text_[at_++] == '{' ? '}' : ']';
        skipSpace();
        if (peek() == close) {
            ++at_;
            return;
        }
        do {
            if (close == '}') {
                string();
                expect(':');
            }
            value(depth + 1);
        } while (more(close));
    }

    std::size_t digits()
    {
        const std::size_t from = at_;
        while (peek() >= '0' && peek() <= '9')
            ++at_;
        return at_ - from;
    }

    // JSON's number form; the value from its decimal digits, so no locale is involved.
    double number()
    {
        const bool negative = peek() == '-';
        if (negative)
            ++at_;
        const std::size_t intFrom = at_;
        const std::size_t intDigits = digits();
        if (intDigits == 0 || (text_[intFrom] == '0' && intDigits > 1))
            fail("not a JSON number");
        std::size_t fracFrom = at_, fracDigits = 0;
        if (peek() == '.') {
            ++at_;
            fracFrom = at_;
            if ((fracDigits = digits()) == 0)
                fail("not a JSON number");
        }
        int exponent = 0;
        if (peek() == 'e' || peek() == 'E') {
            ++at_;
            const bool down = peek() == '-';
            if (peek() == '+' || peek() == '-')
                ++at_;
            const std::size_t expFrom = at_;
            if (digits() == 0)
                fail("not a JSON number");
            for (std::size_t i = expFrom; i < at_ && exponent < 100000; ++i)
                exponent = exponent * 10 + (text_[i] - '0');
            exponent = down ? -exponent : exponent;
        }
        double mantissa = 0.0;
        for (std::size_t i = intFrom; i < intFrom + intDigits; ++i)
            mantissa = mantissa * 10 + (text_[i] - '0');
        for (std::size_t i = fracFrom; i < fracFrom + fracDigits; ++i)
            mantissa = mantissa * 10 + (text_[i] - '0');
        exponent -= static_cast<int>(fracDigits);
        const double scaled
            = exponent < 0 ? mantissa / std::pow(10.0, -exponent) : mantissa * std::pow(10.0, exponent);
        return negative ? -scaled : scaled;
    }

    void appendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    unsigned hex4()
    {
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = peek();
            const int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f'             ? c - 'a' + 10
                : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                                   : -1;
            if (digit < 0)
                fail("a \\u escape needs four hexadecimal digits");
            code = code * 16 + static_cast<unsigned>(digit);
            ++at_;
        }
        return code;
    }

    std::string string()
    {
        skipSpace();
        if (peek() != '"')
            fail("expected a string");
        ++at_;
        std::string out;
        for (;;) {
            if (at_ >= text_.size())
                fail("a string is not closed");
            const char c = text_[at_++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                fail("a control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = peek();
            ++at_;
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned code = hex4();
                if (code >= 0xD800 && code <= 0xDBFF && text_.substr(at_, 2) == "\\u") {
                    at_ += 2;
                    const unsigned low = hex4();
                    code = low >= 0xDC00 && low <= 0xDFFF ? 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00)
                                                          : 0xFFFD;
                } else if (code >= 0xD800 && code <= 0xDFFF) {
                    code = 0xFFFD; // a lone surrogate
                }
                appendUtf8(out, code);
                break;
            }
            default:
                --at_;
                fail("an unknown escape in a string");
            }
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

std::vector<JsonMember> readJsonObject(std::string_view text)
{
    return Reader(text).object();
}

} // namespace tarvel
