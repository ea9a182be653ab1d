#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// libsndfile, loaded the first time a recording needs it. The WAV layouts the reader takes
// itself never need it; FLAC, OGG and the rarer WAV layouts do. Linking it would load it and
// the codec libraries it depends on at every start of the tool, which costs more than the
// decoding of a short recording.

#include <sndfile.h>

namespace tarvel {

// The functions the recording reader calls, resolved from the loaded library.
struct SndfileLibrary {
    decltype(&sf_open_fd) openFd = nullptr;
    decltype(&sf_open_virtual) openVirtual = nullptr;
    decltype(&sf_readf_float) readFramesFloat = nullptr;
    decltype(&sf_error) error = nullptr;
    decltype(&sf_close) close = nullptr;
};

// Loads libsndfile once per process and returns its functions; throws RecordingError naming
// `container` ("FLAC") when it cannot be loaded or lacks one of them.
const SndfileLibrary& sndfileLibrary(const char* container);

} // namespace tarvel
