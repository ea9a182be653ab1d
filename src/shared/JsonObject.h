#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the members of one JSON object, as small settings files hold them, in the order the
// text gives them; a repeated key is kept twice, so that the caller can name it. The parsing
// is nlohmann's; its refusals are said here in the program's own words, with the byte where
// the text goes wrong.

#include <nlohmann/json.hpp>

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

struct JsonMember {
    std::string key;
    nlohmann::json value;
};

// Throws JsonError unless `text` is one JSON object with nothing but white space around it
// (a UTF-8 byte order mark may come first). Nesting deeper than 64 is refused. A byte that is
// not part of well-formed UTF-8 is read as U+FFFD.
std::vector<JsonMember> readJsonObject(std::string_view text);

} // namespace tarvel
