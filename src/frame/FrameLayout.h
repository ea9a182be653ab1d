#pragma once
// Where each parameter sits in the frame and what one step of its byte is worth: the one
// table that the frame build writes by and the decoder reads by.

#include "shared/Frame.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvel {

// Keying mode: the selected tab of PageControl_UprTx.
enum class KeyingMode : int { PilotTone = 0, Vox = 1 };

// The current integer value of every control the frame reads, with the window's defaults.
// A value gated by a check box reaches the frame only while the box is on.
struct FrameParameters {
    int voxThreshold = 5; // SpinEdit_1, units of 0.1 %
    int txDelay = 1; // SpinEdit_2, units of 100 ms
    int voxRelease_ms = 300; // SpinEdit_3
    int keyingMode = 0; // PageControl_UprTx tab index
    bool maxTxEnabled = false; // CheckBox_5
    int maxTx_s = 60; // SpinEdit_5
    bool pauseEnabled = true; // CheckBox_6
    int pauseEnter_s = 60; // SpinEdit_6
    int pauseExit = 20; // SpinEdit_7, units of 100 ms
    bool activityEnabled = false; // CheckBox_8
    int activity_min = 50; // SpinEdit_8
    bool toneEnabled = true; // CheckBox_9
    int pilot_hz = 2000; // SpinEdit_9
    bool carrierEnabled = false; // CheckBox_10
    int firstPtt_s = 2; // SpinEdit_10
    int pttPause_s = 3; // SpinEdit_11
    int secondPtt_s = 4; // SpinEdit_12
};

// Bytes 0 and 1: the receiver recognises a frame by them.
inline constexpr std::array<std::uint8_t, 2> kFrameMarkers = {0x01, 0x02};

enum class FrameFieldKind { Quantity, KeyingMode };

// One parameter byte. The build sends the control's value times `bytesPerUnit` divided by
// `unitsPerByte` (whole-number division, low 8 bits kept, no range check); a reader takes
// one byte step as `step` of `unit`. A gated value is sent as 0 while its box is off, so
// a gated 0 reads as "off".
struct FrameField {
    std::size_t index;
    const char* key; // for JSON: snake_case with the unit
    const char* label; // for people
    FrameFieldKind kind;
    int FrameParameters::*value;
    bool FrameParameters::*gate; // nullptr: always sent
    int bytesPerUnit;
    int unitsPerByte;
    double step;
    int places; // decimals worth showing for one step
    const char* unit;
    bool userSettable; // false for the values this build fixes
};

// In the order a reader lists them: the values a user sets first.
inline constexpr std::array<FrameField, 12> kFrameFields = {{
    {5, "keying_mode", "keying mode", FrameFieldKind::KeyingMode, &FrameParameters::keyingMode, nullptr, 1, 1,
        1.0, 0, "", true},
    {10, "pilot_tone_hz", "pilot tone", FrameFieldKind::Quantity, &FrameParameters::pilot_hz,
        &FrameParameters::toneEnabled, 1, 20, 20.0, 0, "Hz", true},
    {2, "vox_threshold_percent", "VOX threshold", FrameFieldKind::Quantity, &FrameParameters::voxThreshold,
        nullptr, 1, 1, 0.1, 1, "%", true},
    {4, "vox_release_ms", "VOX release", FrameFieldKind::Quantity, &FrameParameters::voxRelease_ms, nullptr,
        1, 50, 50.0, 0, "ms", true},
    {6, "max_transmit_s", "maximum transmit time", FrameFieldKind::Quantity, &FrameParameters::maxTx_s,
        &FrameParameters::maxTxEnabled, 1, 1, 1.0, 0, "s", true},
    {3, "tx_delay_ms", "delay before transmitting", FrameFieldKind::Quantity, &FrameParameters::txDelay,
        nullptr, 1, 1, 100.0, 0, "ms", false},
    {7, "pause_enter_s", "time to enter pause", FrameFieldKind::Quantity, &FrameParameters::pauseEnter_s,
        &FrameParameters::pauseEnabled, 1, 1, 1.0, 0, "s", false},
    {8, "pause_leave_ms", "time to leave pause", FrameFieldKind::Quantity, &FrameParameters::pauseExit,
        nullptr, 1, 1, 100.0, 0, "ms", false},
    {9, "max_activity_min", "maximum activity time", FrameFieldKind::Quantity, &FrameParameters::activity_min,
        &FrameParameters::activityEnabled, 1, 1, 1.0, 0, "min", false},
    // PTT durations are held in seconds and sent in tenths; the product wraps at 256.
    {11, "ptt_first_press_s", "first PTT press", FrameFieldKind::Quantity, &FrameParameters::firstPtt_s,
        &FrameParameters::carrierEnabled, 10, 1, 0.1, 1, "s", false},
    {12, "ptt_pause_s", "pause between PTT presses", FrameFieldKind::Quantity, &FrameParameters::pttPause_s,
        nullptr, 10, 1, 0.1, 1, "s", false},
    {13, "ptt_second_press_s", "second PTT press", FrameFieldKind::Quantity, &FrameParameters::secondPtt_s,
        nullptr, 10, 1, 0.1, 1, "s", false},
}};

// Every byte between the markers and the CRC carries exactly one field.
constexpr bool fieldsCoverTheParameterBytes()
{
    std::array<int, kFrameSize> uses {};
    for (const FrameField& field : kFrameFields) {
        if (field.index < kFrameMarkers.size() || field.index >= kCrcIndex)
            return false;
        ++uses[field.index];
    }
    for (std::size_t i = kFrameMarkers.size(); i < kCrcIndex; ++i)
        if (uses[i] != 1)
            return false;
    return true;
}
static_assert(fieldsCoverTheParameterBytes());

} // namespace tarvel
