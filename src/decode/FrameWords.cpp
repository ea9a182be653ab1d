// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/FrameWords.h"

#include "frame/FrameLayout.h"

#include <cstdio>

namespace tarvel {

namespace {

std::string decimal(double value, int places)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return text;
}

std::string keyingModeText(std::uint8_t byte)
{
    switch (byte) {
    case static_cast<int>(KeyingMode::PilotTone):
        return "pilot tone";
    case static_cast<int>(KeyingMode::Vox):
        return "VOX";
    default:
        return "unknown (" + std::to_string(byte) + ")";
    }
}

FrameParameterText fieldText(const FrameField& field, std::uint8_t byte)
{
    if (field.kind == FrameFieldKind::KeyingMode) {
        const std::string mode = keyingModeText(byte);
        return {field.key, field.label, mode, "\"" + mode + "\"", field.userSettable};
    }
    if (field.gate != nullptr && byte == 0)
        return {field.key, field.label, "off", "null", field.userSettable};
    const std::string number = decimal(byte * field.step, field.places);
    return {field.key, field.label, number + " " + field.unit, number, field.userSettable};
}

} // namespace

std::vector<FrameParameterText> describeFrame(const Frame& frame)
{
    std::vector<FrameParameterText> out;
    out.reserve(kFrameFields.size());
    for (const FrameField& field : kFrameFields)
        out.push_back(fieldText(field, frame[field.index]));
    return out;
}

} // namespace tarvel
