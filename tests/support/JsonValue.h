#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A small strict JSON reader for tests: what a command prints with --json is parsed, so a
// test sees a malformed object as a failure instead of finding the right substrings in it.

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvel::testing {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> fields;

    bool has(const std::string& key) const { return kind == Kind::Object && fields.count(key) > 0; }
    const JsonValue& operator[](const std::string& key) const
    {
        const auto it = fields.find(key);
        if (kind != Kind::Object || it == fields.end())
            throw std::runtime_error("no field '" + key + "'");
        return it->second;
    }
};

class JsonReader {
public:
    // Exactly one value, with nothing but white space around it; throws on anything else.
    static JsonValue parse(const std::string& text)
    {
        JsonReader r(text);
        JsonValue v = r.value();
        r.space();
        if (r.at_ != text.size())
            throw std::runtime_error("text after the JSON value at " + std::to_string(r.at_));
        return v;
    }

private:
    explicit JsonReader(const std::string& text) : s_(text) { }

    void space()
    {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\r' || s_[at_] == '\t'))
            ++at_;
    }
    char peek()
    {
        space();
        if (at_ >= s_.size())
            throw std::runtime_error("JSON ends early");
        return s_[at_];
    }
    void expect(char c)
    {
        if (peek() != c)
            throw std::runtime_error(std::string("expected '") + c + "' at " + std::to_string(at_));
        ++at_;
    }
    bool word(const char* w)
    {
        const std::string t(w);
        if (s_.compare(at_, t.size(), t) != 0)
            return false;
        at_ += t.size();
        return true;
    }

    JsonValue value()
    {
        JsonValue v;
        const char c = peek();
        if (c == '{') {
            v.kind = JsonValue::Kind::Object;
            ++at_;
            if (peek() == '}') {
                ++at_;
                return v;
            }
            for (;;) {
                const std::string key = string();
                expect(':');
                if (!v.fields.emplace(key, value()).second)
                    throw std::runtime_error("field '" + key + "' twice");
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = JsonValue::Kind::Array;
            ++at_;
            if (peek() == ']') {
                ++at_;
                return v;
            }
            for (;;) {
                v.items.push_back(value());
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = JsonValue::Kind::String;
            v.text = string();
            return v;
        }
        if (word("true") || word("false")) {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = s_[at_ - 1] == 'e' && s_[at_ - 2] == 'u';
            return v;
        }
        if (word("null"))
            return v;
        const char* begin = s_.c_str() + at_;
        char* end = nullptr;
        v.number = std::strtod(begin, &end);
        if (end == begin || !(c == '-' || (c >= '0' && c <= '9')))
            throw std::runtime_error("not a JSON value at " + std::to_string(at_));
        v.kind = JsonValue::Kind::Number;
        at_ += static_cast<std::size_t>(end - begin);
        return v;
    }

    std::string string()
    {
        expect('"');
        std::string out;
        while (at_ < s_.size() && s_[at_] != '"') {
            char c = s_[at_++];
            if (static_cast<unsigned char>(c) < 0x20)
                throw std::runtime_error("control character inside a JSON string");
            if (c == '\\') {
                if (at_ >= s_.size())
                    break;
                c = s_[at_++];
                switch (c) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case '/':
                    out += '/';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '"':
                    out += '"';
                    break;
                case 'u': {
                    if (at_ + 4 > s_.size())
                        throw std::runtime_error("short \\u escape");
                    const long code = std::strtol(s_.substr(at_, 4).c_str(), nullptr, 16);
                    at_ += 4;
                    if (code < 0x80)
                        out += static_cast<char>(code);
                    else
                        out += '?'; // enough for tests: only control characters are escaped
                    break;
                }
                default:
                    throw std::runtime_error("bad escape in a JSON string");
                }
                continue;
            }
            out += c;
        }
        if (at_ >= s_.size())
            throw std::runtime_error("unterminated JSON string");
        ++at_;
        return out;
    }

    const std::string& s_;
    std::size_t at_ = 0;
};

} // namespace tarvel::testing
