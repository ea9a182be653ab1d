// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/RecordingFormat.h"

#include "decode/RecordingError.h"
#include "decode/ToneBins.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace tarvel {

namespace {

// Only the containers the tool promises reach libsndfile: anything else (an MPEG stream in
// particular, which its MPEG reader would take for one and report on stderr) is refused by
// its first bytes.
const char* containerName(std::span<const std::uint8_t> head)
{
    auto at = [&](std::size_t offset, const char* magic) {
        const std::size_t n = std::strlen(magic);
        return head.size() >= offset + n && std::memcmp(head.data() + offset, magic, n) == 0;
    };
    if ((at(0, "RIFF") || at(0, "RIFX") || at(0, "RF64")) && at(8, "WAVE"))
        return "WAV";
    if (at(0, "fLaC"))
        return "FLAC";
    if (at(0, "OggS"))
        return "OGG";
    return nullptr;
}

} // namespace

const char* checkContainer(std::span<const std::uint8_t> head, std::size_t fileSize)
{
    if (fileSize == 0)
        throw RecordingError("the file is empty");
    const char* name = containerName(head);
    if (!name)
        throw RecordingError("not a WAV, FLAC or OGG recording");
    return name;
}

void checkRate(double rate)
{
    if (!(rate >= kMinSampleRate_hz && rate <= kMaxSampleRate_hz)) {
        // As text, not as an integer: a NaN, an infinity or a huge rate from a caller is named as it is.
        char text[32];
        std::snprintf(text, sizeof text, "%.10g", rate);
        throw RecordingError("sample rate " + std::string(text) + " Hz is outside 8000..96000 Hz");
    }
}

} // namespace tarvel
