#include "decode/RecordingReader.h"

#include "decode/FrameDemodulator.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace tarvel {

namespace {

constexpr sf_count_t kChunkFrames = 4096;
constexpr int kMaxChannels = 64;

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

void checkRate(double rate)
{
    if (!(rate >= kMinSampleRate_hz && rate <= kMaxSampleRate_hz)) {
        // As text, not as an integer: a NaN, an infinity or a huge rate from a caller is named as it is.
        char text[32];
        std::snprintf(text, sizeof text, "%.10g", rate);
        throw RecordingError("sample rate " + std::string(text) + " Hz is outside 8000..96000 Hz");
    }
}

DecodeResult stream(SNDFILE* file, const SF_INFO& info)
{
    checkRate(static_cast<double>(info.samplerate));
    if (info.channels < 1 || info.channels > kMaxChannels)
        throw RecordingError(
            std::to_string(info.channels) + " channels; 1.." + std::to_string(kMaxChannels) + " are read");
    FrameDemodulator demodulator(static_cast<double>(info.samplerate));
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<float> interleaved(static_cast<std::size_t>(kChunkFrames) * channels);
    std::vector<float> mono(static_cast<std::size_t>(kChunkFrames));
    for (;;) {
        const sf_count_t got = sf_readf_float(file, interleaved.data(), kChunkFrames);
        if (got <= 0)
            break;
        const auto frames = static_cast<std::size_t>(got);
        // The mix of all channels: a signal on either side of a stereo recording is kept.
        for (std::size_t i = 0; i < frames; ++i) {
            float sum = 0.0f;
            for (std::size_t ch = 0; ch < channels; ++ch)
                sum += interleaved[i * channels + ch];
            mono[i] = sum / static_cast<float>(channels);
        }
        if (demodulator.feed(std::span(mono).first(frames)))
            break;
    }
    if (sf_error(file) != SF_ERR_NO_ERROR)
        throw RecordingError(sf_strerror(file));
    return demodulator.finish();
}

// libsndfile's view of a file held in memory.
struct MemoryFile {
    std::span<const std::uint8_t> bytes;
    sf_count_t position = 0;
};

sf_count_t memLength(void* user)
{
    return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size());
}

sf_count_t memSeek(sf_count_t offset, int whence, void* user)
{
    auto* m = static_cast<MemoryFile*>(user);
    const auto size = static_cast<sf_count_t>(m->bytes.size());
    sf_count_t target = offset;
    if (whence == SEEK_CUR)
        target = m->position + offset;
    else if (whence == SEEK_END)
        target = size + offset;
    if (target < 0 || target > size)
        return -1;
    m->position = target;
    return m->position;
}

sf_count_t memRead(void* ptr, sf_count_t count, void* user)
{
    auto* m = static_cast<MemoryFile*>(user);
    const auto size = static_cast<sf_count_t>(m->bytes.size());
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, size - m->position);
    if (n > 0)
        std::memcpy(ptr, m->bytes.data() + m->position, static_cast<std::size_t>(n));
    m->position += n;
    return n;
}

sf_count_t memWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t memTell(void* user)
{
    return static_cast<MemoryFile*>(user)->position;
}

} // namespace

DecodeResult decodeRecording(const std::string& path)
{
    SF_INFO info {};
    SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file)
        throw RecordingError(sf_strerror(nullptr));
    return stream(file.get(), info);
}

DecodeResult decodeRecordingBytes(std::span<const std::uint8_t> bytes)
{
    MemoryFile memory {bytes};
    SF_VIRTUAL_IO io {memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO info {};
    SndfileHandle file(sf_open_virtual(&io, SFM_READ, &info, &memory));
    if (!file)
        throw RecordingError(sf_strerror(nullptr));
    return stream(file.get(), info);
}

DecodeResult decodeSamples(std::span<const float> samples, double sampleRate_hz)
{
    checkRate(sampleRate_hz);
    FrameDemodulator demodulator(sampleRate_hz);
    for (std::size_t at = 0; at < samples.size(); at += static_cast<std::size_t>(kChunkFrames)) {
        const std::size_t n = std::min(samples.size() - at, static_cast<std::size_t>(kChunkFrames));
        if (demodulator.feed(samples.subspan(at, n)))
            break;
    }
    return demodulator.finish();
}

} // namespace tarvel
