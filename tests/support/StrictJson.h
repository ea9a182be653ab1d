#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What a command prints with --json, parsed, so that a test sees a malformed object as a
// failure instead of finding the right substrings in it. A key given twice in any object is
// refused too, which nlohmann alone would let the last one win.

#include <nlohmann/json.hpp>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvel::testing {

inline nlohmann::json parseStrictJson(const std::string& text)
{
    std::vector<std::set<std::string>> keys; // of each object open, by depth
    return nlohmann::json::parse(
        text, [&keys](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
            if (event == nlohmann::json::parse_event_t::object_start) {
                keys.resize(static_cast<std::size_t>(depth) + 1);
                keys.back().clear();
            } else if (event == nlohmann::json::parse_event_t::key
                && !keys.at(static_cast<std::size_t>(depth) - 1).insert(parsed.get<std::string>()).second) {
                throw std::runtime_error("field '" + parsed.get<std::string>() + "' twice");
            }
            return true;
        });
}

} // namespace tarvel::testing
