#pragma once
// Program-wide values shared by several units: the parameter frame, the sample buffer,
// the modulation filter's coefficient and the PTT trainer's boundaries. One instance
// lives for the whole run (programState()); every function takes the struct by
// reference so that a test can start from a fresh program state.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace tarvel {

inline constexpr std::size_t kFrameSize = 16;
inline constexpr std::size_t kSampleBufferSize = 900'000;
inline constexpr double kDefaultAlfa = 0.2;

using Frame = std::array<std::uint8_t, kFrameSize>;

// Allocates zeroed memory from the system (calloc) and leaves value-initialised elements
// as they come, so the 1.8 MB sample buffer costs no zeroing pass at start-up: its pages
// are the system's zero pages until the generator first writes them.
template <class T>
struct ZeroPageAllocator {
    using value_type = T;
    ZeroPageAllocator() = default;
    template <class U>
    ZeroPageAllocator(const ZeroPageAllocator<U>&) noexcept {}
    T* allocate(std::size_t n)
    {
        if (void* p = std::calloc(n, sizeof(T)))
            return static_cast<T*>(p);
        throw std::bad_alloc();
    }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }
    template <class U>
    void construct(U*) noexcept {} // already zero
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <class U>
    bool operator==(const ZeroPageAllocator<U>&) const noexcept { return true; }
};

// Fixed size for the whole run: a buffer that shrank and grew again within its capacity would
// keep stale samples where a plain vector would put zeros.
using SampleBuffer = std::vector<std::int16_t, ZeroPageAllocator<std::int16_t>>;

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
    SampleBuffer samples = SampleBuffer(kSampleBufferSize);
    double alfa = kDefaultAlfa;   // modulation filter weight of the new value
    std::int32_t pttT1 = 0;       // trainer boundaries, seconds
    std::int32_t pttT2 = 0;
    std::int32_t pttT3 = 0;
    std::int32_t pttStopTime = 0;
};

} // namespace tarvel
