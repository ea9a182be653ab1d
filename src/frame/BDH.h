#pragma once
// Upper-case hexadecimal text of a nibble, a byte and a 16-bit word.

#include <cstdint>
#include <string>

namespace tarvel {

char HexDigit(std::uint8_t value);         // low 4 bits only
std::string ByteHex(std::uint8_t value);   // always two digits
std::string WordHex(std::uint16_t value);  // always four digits

} // namespace tarvel
