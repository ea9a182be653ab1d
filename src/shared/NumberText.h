#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// BDH (hexadecimal) and DecText: the number text of the frame listings and the table export.

#include <cstdint>
#include <string>

namespace tarvel {

char HexDigit(std::uint8_t value); // low 4 bits only
std::string ByteHex(std::uint8_t value); // always two digits
std::string WordHex(std::uint16_t value); // always four digits

// Decimal text of value, right-aligned in a field of |width| characters and padded with
// blanks; a negative width pads with zeros instead (behind which a minus sign stays).
// A longer number is never cut.
std::string DecText(std::int32_t value, std::int32_t width);

} // namespace tarvel
