// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FrameOptions.h"

#include "frame/SettingsFile.h"

#include <fstream>
#include <sstream>

namespace tarvel::cli {

namespace {

constexpr const FrameField& kPilotTone = frameFieldOf(&FrameParameters::pilot_hz);
constexpr const FrameField& kVoxThreshold = frameFieldOf(&FrameParameters::voxThreshold);
constexpr const FrameField& kVoxRelease = frameFieldOf(&FrameParameters::voxRelease_ms);
constexpr const FrameField& kMaxTransmit = frameFieldOf(&FrameParameters::maxTx_s);

std::string number(int value)
{
    return std::to_string(value);
}

std::string rangeText(const FrameField& field)
{
    return number(field.range->min) + " to " + number(field.range->max);
}

// What one step of the field's byte is worth, for the quantities sent in whole units.
std::string byteStepText(const FrameField& field)
{
    return number(static_cast<int>(field.step)) + " " + field.unit;
}

// `unit` follows the range in the messages of a bad value.
void addQuantity(OptionParser& parser, const std::string& name, const FrameField& field, const char* unit,
    FrameParameters& params)
{
    parser.value(name, 0, [name, &field, unit, &params](const std::string& text) {
        params.*field.value = parseWholeNumber(name, text, {field.range->min, field.range->max, unit});
        if (field.gate != nullptr)
            params.*field.gate = true;
    });
}

void readSettingsFile(const std::string& path, FrameParameters& params)
{
    const std::string shown = "--settings: " + printable(path) + ": ";
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw UsageError(shown + "cannot be opened");
    constexpr auto limit = static_cast<std::streamsize>(kSettingsFileLimit);
    std::string text(kSettingsFileLimit + 1, '\0');
    file.read(text.data(), limit + 1);
    if (file.bad())
        throw UsageError(shown + "cannot be read");
    if (file.gcount() > limit)
        throw UsageError(shown + "too large for a settings file");
    text.resize(static_cast<std::size_t>(file.gcount()));
    try {
        readSettings(text, params);
    } catch (const SettingsError& e) {
        throw UsageError(shown + printable(e.what()));
    }
}

} // namespace

const std::string& frameOptionsHelp()
{
    static const std::string text
        = "  -m, --mode pilot|vox    transmit keying: by pilot tone (default) or by VOX\n"
          "  --pilot-hz N            pilot-tone frequency, "
        + rangeText(kPilotTone) + " Hz (default " + number(kPilotTone.range->initial)
        + ";\n"
          "                          sent in steps of "
        + byteStepText(kPilotTone)
        + ")\n"
          "  --vox-threshold N       VOX trigger threshold, "
        + rangeText(kVoxThreshold) + " in units of 0.1 % (default " + number(kVoxThreshold.range->initial)
        + ")\n"
          "  --vox-release-ms N      VOX release delay, "
        + rangeText(kVoxRelease) + " ms (default " + number(kVoxRelease.range->initial)
        + "; sent in\n"
          "                          steps of "
        + byteStepText(kVoxRelease)
        + ")\n"
          "  --max-tx-s N            limit continuous transmission to "
        + rangeText(kMaxTransmit)
        + " s\n"
          "                          (default: no limit)\n"
          "  --settings FILE         take these parameters from a settings file (a preset the\n"
          "                          page exports, or 'tarvel frame --json'); options after\n"
          "                          it win\n";
    return text;
}

void addFrameOptions(OptionParser& parser, FrameParameters& params)
{
    parser.value("--mode", 'm', [&params](const std::string& mode) {
        if (mode == "pilot")
            params.keyingMode = static_cast<int>(KeyingMode::PilotTone);
        else if (mode == "vox")
            params.keyingMode = static_cast<int>(KeyingMode::Vox);
        else
            throw UsageError("--mode: '" + mode + "' is not a keying mode; allowed: pilot or vox");
    });
    addQuantity(parser, "--pilot-hz", kPilotTone, "Hz", params);
    addQuantity(parser, "--vox-threshold", kVoxThreshold, "(units of 0.1 %)", params);
    addQuantity(parser, "--vox-release-ms", kVoxRelease, "ms", params);
    addQuantity(parser, "--max-tx-s", kMaxTransmit, "s", params);
    parser.value("--settings", 0, [&params](const std::string& path) { readSettingsFile(path, params); });
}

} // namespace tarvel::cli
