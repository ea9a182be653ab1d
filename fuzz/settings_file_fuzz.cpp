// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file from arbitrary bytes, as --settings and the page's preset import read it.
// Whatever they are, the reader either refuses them and leaves the parameters as they were,
// or takes values a user may set, which written out and read back come out the same.

#include "frame/SettingsFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <tuple>

namespace {

auto userFields(const tarvel::FrameParameters& p)
{
    return std::tuple(p.keyingMode, p.pilot_hz, p.voxThreshold, p.voxRelease_ms, p.maxTxEnabled, p.maxTx_s);
}

bool inRange(int value, const tarvel::UserRange& range)
{
    return value >= range.min && value <= range.max;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tarvel;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FrameParameters params;
    const FrameParameters before = params;
    std::string name;
    try {
        name = readSettings(text, params);
    } catch (const SettingsError&) {
        if (userFields(params) != userFields(before))
            std::abort(); // a refused file changed something
        return 0;
    }
    if (params.keyingMode < 0 || params.keyingMode > 1 || !inRange(params.pilot_hz, kPilotToneRange_hz)
        || !inRange(params.voxThreshold, kVoxThresholdRange)
        || !inRange(params.voxRelease_ms, kVoxReleaseRange_ms)
        || !inRange(params.maxTx_s, kMaxTransmitRange_s))
        std::abort(); // taken, but not a value a user may set
    for (SettingsLayout layout : {SettingsLayout::Indented, SettingsLayout::OneLine}) {
        FrameParameters again;
        again.maxTx_s = params.maxTx_s;
        const std::string written = settingsJson(params, name, layout);
        if (readSettings(written, again) != name || userFields(again) != userFields(params))
            std::abort(); // what was taken does not survive being written
    }
    return 0;
}
