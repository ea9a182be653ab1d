#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Values written into JSON output that is put together piece by piece: text that stays valid
// JSON whatever bytes it holds, and numbers with a fixed count of decimals.

#include <string>
#include <string_view>

namespace tarvel {

// `text` as a JSON string with its quotes. Quotes, backslashes and control characters are
// escaped; a byte that is not part of well-formed UTF-8 (a file name in another encoding)
// becomes U+FFFD, so the output is always UTF-8 a JSON reader takes.
std::string jsonString(std::string_view text);

// `value` with `places` decimals ("-0.0" written as 0.0); not finite: null.
std::string jsonNumber(double value, int places);

} // namespace tarvel
