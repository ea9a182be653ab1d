#include "trainer/L_CRT.h"

#include <cstdlib>

namespace tarvel {

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
