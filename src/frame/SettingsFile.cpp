// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame/SettingsFile.h"

#include "shared/JsonObject.h"
#include "shared/JsonText.h"

#include <algorithm>
#include <cmath>

namespace tarvel {

namespace {

constexpr const FrameField& kKeying = frameFieldOf(&FrameParameters::keyingMode);
constexpr const FrameField& kPilotTone = frameFieldOf(&FrameParameters::pilot_hz);
constexpr const FrameField& kVoxThreshold = frameFieldOf(&FrameParameters::voxThreshold);
constexpr const FrameField& kVoxRelease = frameFieldOf(&FrameParameters::voxRelease_ms);
constexpr const FrameField& kMaxTransmit = frameFieldOf(&FrameParameters::maxTx_s);

// The keying modes by their names in the file (and in `tarvel decode`'s output).
constexpr std::array<std::string_view, 2> kKeyingNames = {"pilot tone", "VOX"};

// The VOX threshold is held in tenths of a per cent and written in per cent.
constexpr int kThresholdTenths = 10;

std::string quoted(std::string_view key)
{
    return "\"" + std::string(key) + "\"";
}

std::string rangeText(const UserRange& range, int divisor = 1)
{
    const auto shown = [divisor](int v) {
        return divisor == 1 ? std::to_string(v) : jsonNumber(static_cast<double>(v) / divisor, 1);
    };
    return shown(range.min) + " to " + shown(range.max);
}

const JsonValue* find(const std::vector<JsonMember>& members, std::string_view key)
{
    for (const JsonMember& m : members)
        if (m.key == key)
            return &m.value;
    return nullptr;
}

const JsonValue& required(const std::vector<JsonMember>& members, std::string_view key)
{
    if (const JsonValue* v = find(members, key))
        return *v;
    throw SettingsError("missing field " + quoted(key));
}

int wholeNumber(const std::vector<JsonMember>& members, const FrameField& field)
{
    const JsonValue& v = required(members, field.key);
    const UserRange& r = *field.range;
    if (v.kind != JsonValue::Kind::Number || v.number != std::floor(v.number) || v.number < r.min
        || v.number > r.max)
        throw SettingsError(quoted(field.key) + " is not a whole number from " + rangeText(r));
    return static_cast<int>(v.number);
}

int thresholdTenths(const std::vector<JsonMember>& members)
{
    const JsonValue& v = required(members, kVoxThreshold.key);
    const UserRange& r = *kVoxThreshold.range;
    const double tenths = v.number * kThresholdTenths;
    if (v.kind != JsonValue::Kind::Number || std::fabs(tenths - std::round(tenths)) > 1e-6
        || std::round(tenths) < r.min || std::round(tenths) > r.max)
        throw SettingsError(quoted(kVoxThreshold.key) + " is not a number from "
            + rangeText(r, kThresholdTenths) + " in steps of 0.1");
    return static_cast<int>(std::round(tenths));
}

void checkKind(const std::vector<JsonMember>& members)
{
    const JsonValue* format = find(members, "format");
    if (format == nullptr || format->kind != JsonValue::Kind::String || format->text != kSettingsFormat)
        throw SettingsError(
            "\"format\" is not \"" + std::string(kSettingsFormat) + "\": not a Tarvel settings file");
    const JsonValue* version = find(members, "version");
    if (version == nullptr || version->kind != JsonValue::Kind::Number || version->number != kSettingsVersion)
        throw SettingsError("\"version\" is not " + std::to_string(kSettingsVersion)
            + ": a settings file of another version");
    const std::array<std::string_view, 8> known = {"format", "version", "name", kKeying.key, kPilotTone.key,
        kVoxThreshold.key, kVoxRelease.key, kMaxTransmit.key};
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (std::find(known.begin(), known.end(), members[i].key) == known.end())
            throw SettingsError("unknown field " + jsonString(members[i].key));
        for (std::size_t j = 0; j < i; ++j)
            if (members[j].key == members[i].key)
                throw SettingsError("field " + jsonString(members[i].key) + " given twice");
    }
}

} // namespace

std::string readSettings(std::string_view text, FrameParameters& params)
{
    std::vector<JsonMember> members;
    try {
        members = readJsonObject(text);
    } catch (const JsonError& e) {
        throw SettingsError(std::string("not JSON: ") + e.what());
    }
    checkKind(members);
    std::string name;
    if (const JsonValue* v = find(members, "name")) {
        if (v->kind != JsonValue::Kind::String)
            throw SettingsError("\"name\" is not text");
        name = v->text;
    }
    const JsonValue& keying = required(members, kKeying.key);
    const auto mode = std::find(kKeyingNames.begin(), kKeyingNames.end(), keying.text);
    if (keying.kind != JsonValue::Kind::String || mode == kKeyingNames.end())
        throw SettingsError(quoted(kKeying.key) + " is not \"pilot tone\" or \"VOX\"");

    FrameParameters read = params;
    read.keyingMode = static_cast<int>(mode - kKeyingNames.begin());
    read.pilot_hz = wholeNumber(members, kPilotTone);
    read.voxThreshold = thresholdTenths(members);
    read.voxRelease_ms = wholeNumber(members, kVoxRelease);
    read.maxTxEnabled = required(members, kMaxTransmit.key).kind != JsonValue::Kind::Null;
    if (read.maxTxEnabled)
        read.maxTx_s = wholeNumber(members, kMaxTransmit);
    params = read;
    return name;
}

std::string settingsJson(const FrameParameters& params, std::string_view name, SettingsLayout layout)
{
    const bool indented = layout == SettingsLayout::Indented;
    std::string json = "{";
    bool first = true;
    const auto add = [&](std::string_view key, const std::string& value) {
        json += first ? "" : ",";
        json += indented ? "\n  " : "";
        json += quoted(key) + (indented ? ": " : ":") + value;
        first = false;
    };
    // Whole tenths as the shortest decimal: 5 -> 0.5, 10 -> 1.
    const int tenths = params.voxThreshold;
    const std::string threshold = tenths % kThresholdTenths == 0
        ? std::to_string(tenths / kThresholdTenths)
        : jsonNumber(static_cast<double>(tenths) / kThresholdTenths, 1);
    const bool knownMode
        = params.keyingMode >= 0 && params.keyingMode < static_cast<int>(kKeyingNames.size());

    add("format", jsonString(kSettingsFormat));
    add("version", std::to_string(kSettingsVersion));
    if (!name.empty())
        add("name", jsonString(name));
    add(kKeying.key,
        jsonString(knownMode ? kKeyingNames[static_cast<std::size_t>(params.keyingMode)] : "unknown"));
    add(kPilotTone.key, std::to_string(params.pilot_hz));
    add(kVoxThreshold.key, threshold);
    add(kVoxRelease.key, std::to_string(params.voxRelease_ms));
    add(kMaxTransmit.key, params.maxTxEnabled ? std::to_string(params.maxTx_s) : "null");
    return json + (indented ? "\n}\n" : "}");
}

std::optional<FrameParameters> userParametersOf(const Frame& frame)
{
    FrameParameters params;
    for (const FrameField& field : kFrameFields) {
        if (!field.userSettable)
            continue;
        const int byte = frame[field.index];
        if (field.kind == FrameFieldKind::KeyingMode) {
            if (byte >= static_cast<int>(kKeyingNames.size()))
                return std::nullopt;
            params.*field.value = byte;
            continue;
        }
        if (field.gate != nullptr) {
            params.*field.gate = byte != 0;
            if (byte == 0)
                continue;
        }
        const int value = byte * field.unitsPerByte / field.bytesPerUnit;
        if (value < field.range->min || value > field.range->max)
            return std::nullopt;
        params.*field.value = value;
    }
    if (!params.toneEnabled)
        return std::nullopt; // a file always has a pilot tone
    return params;
}

} // namespace tarvel
