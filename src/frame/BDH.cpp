#include "frame/BDH.h"

namespace tarvel {

char HexDigit(std::uint8_t value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    return digits[value & 0x0F];
}

std::string ByteHex(std::uint8_t value)
{
    return {HexDigit(static_cast<std::uint8_t>(value >> 4)), HexDigit(value)};
}

std::string WordHex(std::uint16_t value)
{
    return ByteHex(static_cast<std::uint8_t>(value >> 8)) + ByteHex(static_cast<std::uint8_t>(value & 0xFF));
}

} // namespace tarvel
