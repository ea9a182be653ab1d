#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Test support for the decoder: sends generated with the real generator, and the
// impairments a recording meets on its way (resampling, clock error, noise, level, DC,
// polarity, padding), all made in code. Header-only so that the benchmark shares it.

#include "frame/Crc16.h"
#include "frame/FrameBuild.h"
#include "shared/SharedState.h"
#include "signal/ToneSignal.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvel::lab {

// A frame with the two markers, random parameter bytes and its CRC: what the window sends.
inline Frame randomFrame(std::mt19937& rng)
{
    std::uniform_int_distribution<int> byte(0, 255);
    Frame f {};
    std::copy(kFrameMarkers.begin(), kFrameMarkers.end(), f.begin());
    for (std::size_t i = kFrameMarkers.size(); i < kCrcIndex; ++i)
        f[i] = static_cast<std::uint8_t>(byte(rng));
    storeCrc(f, crc16(std::span(f).first(kCrcIndex)));
    return f;
}

// Any sixteen bytes with a matching CRC, markers included: also frames whose first bit is 1.
inline Frame randomAnyFrame(std::mt19937& rng)
{
    Frame f = randomFrame(rng);
    std::uniform_int_distribution<int> byte(0, 255);
    f[0] = static_cast<std::uint8_t>(byte(rng));
    f[1] = static_cast<std::uint8_t>(byte(rng));
    storeCrc(f, crc16(std::span(f).first(kCrcIndex)));
    return f;
}

// One send of `frame` as the window makes it (16 kHz), as floats of full scale ±1.
// `generator` carries the phase and the filter state from one send to the next.
inline std::vector<float> send(
    const Frame& frame, GeneratorState& generator, bool filterOn = true, double alfa = kDefaultAlfa)
{
    SharedState shared;
    shared.frame = frame;
    shared.alfa = alfa;
    FixedFilterSwitch sw(filterOn);
    NullPlotSink none;
    SignalContext ctx {shared, generator, sw, none, none};
    const std::int32_t n = FormFM(ctx);
    std::vector<float> out(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<float>(shared.samples[i]) / 32768.0f;
    return out;
}

inline std::vector<float> send(const Frame& frame, bool filterOn = true, double alfa = kDefaultAlfa)
{
    GeneratorState fresh;
    return send(frame, fresh, filterOn, alfa);
}

// Band-limited resampling with a Blackman-windowed sinc. `inRate` and `outRate` are the
// rates the samples are taken to be at; calling it with inRate = 16000·(1 + e) and
// outRate = 16000 makes a clock that runs fast by e.
inline std::vector<float> resample(std::span<const float> in, double inRate, double outRate)
{
    constexpr int kZeroCrossings = 24;
    constexpr int kTableSteps = 512; // kernel points per input sample, linearly interpolated
    const double ratio = inRate / outRate; // input samples per output sample
    const double cutoff = 0.45 * std::min(1.0, 1.0 / ratio); // in cycles per input sample
    const double halfWidth = kZeroCrossings / (2.0 * cutoff);
    const auto tableSize = static_cast<std::size_t>(std::ceil(halfWidth * kTableSteps)) + 2;
    std::vector<double> kernel(tableSize); // at x = i / kTableSteps, x >= 0 (the kernel is even)
    for (std::size_t i = 0; i < tableSize; ++i) {
        const double x = static_cast<double>(i) / kTableSteps;
        const double arg = 2.0 * cutoff * x;
        const double sinc = arg == 0.0 ? 1.0 : std::sin(std::numbers::pi * arg) / (std::numbers::pi * arg);
        const double w = x >= halfWidth ? 0.0 : 0.5 + 0.5 * x / halfWidth; // 0.5..1 over the right half
        const double blackman
            = 0.42 - 0.5 * std::cos(2.0 * std::numbers::pi * w) + 0.08 * std::cos(4.0 * std::numbers::pi * w);
        kernel[i] = 2.0 * cutoff * sinc * blackman;
    }
    const auto outCount = static_cast<std::size_t>(std::floor(static_cast<double>(in.size()) / ratio));
    std::vector<float> out(outCount);
    for (std::size_t n = 0; n < outCount; ++n) {
        const double t = static_cast<double>(n) * ratio;
        const auto first = std::max(0LL, static_cast<long long>(std::ceil(t - halfWidth)));
        const auto last = std::min(
            static_cast<long long>(in.size()) - 1, static_cast<long long>(std::floor(t + halfWidth)));
        double acc = 0.0;
        for (long long m = first; m <= last; ++m) {
            const double pos = std::fabs(static_cast<double>(m) - t) * kTableSteps;
            const auto i = static_cast<std::size_t>(pos);
            const double frac = pos - static_cast<double>(i);
            const double k = kernel[i] + frac * (kernel[i + 1] - kernel[i]);
            acc += static_cast<double>(in[static_cast<std::size_t>(m)]) * k;
        }
        out[n] = static_cast<float>(acc);
    }
    return out;
}

inline double meanSquare(std::span<const float> x)
{
    double s = 0.0;
    for (float v : x)
        s += static_cast<double>(v) * static_cast<double>(v);
    return x.empty() ? 0.0 : s / static_cast<double>(x.size());
}

// White Gaussian noise of the given power, over the whole band of the samples' rate.
inline void addNoise(std::span<float> x, double power, std::mt19937& rng)
{
    std::normal_distribution<double> g(0.0, std::sqrt(power));
    for (float& v : x)
        v = static_cast<float>(static_cast<double>(v) + g(rng));
}

// Noise at `snr_dB` below the power of the signal itself (measured over the signal).
inline void addNoiseAtSnr(std::span<float> x, double snr_dB, std::mt19937& rng)
{
    addNoise(x, meanSquare(x) / std::pow(10.0, snr_dB / 10.0), rng);
}

inline void gain(std::span<float> x, double factor)
{
    for (float& v : x)
        v = static_cast<float>(static_cast<double>(v) * factor);
}

inline void offset(std::span<float> x, float dc)
{
    for (float& v : x)
        v += dc;
}

// Silence (or noise of the given power) before and after.
inline std::vector<float> pad(std::span<const float> x, double rate, double before_s, double after_s,
    double noisePower, std::mt19937& rng)
{
    const auto lead = static_cast<std::size_t>(before_s * rate);
    const auto trail = static_cast<std::size_t>(after_s * rate);
    std::vector<float> out(lead + x.size() + trail, 0.0f);
    std::copy(x.begin(), x.end(), out.begin() + static_cast<std::ptrdiff_t>(lead));
    if (noisePower > 0.0) {
        addNoise(std::span(out).first(lead), noisePower, rng);
        addNoise(std::span(out).last(trail), noisePower, rng);
    }
    return out;
}

// Writes samples (±1) with libsndfile in `format` (SF_FORMAT_WAV | SF_FORMAT_PCM_16, ...).
inline void writeSound(
    const std::string& path, std::span<const float> samples, int rate, int format, int channels = 1)
{
    SF_INFO info {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    std::vector<float> interleaved;
    interleaved.reserve(samples.size() * static_cast<std::size_t>(channels));
    for (float v : samples)
        for (int c = 0; c < channels; ++c)
            interleaved.push_back(c == 0 ? v : v * 0.5f); // the second channel quieter, not silent
    const auto frames = static_cast<sf_count_t>(samples.size());
    const sf_count_t written = sf_writef_float(f, interleaved.data(), frames);
    sf_close(f);
    if (written != frames)
        throw std::runtime_error("short write to " + path);
}

// Writes one signal per channel (all of the same length) as one interleaved file.
inline void writeChannels(
    const std::string& path, const std::vector<std::vector<float>>& channels, int rate, int format)
{
    std::vector<float> interleaved;
    const std::size_t frames = channels.at(0).size();
    interleaved.reserve(frames * channels.size());
    for (std::size_t i = 0; i < frames; ++i)
        for (const auto& ch : channels)
            interleaved.push_back(ch.at(i));
    SF_INFO info {};
    info.samplerate = rate;
    info.channels = static_cast<int>(channels.size());
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    const sf_count_t written = sf_writef_float(f, interleaved.data(), static_cast<sf_count_t>(frames));
    sf_close(f);
    if (written != static_cast<sf_count_t>(frames))
        throw std::runtime_error("short write to " + path);
}

} // namespace tarvel::lab
