#pragma once
// Runtime helpers of the trainer unit that the rest of the program shares.

#include <cstdint>
#include <string>

namespace tarvel {

// Decimal text of value, right-aligned in a field of |width| characters and padded with
// blanks; a negative width pads with zeros instead (behind which a minus sign stays).
// A longer number is never cut.
std::string DecText(std::int32_t value, std::int32_t width);

struct SoundState {
    bool soundOn = true; // the trainer's sound switch
};

} // namespace tarvel
