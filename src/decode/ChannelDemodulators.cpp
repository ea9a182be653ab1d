// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/ChannelDemodulators.h"

#include <cstdio>
#include <string>

namespace tarvel {

namespace {

// Which channel's reading to report when none has a matching CRC: the one that read the most
// symbols, and at equal symbols a cut-short signal before a lead-in alone before nothing.
int channelPreference(const DecodeResult& r)
{
    if (r.decoded())
        return 1'000'000;
    const int kind = r.outcome == DecodeOutcome::EndsEarly ? 2 : r.outcome == DecodeOutcome::NoLeadIn ? 1 : 0;
    return r.symbolsRead * 4 + kind;
}

} // namespace

ChannelDemodulators::ChannelDemodulators(int channels, double rate)
        : channels_(static_cast<std::size_t>(channels))
{
    const std::size_t count = channels_ + (channels_ > 1 ? 1 : 0);
    for (std::size_t i = 0; i < count; ++i)
        demodulators_.emplace_back(rate);
    buffer_.resize(kChunkFrames);
}

bool ChannelDemodulators::feed(std::span<const float> interleaved)
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

DecodeResult ChannelDemodulators::finish()
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
            && (results[i].crcOk() || channelPreference(results[i]) > channelPreference(results[best])))
            best = i;
    results[best].crcRejections = rejections;
    return results[best];
}

void noteDamage(DecodeResult& result, const char* container, double seconds)
{
    char where[64];
    std::snprintf(where, sizeof where, "%.2f s", seconds);
    result.reason += std::string(result.reason.empty() ? "" : "; ") + "the " + container
        + " file is damaged after " + where;
}

} // namespace tarvel
