#include "decode/FrameWords.h"

#include <cstdio>

namespace tarvel {

namespace {

std::string decimal(double value, int places)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return text;
}

// A value in its unit, with 0 meaning "switched off" where the window gates it by a box.
FrameParameterText quantity(const char* key, const char* label, int byte, double step, int places,
    const char* unit, bool zeroIsOff, bool userSettable)
{
    if (zeroIsOff && byte == 0)
        return {key, label, "off", "null", userSettable};
    const std::string number = decimal(byte * step, places);
    return {key, label, number + " " + unit, number, userSettable};
}

} // namespace

bool markersOk(const Frame& frame)
{
    return frame[0] == 1 && frame[1] == 2;
}

std::vector<FrameParameterText> describeFrame(const Frame& f)
{
    std::vector<FrameParameterText> out;
    std::string mode;
    switch (f[5]) {
    case 0:
        mode = "pilot tone";
        break;
    case 1:
        mode = "VOX";
        break;
    default:
        mode = "unknown (" + std::to_string(f[5]) + ")";
        break;
    }
    out.push_back({"keying_mode", "keying mode", mode, "\"" + mode + "\"", true});
    out.push_back(quantity("pilot_tone_hz", "pilot tone", f[10], 20.0, 0, "Hz", true, true));
    out.push_back(quantity("vox_threshold_percent", "VOX threshold", f[2], 0.1, 1, "%", false, true));
    out.push_back(quantity("vox_release_ms", "VOX release", f[4], 50.0, 0, "ms", false, true));
    out.push_back(quantity("max_transmit_s", "maximum transmit time", f[6], 1.0, 0, "s", true, true));
    out.push_back(quantity("tx_delay_ms", "delay before transmitting", f[3], 100.0, 0, "ms", false, false));
    out.push_back(quantity("pause_enter_s", "time to enter pause", f[7], 1.0, 0, "s", true, false));
    out.push_back(quantity("pause_leave_ms", "time to leave pause", f[8], 100.0, 0, "ms", false, false));
    out.push_back(quantity("max_activity_min", "maximum activity time", f[9], 1.0, 0, "min", true, false));
    out.push_back(quantity("ptt_first_press_s", "first PTT press", f[11], 0.1, 1, "s", true, false));
    out.push_back(quantity("ptt_pause_s", "pause between PTT presses", f[12], 0.1, 1, "s", false, false));
    out.push_back(quantity("ptt_second_press_s", "second PTT press", f[13], 0.1, 1, "s", false, false));
    return out;
}

} // namespace tarvel
