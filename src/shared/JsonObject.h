#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the members of one flat JSON object, as small settings files hold them. Nested
// objects and arrays are checked for form and kept only as "composite", so a file of another
// kind is still read far enough to be told apart by its fields.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The text is not one JSON object; what() says what is wrong and at which byte.
class JsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct JsonValue {
    enum class Kind { String, Number, True, False, Null, Composite };
    Kind kind = Kind::Null;
    std::string text; // a string's characters (UTF-8)
    double number = 0.0;
};

struct JsonMember {
    std::string key;
    JsonValue value;
};

// The members in the order the text gives them (a repeated key is kept twice). Throws
// JsonError unless `text` is one JSON object with nothing but white space around it.
std::vector<JsonMember> readJsonObject(std::string_view text);

} // namespace tarvel
