// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/SndfileStream.h"

#include "decode/ChannelDemodulators.h"
#include "decode/RecordingError.h"
#include "decode/RecordingFormat.h"
#include "decode/SndfileLibrary.h"
#include "decode/StreamInput.h"
#include "decode/WavSamples.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

namespace {

constexpr int kMaxChannels = 64;

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

// `pieceFrames`: how much is asked of libsndfile at a time; it returns only once it has that much
// (or the end), so a stream asks for little.
DecodeResult stream(const SndfileLibrary& library, SNDFILE* file, const SF_INFO& info, const char* container,
    std::size_t pieceFrames)
{
    checkRate(static_cast<double>(info.samplerate));
    if (info.channels < 1 || info.channels > kMaxChannels)
        throw RecordingError(
            std::to_string(info.channels) + " channels; 1.." + std::to_string(kMaxChannels) + " are read");
    ChannelDemodulators demodulators(info.channels, static_cast<double>(info.samplerate));
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<float> interleaved(pieceFrames * channels);
    sf_count_t framesRead = 0;
    for (;;) {
        const sf_count_t got
            = library.readFramesFloat(file, interleaved.data(), static_cast<sf_count_t>(pieceFrames));
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

DecodeResult streamOpened(const SndfileLibrary& library, SNDFILE* opened, const SF_INFO& info,
    const char* container, std::size_t pieceFrames = kChunkFrames)
{
    const SndfileHandle file(library, opened);
    if (!file)
        throw RecordingError("a damaged " + std::string(container) + " file: its header cannot be read");
    return stream(library, file.get(), info, container, pieceFrames);
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

// libsndfile's view of a pipe, read only as far as it asks. Its length is where a WAV's data
// chunk declares its end, else the most a stream may hold (FLAC will not open without one). A
// seek to a WAV's declared end is granted without reading: libsndfile's WAV reader steps over
// the data chunk to look for more chunks, and would otherwise wait for the whole stream or,
// refused, take the samples for chunks. Any other seek further ahead than what has arrived
// (Ogg looks for its last page) is refused rather than waited for, and what lies well behind
// the reading position is let go, so memory stays small however long the stream runs.
struct PipeFile {
    StreamInput& in;
    std::vector<std::uint8_t> window; // the stream's bytes from offset `base` on
    sf_count_t length = static_cast<sf_count_t>(StreamInput::kMaxBytes);
    bool declaredEnd = false; // the length is the WAV's own
    sf_count_t base = 0;
    sf_count_t position = 0;
    bool ended = false;
    // libsndfile reads a WAV's samples in whole samples and drops the bytes of one cut short
    // by a short read, so a WAV's reads wait for all they ask (a few hundred frames at most);
    // FLAC and Ogg take what has arrived.
    bool wholeReads = false;
    // A read error or the stream's limit, held until libsndfile has returned: an exception
    // must not pass through its C code.
    std::exception_ptr failure {};

    static constexpr sf_count_t kLookAhead = sf_count_t {1} << 20;
    static constexpr sf_count_t kKeptBehind = sf_count_t {1} << 20;

    sf_count_t arrived() const { return base + static_cast<sf_count_t>(window.size()); }

    // Reads until `offset` has arrived, and whatever else has, or the stream has ended.
    void readUpTo(sf_count_t offset)
    {
        constexpr sf_count_t kPiece = 65536;
        try {
            while (!ended && arrived() < offset)
                ended = !in.append(window, static_cast<std::size_t>(std::max(offset - arrived(), kPiece)));
        } catch (...) {
            failure = std::current_exception();
            ended = true;
        }
    }

    void letGoBehind()
    {
        const sf_count_t drop = position - kKeptBehind - base;
        if (drop >= kKeptBehind) {
            window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(drop));
            base += drop;
        }
    }
};

sf_count_t pipeLength(void* user)
{
    return static_cast<PipeFile*>(user)->length;
}

sf_count_t pipeSeek(sf_count_t offset, int whence, void* user)
{
    auto* p = static_cast<PipeFile*>(user);
    sf_count_t target = offset;
    if (whence == SEEK_CUR)
        target = p->position + offset;
    else if (whence == SEEK_END)
        target = pipeLength(user) + offset;
    if (target == p->length && p->declaredEnd) {
        p->position = target;
        return target;
    }
    if (target < p->base || target > p->length || target > p->arrived() + PipeFile::kLookAhead)
        return -1;
    p->readUpTo(target);
    if (target > p->arrived())
        return -1;
    p->position = target;
    return target;
}

sf_count_t pipeRead(void* ptr, sf_count_t count, void* user)
{
    auto* p = static_cast<PipeFile*>(user);
    if (p->position >= p->length)
        return 0;
    // Like read(2) on the pipe: what has arrived, waiting only when nothing has; or all that
    // was asked for.
    p->readUpTo(p->position + (p->wholeReads ? count : 1));
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, std::min(p->arrived(), p->length) - p->position);
    if (n > 0)
        std::memcpy(ptr, p->window.data() + (p->position - p->base), static_cast<std::size_t>(n));
    p->position += n;
    p->letGoBehind();
    return n;
}

sf_count_t pipeTell(void* user)
{
    return static_cast<PipeFile*>(user)->position;
}

} // namespace

DecodeResult decodeSndfileStream(StreamInput& in, std::vector<std::uint8_t> head, const char* container)
{
    const SndfileLibrary& library = sndfileLibrary(container);
    PipeFile pipe {in, std::move(head)};
    if (std::string_view(container) == "WAV") {
        pipe.wholeReads = true;
        // A data chunk behind a long tag is looked for as far as a seek may look ahead.
        std::optional<WavData> data;
        while (!(data = findWavData(pipe.window)) && !pipe.ended && pipe.arrived() < PipeFile::kLookAhead)
            pipe.readUpTo(pipe.arrived() + 1);
        if (data && data->declared != 0) {
            pipe.length = std::min(pipe.length, static_cast<sf_count_t>(data->offset + data->declared));
            pipe.declaredEnd = true;
        }
    }
    SF_VIRTUAL_IO io {pipeLength, pipeSeek, pipeRead, memWrite, pipeTell};
    SF_INFO info {};
    SNDFILE* opened = library.openVirtual(&io, SFM_READ, &info, &pipe);
    constexpr std::size_t kStreamPieceFrames = 256;
    std::optional<DecodeResult> result;
    try {
        result = streamOpened(library, opened, info, container, kStreamPieceFrames);
    } catch (const RecordingError&) {
        if (!pipe.failure)
            throw;
    }
    // Unless the frame was read before it, what went wrong with the stream itself says more
    // than the damage it looked like.
    if (pipe.failure && !(result && result->decoded()))
        std::rethrow_exception(pipe.failure);
    return std::move(*result);
}

DecodeResult decodeSndfileFile(int fd, const char* container)
{
    const SndfileLibrary& library = sndfileLibrary(container);
    SF_INFO info {};
    SNDFILE* opened = library.openFd(fd, SFM_READ, &info, SF_FALSE);
    return streamOpened(library, opened, info, container);
}

DecodeResult decodeSndfileBytes(std::span<const std::uint8_t> bytes, const char* container)
{
    const SndfileLibrary& library = sndfileLibrary(container);
    MemoryFile memory {bytes};
    SF_VIRTUAL_IO io {memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO info {};
    SNDFILE* opened = library.openVirtual(&io, SFM_READ, &info, &memory);
    return streamOpened(library, opened, info, container);
}

} // namespace tarvel
