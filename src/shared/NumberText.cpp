// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/NumberText.h"

#include <cstdlib>

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

std::string DecText(std::int32_t value, std::int32_t width)
{
    std::string digits = std::to_string(value);
    // 64-bit magnitude: the width of INT32_MIN has no 32-bit magnitude.
    const auto fieldWidth = static_cast<std::size_t>(std::llabs(static_cast<long long>(width)));
    if (digits.size() >= fieldWidth)
        return digits;
    const char pad = width < 0 ? '0' : ' ';
    return std::string(fieldWidth - digits.size(), pad) + digits;
}

} // namespace tarvel
