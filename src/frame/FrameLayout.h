#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Where each parameter sits in the frame, what one step of its byte is worth and what a user
// may set it to: the one table that the frame build writes by, the decoder reads by and the
// command line takes its ranges from.

#include "shared/Frame.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvel {

// Keying mode: the selected tab of PageControl_UprTx.
enum class KeyingMode : int { PilotTone = 0, Vox = 1 };

// What a user may set a parameter to: the bounds, the step of the window's spin edit and the
// value it starts at. The command line takes them from here; tst_catalogue holds the window's
// spin edits (MainWindow.ui) to them.
struct UserRange {
    int min;
    int max;
    int increment;
    int initial;
};

inline constexpr UserRange kPilotToneRange_hz {300, 3000, 50, 2000};
inline constexpr UserRange kVoxThresholdRange {1, 100, 1, 5}; // units of 0.1 %
inline constexpr UserRange kVoxReleaseRange_ms {0, 3000, 50, 300};
inline constexpr UserRange kMaxTransmitRange_s {5, 250, 1, 60};

// The current integer value of every control the frame reads, with the window's defaults.
// A value gated by a check box reaches the frame only while the box is on.
struct FrameParameters {
    int voxThreshold = kVoxThresholdRange.initial; // SpinEdit_1, units of 0.1 %
    int txDelay = 1; // SpinEdit_2, units of 100 ms
    int voxRelease_ms = kVoxReleaseRange_ms.initial; // SpinEdit_3
    int keyingMode = static_cast<int>(KeyingMode::PilotTone); // PageControl_UprTx tab index
    bool maxTxEnabled = false; // CheckBox_5
    int maxTx_s = kMaxTransmitRange_s.initial; // SpinEdit_5
    bool pauseEnabled = true; // CheckBox_6
    int pauseEnter_s = 60; // SpinEdit_6
    int pauseExit = 20; // SpinEdit_7, units of 100 ms
    bool activityEnabled = false; // CheckBox_8
    int activity_min = 50; // SpinEdit_8
    bool toneEnabled = true; // CheckBox_9
    int pilot_hz = kPilotToneRange_hz.initial; // SpinEdit_9
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
    int FrameParameters::*value;
    bool FrameParameters::*gate = nullptr; // nullptr: always sent
    int bytesPerUnit = 1;
    int unitsPerByte = 1;
    double step = 1.0;
    int places = 0; // decimals worth showing for one step
    const char* unit = "";
    bool userSettable = false; // false for the values this build fixes
    const UserRange* range = nullptr; // a user-settable quantity's bounds and start value
    FrameFieldKind kind = FrameFieldKind::Quantity;
};

// In the order a reader lists them: the values a user sets first.
inline constexpr std::array<FrameField, 12> kFrameFields = {{
    {.index = 5,
        .key = "keying_mode",
        .label = "keying mode",
        .value = &FrameParameters::keyingMode,
        .userSettable = true,
        .kind = FrameFieldKind::KeyingMode},
    {.index = 10,
        .key = "pilot_tone_hz",
        .label = "pilot tone",
        .value = &FrameParameters::pilot_hz,
        .gate = &FrameParameters::toneEnabled,
        .unitsPerByte = 20,
        .step = 20.0,
        .unit = "Hz",
        .userSettable = true,
        .range = &kPilotToneRange_hz},
    {.index = 2,
        .key = "vox_threshold_percent",
        .label = "VOX threshold",
        .value = &FrameParameters::voxThreshold,
        .step = 0.1,
        .places = 1,
        .unit = "%",
        .userSettable = true,
        .range = &kVoxThresholdRange},
    {.index = 4,
        .key = "vox_release_ms",
        .label = "VOX release",
        .value = &FrameParameters::voxRelease_ms,
        .unitsPerByte = 50,
        .step = 50.0,
        .unit = "ms",
        .userSettable = true,
        .range = &kVoxReleaseRange_ms},
    {.index = 6,
        .key = "max_transmit_s",
        .label = "maximum transmit time",
        .value = &FrameParameters::maxTx_s,
        .gate = &FrameParameters::maxTxEnabled,
        .unit = "s",
        .userSettable = true,
        .range = &kMaxTransmitRange_s},
    {.index = 3,
        .key = "tx_delay_ms",
        .label = "delay before transmitting",
        .value = &FrameParameters::txDelay,
        .step = 100.0,
        .unit = "ms"},
    {.index = 7,
        .key = "pause_enter_s",
        .label = "time to enter pause",
        .value = &FrameParameters::pauseEnter_s,
        .gate = &FrameParameters::pauseEnabled,
        .unit = "s"},
    {.index = 8,
        .key = "pause_leave_ms",
        .label = "time to leave pause",
        .value = &FrameParameters::pauseExit,
        .step = 100.0,
        .unit = "ms"},
    {.index = 9,
        .key = "max_activity_min",
        .label = "maximum activity time",
        .value = &FrameParameters::activity_min,
        .gate = &FrameParameters::activityEnabled,
        .unit = "min"},
    // PTT durations are held in seconds and sent in tenths; the product wraps at 256.
    {.index = 11,
        .key = "ptt_first_press_s",
        .label = "first PTT press",
        .value = &FrameParameters::firstPtt_s,
        .gate = &FrameParameters::carrierEnabled,
        .bytesPerUnit = 10,
        .step = 0.1,
        .places = 1,
        .unit = "s"},
    {.index = 12,
        .key = "ptt_pause_s",
        .label = "pause between PTT presses",
        .value = &FrameParameters::pttPause_s,
        .bytesPerUnit = 10,
        .step = 0.1,
        .places = 1,
        .unit = "s"},
    {.index = 13,
        .key = "ptt_second_press_s",
        .label = "second PTT press",
        .value = &FrameParameters::secondPtt_s,
        .bytesPerUnit = 10,
        .step = 0.1,
        .places = 1,
        .unit = "s"},
}};

// The field that sends `value`.
consteval const FrameField& frameFieldOf(int FrameParameters::*value)
{
    for (const FrameField& field : kFrameFields)
        if (field.value == value)
            return field;
    throw "not a frame field"; // a compile error
}

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
