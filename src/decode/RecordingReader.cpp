#include "decode/RecordingReader.h"

#include "decode/FrameDemodulator.h"
#include "decode/SndfileLibrary.h"
#include "decode/WavSamples.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace tarvel {

namespace {

constexpr sf_count_t kChunkFrames = 4096;
// Where a WAV's data chunk starts, nearly always; one that starts beyond the larger head
// (behind a long tag or picture) is left to libsndfile.
constexpr std::size_t kWavHeadBytes = 4096;
constexpr std::size_t kMaxWavHeadBytes = 65536;
constexpr int kMaxChannels = 64;
constexpr std::size_t kMaxStreamBytes = std::size_t {1} << 30; // what is read from a pipe at most

// Closes through the loaded library (its address is only known once it is loaded).
class SndfileHandle {
public:
    SndfileHandle(const SndfileLibrary& library, SNDFILE* file) : library_(library), file_(file) { }
    SndfileHandle(const SndfileHandle&) = delete;
    SndfileHandle& operator=(const SndfileHandle&) = delete;
    ~SndfileHandle()
    {
        if (file_)
            library_.close(file_);
    }
    SNDFILE* get() const { return file_; }
    explicit operator bool() const { return file_ != nullptr; }

private:
    const SndfileLibrary& library_;
    SNDFILE* file_;
};

// The system's reason in plain words, as a clause: "no such file or directory".
std::string systemReason(int error)
{
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

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

int outcomeRank(const DecodeResult& r)
{
    if (r.decoded())
        return 1'000'000;
    const int kind = r.outcome == DecodeOutcome::EndsEarly ? 2 : r.outcome == DecodeOutcome::NoLeadIn ? 1 : 0;
    return r.symbolsRead * 4 + kind;
}

// One demodulator per channel and, for several channels, one for their mix.
class ChannelDemodulators {
public:
    ChannelDemodulators(int channels, double rate) : channels_(static_cast<std::size_t>(channels))
    {
        const std::size_t count = channels_ + (channels_ > 1 ? 1 : 0);
        for (std::size_t i = 0; i < count; ++i)
            demodulators_.emplace_back(rate);
        buffer_.resize(static_cast<std::size_t>(kChunkFrames));
    }

    // Returns true once a channel of its own has read a frame with a matching CRC.
    bool feed(std::span<const float> interleaved)
    {
        if (channels_ == 1) // already the one channel's samples
            return demodulators_[0].feed(interleaved);
        const std::size_t frames = interleaved.size() / channels_;
        buffer_.resize(frames);
        bool found = false;
        for (std::size_t ch = 0; ch < channels_; ++ch) {
            for (std::size_t i = 0; i < frames; ++i)
                buffer_[i] = interleaved[i * channels_ + ch];
            found = demodulators_[ch].feed(buffer_) || found;
        }
        if (channels_ > 1) {
            for (std::size_t i = 0; i < frames; ++i) {
                float sum = 0.0f;
                for (std::size_t ch = 0; ch < channels_; ++ch)
                    sum += interleaved[i * channels_ + ch];
                buffer_[i] = sum / static_cast<float>(channels_);
            }
            demodulators_.back().feed(buffer_);
        }
        return found;
    }

    // The first channel with a matching CRC, else the mix with one, else the reading that
    // got furthest (a channel of its own before the mix).
    DecodeResult finish()
    {
        std::vector<DecodeResult> results;
        for (std::size_t i = 0; i < demodulators_.size(); ++i) {
            results.push_back(demodulators_[i].finish());
            results.back().report.channel = i < channels_ ? static_cast<int>(i) + 1 : 0;
            results.back().report.channels = static_cast<int>(channels_);
        }
        CrcRejections rejections; // every channel's readings could have passed by chance
        for (const DecodeResult& r : results)
            rejections.add(r.crcRejections);
        std::size_t best = 0;
        for (std::size_t i = 1; i < results.size(); ++i)
            if (!results[best].crcOk()
                && (results[i].crcOk() || outcomeRank(results[i]) > outcomeRank(results[best])))
                best = i;
        results[best].crcRejections = rejections;
        return results[best];
    }

private:
    std::size_t channels_;
    std::vector<FrameDemodulator> demodulators_;
    std::vector<float> buffer_;
};

// Damaged part-way: what came before the damage is read like a recording that ends there,
// and the reason says where the file stops being readable.
void noteDamage(DecodeResult& result, const char* container, double seconds)
{
    char where[64];
    std::snprintf(where, sizeof where, "%.2f s", seconds);
    result.reason += std::string(result.reason.empty() ? "" : "; ") + "the " + container
        + " file is damaged after " + where;
}

DecodeResult stream(const SndfileLibrary& library, SNDFILE* file, const SF_INFO& info, const char* container)
{
    checkRate(static_cast<double>(info.samplerate));
    if (info.channels < 1 || info.channels > kMaxChannels)
        throw RecordingError(
            std::to_string(info.channels) + " channels; 1.." + std::to_string(kMaxChannels) + " are read");
    ChannelDemodulators demodulators(info.channels, static_cast<double>(info.samplerate));
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<float> interleaved(static_cast<std::size_t>(kChunkFrames) * channels);
    sf_count_t framesRead = 0;
    for (;;) {
        const sf_count_t got = library.readFramesFloat(file, interleaved.data(), kChunkFrames);
        if (got <= 0)
            break;
        framesRead += got;
        if (demodulators.feed(std::span(interleaved).first(static_cast<std::size_t>(got) * channels)))
            break;
    }
    DecodeResult result = demodulators.finish();
    if (library.error(file) != SF_ERR_NO_ERROR && !result.decoded())
        noteDamage(result, container, static_cast<double>(framesRead) / info.samplerate);
    return result;
}

// A WAV file read without libsndfile, in the same chunks and to the same floats. `fetch(offset,
// buffer)` fills `buffer` with the file's bytes from `offset` and returns how many it gave (fewer
// at the file's end), or nothing when they cannot be read.
template <typename Fetch> DecodeResult streamWav(const WavSound& sound, Fetch fetch)
{
    checkRate(static_cast<double>(sound.sampleRate_hz));
    ChannelDemodulators demodulators(sound.channels, static_cast<double>(sound.sampleRate_hz));
    const auto channels = static_cast<std::size_t>(sound.channels);
    const auto frameBytes = static_cast<std::size_t>(sound.bytesPerFrame());
    std::vector<float> interleaved(static_cast<std::size_t>(kChunkFrames) * channels);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kChunkFrames) * frameBytes);
    std::size_t done = 0; // bytes of the data chunk read so far
    bool damaged = false;
    while (done < sound.dataSize) {
        const std::size_t want = std::min(sound.dataSize - done, bytes.size());
        const std::optional<std::size_t> got = fetch(sound.dataOffset + done, std::span(bytes).first(want));
        if (!got) {
            damaged = true;
            break;
        }
        const std::size_t frames = *got / frameBytes;
        if (frames == 0)
            break;
        done += frames * frameBytes;
        const std::span<float> samples = std::span(interleaved).first(frames * channels);
        wavSamplesToFloat(sound.kind, std::span(bytes).first(frames * frameBytes), samples);
        if (demodulators.feed(samples))
            break;
    }
    DecodeResult result = demodulators.finish();
    if (damaged && !result.decoded()) {
        const std::size_t framesRead = done / frameBytes; // whole frames only
        noteDamage(result, "WAV", static_cast<double>(framesRead) / sound.sampleRate_hz);
    }
    return result;
}

// Fills `buffer` from `offset` of a file; fewer bytes only at its end, nothing on an error.
std::optional<std::size_t> readAt(int fd, std::size_t offset, std::span<std::uint8_t> buffer)
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t n = ::pread(
            fd, buffer.data() + filled, buffer.size() - filled, static_cast<off_t>(offset + filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    return filled;
}

// The sound of a regular WAV file when it is read natively; its head is read first in a
// small piece, then, if its data chunk starts further on, in a larger one.
std::optional<WavSound> nativeWavFile(int fd, std::size_t fileSize)
{
    std::uint8_t head[kWavHeadBytes];
    std::optional<std::size_t> got = readAt(fd, 0, std::span(head, std::min(fileSize, sizeof head)));
    if (!got)
        return std::nullopt;
    std::optional<WavSound> sound = nativeWavSound(std::span(head, *got), fileSize);
    if (sound || fileSize <= sizeof head)
        return sound;
    std::vector<std::uint8_t> longer(std::min(fileSize, kMaxWavHeadBytes));
    got = readAt(fd, 0, longer);
    return got ? nativeWavSound(std::span(longer).first(*got), fileSize) : std::nullopt;
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

struct FdCloser {
    void operator()(const int* fd) const
    {
        ::close(*fd);
        delete fd;
    }
};

std::vector<std::uint8_t> readAll(int fd)
{
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw RecordingError(systemReason(errno));
        }
        if (n == 0)
            return bytes;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxStreamBytes)
            throw RecordingError("more than 1 GiB: too long for a recording read through a pipe");
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}

} // namespace

DecodeResult decodeRecording(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw RecordingError(systemReason(errno));
    std::unique_ptr<const int, FdCloser> owner(new int(fd));
    struct stat st { };
    if (::fstat(fd, &st) != 0)
        throw RecordingError(systemReason(errno));
    if (S_ISDIR(st.st_mode))
        throw RecordingError(systemReason(EISDIR));
    if (!S_ISREG(st.st_mode)) // a pipe or a device: read what it gives
        return decodeRecordingBytes(readAll(fd));

    std::uint8_t head[12] = {};
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    if (got < 0)
        throw RecordingError(systemReason(errno));
    const auto fileSize = static_cast<std::size_t>(st.st_size);
    const char* container = checkContainer(std::span(head, static_cast<std::size_t>(got)), fileSize);
    if (const std::optional<WavSound> sound = nativeWavFile(fd, fileSize))
        return streamWav(*sound,
            [fd](std::size_t offset, std::span<std::uint8_t> buffer) { return readAt(fd, offset, buffer); });
    const SndfileLibrary& library = sndfileLibrary(container);
    SF_INFO info {};
    const SndfileHandle file(library, library.openFd(fd, SFM_READ, &info, SF_FALSE));
    if (!file)
        throw RecordingError("a damaged " + std::string(container) + " file: its header cannot be read");
    return stream(library, file.get(), info, container);
}

DecodeResult decodeRecordingStream(std::istream& in)
{
    std::vector<std::uint8_t> bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        if (bytes.size() + static_cast<std::size_t>(in.gcount()) > kMaxStreamBytes)
            throw RecordingError("more than 1 GiB: too long for a recording read through a pipe");
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
    if (in.bad())
        throw RecordingError("standard input could not be read");
    return decodeRecordingBytes(bytes);
}

DecodeResult decodeRecordingBytes(std::span<const std::uint8_t> bytes)
{
    const char* container
        = checkContainer(bytes.first(std::min<std::size_t>(bytes.size(), 12)), bytes.size());
    if (const std::optional<WavSound> sound = nativeWavSound(bytes, bytes.size()))
        return streamWav(*sound, [bytes](std::size_t offset, std::span<std::uint8_t> buffer) {
            const std::size_t n = std::min(buffer.size(), bytes.size() - offset);
            std::memcpy(buffer.data(), bytes.data() + offset, n);
            return std::optional<std::size_t>(n);
        });
    const SndfileLibrary& library = sndfileLibrary(container);
    MemoryFile memory {bytes};
    SF_VIRTUAL_IO io {memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO info {};
    const SndfileHandle file(library, library.openVirtual(&io, SFM_READ, &info, &memory));
    if (!file)
        throw RecordingError("a damaged " + std::string(container) + " file: its header cannot be read");
    return stream(library, file.get(), info, container);
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
