#include "frame/FrameBuild.h"

#include "shared/NumberText.h"
#include "frame/Crc16.h"

namespace tarvel {

namespace {

// A frame byte keeps the low 8 bits of its value, without range check.
std::uint8_t low8(int value)
{
    return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

// PTT durations are held in seconds and sent in tenths; the product wraps at 256.
std::uint8_t tenths(int seconds)
{
    return low8(seconds * 10);
}

} // namespace

void storeCrc(Frame& frame, std::uint16_t crc)
{
    frame[14] = static_cast<std::uint8_t>(crc >> 8);
    frame[15] = static_cast<std::uint8_t>(crc & 0xFF);
}

std::uint16_t storedCrc(const Frame& frame)
{
    return static_cast<std::uint16_t>((frame[14] << 8) | frame[15]);
}

Frame frameBody(const FrameParameters& p)
{
    Frame f{};
    f[0] = 1;
    f[1] = 2;
    f[2] = low8(p.voxThreshold);
    f[3] = low8(p.txDelay);
    f[4] = low8(p.voxRelease_ms / 50);
    f[5] = low8(p.keyingMode);
    f[6] = p.maxTxEnabled ? low8(p.maxTx_s) : 0;
    f[7] = p.pauseEnabled ? low8(p.pauseEnter_s) : 0;
    f[8] = low8(p.pauseExit);
    f[9] = p.activityEnabled ? low8(p.activity_min) : 0;
    f[10] = p.toneEnabled ? low8(p.pilot_hz / 20) : 0;
    f[11] = p.carrierEnabled ? tenths(p.firstPtt_s) : 0;
    f[12] = tenths(p.pttPause_s);
    f[13] = tenths(p.secondPtt_s);
    return f;
}

std::uint16_t buildFrame(Frame& frame, const FrameParameters& p, const FrameViews& views)
{
    frame = frameBody(p);
    const std::uint16_t crc = FrameCrc(frame, views.crcTrace);
    storeCrc(frame, crc);
    writeValueList(frame, views.valueList);
    writeFrameListing(frame, views.frameListing);
    return crc;
}

Frame buildFrame(const FrameParameters& p)
{
    // Same bytes as the listed build, without formatting listings nobody reads.
    Frame frame = frameBody(p);
    const std::uint16_t crc = crc16(std::span<const std::uint8_t>(frame.data(), 14));
    storeCrc(frame, crc);
    return frame;
}

void writeValueList(const Frame& frame, TextSink& sink)
{
    struct Entry {
        const char* label;
        std::size_t index;
    };
    static constexpr Entry entries[] = {{" 2 - ", 2}, {" 3 - ", 3}, {" 4 - ", 4},  {" 5 - ", 5},
                                        {" 8 - ", 8}, {" 9 - ", 9}, {"10 - ", 10}, {"11 - ", 11}};
    sink.clear();
    for (const Entry& e : entries)
        sink.addLine(e.label + DecText(frame[e.index], 3));
}

void writeFrameListing(const Frame& frame, TextSink& sink)
{
    sink.clear();
    for (int i = 0; i < static_cast<int>(kFrameSize); ++i)
        sink.addLine(DecText(i, 2) + " " + DecText(frame[static_cast<std::size_t>(i)], 4));
}

void writeByteDump(const Frame& frame, TextSink& sink)
{
    sink.clear();
    for (int i = 0; i < static_cast<int>(kFrameSize); ++i)
        sink.addLine(DecText(i, 3) + "  " + ByteHex(frame[static_cast<std::size_t>(i)]));
}

std::string frameHex(const Frame& frame)
{
    std::string text;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (i)
            text += ' ';
        text += ByteHex(frame[i]);
    }
    return text;
}

} // namespace tarvel
