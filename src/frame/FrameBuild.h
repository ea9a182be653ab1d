#pragma once
// The parameter frame: two markers, twelve parameter bytes, the CRC-16 high byte first.
// Built from the values of the window's parameter controls, and listed as text for the
// diagnostic views.

#include "shared/Sinks.h"
#include "shared/SharedState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvel {

// Keying mode: the selected tab of PageControl_UprTx.
enum class KeyingMode : int { PilotTone = 0, Vox = 1 };

// The current integer value of every control the frame reads, with the window's defaults.
// A value gated by a check box reaches the frame only while the box is on.
struct FrameParameters {
    int voxThreshold = 5;          // SpinEdit_1, units of 0.1 %
    int txDelay = 1;               // SpinEdit_2, units of 100 ms
    int voxRelease_ms = 300;       // SpinEdit_3
    int keyingMode = 0;            // PageControl_UprTx tab index
    bool maxTxEnabled = false;     // CheckBox_5
    int maxTx_s = 60;              // SpinEdit_5
    bool pauseEnabled = true;      // CheckBox_6
    int pauseEnter_s = 60;         // SpinEdit_6
    int pauseExit = 20;            // SpinEdit_7, units of 100 ms
    bool activityEnabled = false;  // CheckBox_8
    int activity_min = 50;         // SpinEdit_8
    bool toneEnabled = true;       // CheckBox_9
    int pilot_hz = 2000;           // SpinEdit_9
    bool carrierEnabled = false;   // CheckBox_10
    int firstPtt_s = 2;            // SpinEdit_10
    int pttPause_s = 3;            // SpinEdit_11
    int secondPtt_s = 4;           // SpinEdit_12
};

// The status line every build shows.
inline constexpr const char* kStatusNoErrors = " *** нет ошибок ***";

// Where a build sends its listings (the window's memos, or LinesSinks).
struct FrameViews {
    TextSink& crcTrace;     // Memo2
    TextSink& valueList;    // Memo1
    TextSink& frameListing; // Memo_MasIsh
};

// Bytes 2..13 by the layout rules; bytes 0, 1 are the markers, 14 and 15 stay 0.
Frame frameBody(const FrameParameters& p);

// Rebuilds `frame` in place from the parameters, stores the CRC in bytes 14 and 15 and
// refills the three listings. Returns the CRC.
std::uint16_t buildFrame(Frame& frame, const FrameParameters& p, const FrameViews& views);

// Same frame with no listings: for callers that only need the bytes.
Frame buildFrame(const FrameParameters& p);

// The CRC in bytes 14 and 15, high byte first: written by a build, read by a receiver.
void storeCrc(Frame& frame, std::uint16_t crc);
std::uint16_t storedCrc(const Frame& frame);

// Eight lines " 2 - ␣␣5" ... for bytes 2, 3, 4, 5, 8, 9, 10, 11.
void writeValueList(const Frame& frame, TextSink& sink);
// Sixteen lines: index in 2 places, a blank, the value in 4 places.
void writeFrameListing(const Frame& frame, TextSink& sink);
// Sixteen lines: index in 3 places, two blanks, two hex digits. Only the 16 frame bytes
// are listed; there is nothing behind them to show.
void writeByteDump(const Frame& frame, TextSink& sink);

// The 16 bytes as upper-case hex separated by single blanks.
std::string frameHex(const Frame& frame);

} // namespace tarvel
