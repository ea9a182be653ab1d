#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// _2GL: the sample buffer the generator fills and the WAV writer and table export read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

namespace tarvel {

inline constexpr std::size_t kSampleBufferSize = 900'000;

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
            : size_(size),
              data_(static_cast<std::int16_t*>(std::calloc(size ? size : 1, sizeof(std::int16_t))))
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
    // A moved-from buffer is empty (size 0), never a size without data.
    SampleBuffer(SampleBuffer&& other) noexcept
            : size_(std::exchange(other.size_, 0)), data_(std::move(other.data_))
    {
    }
    SampleBuffer& operator=(SampleBuffer&& other) noexcept
    {
        size_ = std::exchange(other.size_, 0);
        data_ = std::move(other.data_);
        return *this;
    }
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

} // namespace tarvel
