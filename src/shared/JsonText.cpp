// SPDX-License-Identifier: GPL-3.0-or-later
// jsonNumber stays hand-written: a JSON writer, nlohmann's included, writes a number in its
// shortest form, while the decoder's report keeps a fixed count of decimals ("start_s":0.0020,
// not 0.002); written through nlohmann most reports read differently (docs/RELIABILITY.md, JSON).
#include "shared/JsonText.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

namespace tarvel {

std::string jsonString(std::string_view text)
{
    return nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string jsonNumber(double value, int places)
{
    if (!std::isfinite(value))
        return "null";
    if (std::fabs(value) < 0.5 * std::pow(10.0, -places))
        value = 0.0; // no "-0.0"
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return text;
}

} // namespace tarvel
