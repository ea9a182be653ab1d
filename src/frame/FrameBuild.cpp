// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame/FrameBuild.h"

#include "frame/Crc16.h"
#include "shared/NumberText.h"

#include <algorithm>

namespace tarvel {

namespace {

// A frame byte keeps the low 8 bits of its value, without range check.
std::uint8_t low8(int value)
{
    return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

} // namespace

void storeCrc(Frame& frame, std::uint16_t crc)
{
    frame[kCrcIndex] = static_cast<std::uint8_t>(crc >> 8);
    frame[kCrcIndex + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

std::uint16_t storedCrc(const Frame& frame)
{
    return static_cast<std::uint16_t>((frame[kCrcIndex] << 8) | frame[kCrcIndex + 1]);
}

Frame frameBody(const FrameParameters& p)
{
    Frame f {};
    std::copy(kFrameMarkers.begin(), kFrameMarkers.end(), f.begin());
    for (const FrameField& field : kFrameFields) {
        const bool sent = field.gate == nullptr || p.*field.gate;
        f[field.index] = sent ? low8(p.*field.value * field.bytesPerUnit / field.unitsPerByte) : 0;
    }
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
    const std::uint16_t crc = crc16(std::span<const std::uint8_t>(frame).first(kCrcIndex));
    storeCrc(frame, crc);
    return frame;
}

void writeValueList(const Frame& frame, TextSink& sink)
{
    struct Entry {
        const char* label;
        std::size_t index;
    };
    static constexpr Entry entries[] = {{" 2 - ", 2}, {" 3 - ", 3}, {" 4 - ", 4}, {" 5 - ", 5}, {" 8 - ", 8},
        {" 9 - ", 9}, {"10 - ", 10}, {"11 - ", 11}};
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
