#pragma once
// Program-wide values shared by several units: the parameter frame, the sample buffer,
// the modulation filter's coefficient and the PTT trainer's boundaries. One instance
// lives for the whole run (programState()); every function takes the struct by
// reference so that a test can start from a fresh program state.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace tarvel {

inline constexpr std::size_t kFrameSize = 16;
inline constexpr std::size_t kSampleBufferSize = 900'000;
inline constexpr double kDefaultAlfa = 0.2;

using Frame = std::array<std::uint8_t, kFrameSize>;

// The program's sample buffer: a fixed number of signed 16-bit samples, zero at start.
// The memory comes zeroed from the system (calloc), so the 1.8 MB cost no zeroing pass at
// start-up: its pages are the system's zero pages until the generator first writes them.
// Its size never changes, so nothing stale can come back through a shrink and a regrow.
class SampleBuffer {
public:
    using value_type = std::int16_t;
    using iterator = std::int16_t*;
    using const_iterator = const std::int16_t*;

    explicit SampleBuffer(std::size_t size)
        : size_(size), data_(static_cast<std::int16_t*>(std::calloc(size ? size : 1, sizeof(std::int16_t))))
    {
        if (!data_)
            throw std::bad_alloc();
    }
    SampleBuffer(const SampleBuffer& other) : SampleBuffer(other.size_)
    {
        std::copy(other.begin(), other.end(), begin());
    }
    SampleBuffer& operator=(const SampleBuffer& other)
    {
        SampleBuffer copy(other);
        std::swap(size_, copy.size_);
        std::swap(data_, copy.data_);
        return *this;
    }
    SampleBuffer(SampleBuffer&&) noexcept = default;
    SampleBuffer& operator=(SampleBuffer&&) noexcept = default;
    ~SampleBuffer() = default;

    std::size_t size() const { return size_; }
    std::int16_t* data() { return data_.get(); }
    const std::int16_t* data() const { return data_.get(); }
    std::int16_t& operator[](std::size_t i) { return data_[i]; }
    std::int16_t operator[](std::size_t i) const { return data_[i]; }
    iterator begin() { return data(); }
    iterator end() { return data() + size_; }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size_; }

    bool operator==(const SampleBuffer& other) const
    {
        return size_ == other.size_ && std::equal(begin(), end(), other.begin());
    }

private:
    struct FreeMemory {
        void operator()(std::int16_t* p) const noexcept { std::free(p); }
    };
    std::size_t size_;
    std::unique_ptr<std::int16_t[], FreeMemory> data_;
};

// The frame before the first build: bytes 0..13 zero, bytes 14 and 15 = EE FF.
constexpr Frame initialFrame()
{
    Frame f{};
    f[14] = 0xEE;
    f[15] = 0xFF;
    return f;
}

struct SharedState {
    Frame frame = initialFrame();
    // 900 000 signed 16-bit samples, zero at start; the generator fills it from index 0.
    SampleBuffer samples{kSampleBufferSize};
    double alfa = kDefaultAlfa;   // modulation filter weight of the new value
    std::int32_t pttT1 = 0;       // trainer boundaries, seconds
    std::int32_t pttT2 = 0;
    std::int32_t pttT3 = 0;
    std::int32_t pttStopTime = 0;
};

} // namespace tarvel
