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

const nlohmann::json* find(const std::vector<JsonMember>& members, std::string_view key)
{
    for (const JsonMember& m : members)
        if (m.key == key)
            return &m.value;
    return nullptr;
}

const nlohmann::json& required(const std::vector<JsonMember>& members, std::string_view key)
{
    if (const nlohmann::json* v = find(members, key))
        return *v;
    throw SettingsError("missing field " + quoted(key));
}

int wholeNumber(const std::vector<JsonMember>& members, const FrameField& field)
{
    const nlohmann::json& v = required(members, field.key);
    const UserRange& r = *field.range;
    const double number = v.is_number() ? v.get<double>() : 0.0;
    if (!v.is_number() || number != std::floor(number) || number < r.min || number > r.max)
        throw SettingsError(quoted(field.key) + " is not a whole number from " + rangeText(r));
    return static_cast<int>(number);
}

int thresholdTenths(const std::vector<JsonMember>& members)
{
    const nlohmann::json& v = required(members, kVoxThreshold.key);
    const UserRange& r = *kVoxThreshold.range;
    const double tenths = v.is_number() ? v.get<double>() * kThresholdTenths : 0.0;
    if (!v.is_number() || std::fabs(tenths - std::round(tenths)) > 1e-6 || std::round(tenths) < r.min
        || std::round(tenths) > r.max)
        throw SettingsError(quoted(kVoxThreshold.key) + " is not a number from "
            + rangeText(r, kThresholdTenths) + " in steps of 0.1");
    return static_cast<int>(std::round(tenths));
}

bool isText(const nlohmann::json* value, std::string_view text)
{
    return value != nullptr && value->is_string() && value->get_ref<const std::string&>() == text;
}

void checkKind(const std::vector<JsonMember>& members)
{
    if (!isText(find(members, "format"), kSettingsFormat))
        throw SettingsError(
            "\"format\" is not \"" + std::string(kSettingsFormat) + "\": not a Tarvel settings file");
    const nlohmann::json* version = find(members, "version");
    if (version == nullptr || !version->is_number() || version->get<double>() != kSettingsVersion)
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
    if (const nlohmann::json* v = find(members, "name")) {
        if (!v->is_string())
            throw SettingsError("\"name\" is not text");
        name = v->get<std::string>();
    }
    const nlohmann::json& keying = required(members, kKeying.key);
    const auto mode
        = std::find_if(kKeyingNames.begin(), kKeyingNames.end(), [&keying](std::string_view modeName) {
              return keying.is_string() && keying.get_ref<const std::string&>() == modeName;
          });
    if (mode == kKeyingNames.end())
        throw SettingsError(quoted(kKeying.key) + " is not \"pilot tone\" or \"VOX\"");

    FrameParameters read = params;
    read.keyingMode = static_cast<int>(mode - kKeyingNames.begin());
    read.pilot_hz = wholeNumber(members, kPilotTone);
    read.voxThreshold = thresholdTenths(members);
    read.voxRelease_ms = wholeNumber(members, kVoxRelease);
    read.maxTxEnabled = !required(members, kMaxTransmit.key).is_null();
    if (read.maxTxEnabled)
        read.maxTx_s = wholeNumber(members, kMaxTransmit);
    params = read;
    return name;
}

std::string settingsJson(const FrameParameters& params, std::string_view name, SettingsLayout layout)
{
    nlohmann::ordered_json json;
    json["format"] = kSettingsFormat;
    json["version"] = kSettingsVersion;
    if (!name.empty())
        json["name"] = name;
    const bool knownMode
        = params.keyingMode >= 0 && params.keyingMode < static_cast<int>(kKeyingNames.size());
    json[kKeying.key] = knownMode ? kKeyingNames[static_cast<std::size_t>(params.keyingMode)] : "unknown";
    json[kPilotTone.key] = params.pilot_hz;
    // Whole tenths as the shortest decimal: 5 -> 0.5, 10 -> 1.
    const int tenths = params.voxThreshold;
    json[kVoxThreshold.key] = tenths % kThresholdTenths == 0
        ? nlohmann::ordered_json(tenths / kThresholdTenths)
        : nlohmann::ordered_json(static_cast<double>(tenths) / kThresholdTenths);
    json[kVoxRelease.key] = params.voxRelease_ms;
    json[kMaxTransmit.key] = params.maxTxEnabled ? nlohmann::ordered_json(params.maxTx_s) : nullptr;
    // Indented: two spaces, one field a line and a closing newline, as the page exports it.
    const auto replace = nlohmann::ordered_json::error_handler_t::replace;
    return layout == SettingsLayout::Indented ? json.dump(2, ' ', false, replace) + "\n"
                                              : json.dump(-1, ' ', false, replace);
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
