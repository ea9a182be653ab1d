// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/SndfileStream.h"

#include "decode/ChannelDemodulators.h"
#include "decode/RecordingFormat.h"
#include "decode/RecordingReader.h"
#include "decode/SndfileLibrary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
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

DecodeResult stream(const SndfileLibrary& library, SNDFILE* file, const SF_INFO& info, const char* container)
{
    checkRate(static_cast<double>(info.samplerate));
    if (info.channels < 1 || info.channels > kMaxChannels)
        throw RecordingError(
            std::to_string(info.channels) + " channels; 1.." + std::to_string(kMaxChannels) + " are read");
    ChannelDemodulators demodulators(info.channels, static_cast<double>(info.samplerate));
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<float> interleaved(kChunkFrames * channels);
    sf_count_t framesRead = 0;
    for (;;) {
        const sf_count_t got
            = library.readFramesFloat(file, interleaved.data(), static_cast<sf_count_t>(kChunkFrames));
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

DecodeResult streamOpened(
    const SndfileLibrary& library, SNDFILE* opened, const SF_INFO& info, const char* container)
{
    const SndfileHandle file(library, opened);
    if (!file)
        throw RecordingError("a damaged " + std::string(container) + " file: its header cannot be read");
    return stream(library, file.get(), info, container);
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
