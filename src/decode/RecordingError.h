#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What every step of reading a recording throws when it cannot go on; defined below them all,
// so that each reaches it without including the reader that calls it.

#include <stdexcept>

namespace tarvel {

// The file cannot be opened or read, or holds no audio the decoder takes. The message says
// why in plain words, without the path.
class RecordingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tarvel
