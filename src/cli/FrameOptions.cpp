// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FrameOptions.h"

#include "decode/StreamInput.h"
#include "frame/SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

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

// Up to one byte past the limit from `fd`; throws UsageError with the system's reason.
std::string readUpToLimit(int fd, const std::string& shown)
{
    std::string text(kSettingsFileLimit + 1, '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const ssize_t n = ::read(fd, text.data() + filled, text.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw UsageError(shown + "cannot be read: " + systemReason(errno));
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    if (filled > kSettingsFileLimit)
        throw UsageError(shown + "too large for a settings file");
    text.resize(filled);
    return text;
}

// `-` is standard input, as for `tarvel decode -`.
void readSettingsFile(const std::string& path, FrameParameters& params)
{
    const bool standardInput = path == "-";
    const std::string shown
        = "--settings: " + (standardInput ? std::string("standard input") : printable(path)) + ": ";
    std::string text;
    if (standardInput) {
        text = readUpToLimit(STDIN_FILENO, shown);
    } else {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw UsageError(shown + "cannot be opened: " + systemReason(errno));
        try {
            text = readUpToLimit(fd, shown);
        } catch (...) {
            ::close(fd);
            throw;
        }
        ::close(fd);
    }
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
          "                          page exports, or 'tarvel frame --json'; - reads standard\n"
          "                          input); options after it win\n";
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
