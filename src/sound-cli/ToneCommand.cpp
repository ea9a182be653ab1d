// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel tone: a steady tone at the signal's own level, for setting the output volume.

#include "audio/SoundDevices.h"
#include "audio/WavPlayer.h"
#include "cli/OptionParser.h"
#include "signal/TestTone.h"
#include "signal/ToneSignal.h"
#include "sound-cli/ProgressLine.h"
#include "sound-cli/SoundCli.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvel::cli {

namespace {

const char* const kToneHelp
    = "Usage: tarvel tone [--hz N] [--seconds N] [--device NAME]\n"
      "\n"
      "Plays a steady sine at the level the programming signal has (its amplitude, 30000 of\n"
      "32767), so that the output volume can be set before a send: the interface should hear\n"
      "it clearly and undistorted. Exit status 1 when the tone cannot be played.\n"
      "\n"
      "Options:\n"
      "  --hz N          pitch, 100 to 7000 Hz (default 615, the signal's lead-in)\n"
      "  --seconds N     length, 1 to 600 s (default 10)\n"
      "  --device NAME   play on this output (see 'tarvel devices'; default: the system's)\n"
      "  -h, --help      show this help\n";

// Little-endian 16-bit PCM, as the player takes it.
QByteArray tonePcm(int frequency_hz, int seconds)
{
    const std::vector<std::int16_t> samples = testToneSamples(frequency_hz, seconds);
    QByteArray pcm(static_cast<qsizetype>(samples.size()) * 2, '\0');
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto v = static_cast<std::uint16_t>(samples[i]);
        pcm[static_cast<qsizetype>(2 * i)] = static_cast<char>(v & 0xFFU);
        pcm[static_cast<qsizetype>(2 * i + 1)] = static_cast<char>(v >> 8);
    }
    return pcm;
}

} // namespace

int runTone(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err, bool outIsTerminal)
{
    int hz = kTestToneDefault_hz;
    int seconds = 10;
    std::optional<std::string> wanted;
    OptionParser parser("tone");
    parser.value("--hz", 0, [&hz](const std::string& text) {
        hz = parseWholeNumber("--hz", text, {100, 7000, "Hz"});
    });
    parser.value("--seconds", 0, [&seconds](const std::string& text) {
        seconds = parseWholeNumber("--seconds", text, {1, 600, "s"});
    });
    parser.value("--device", 0, [&wanted](const std::string& name) { wanted = name; });
    if (const std::optional<int> status = parser.readOrFinish(argv, out, err, kToneHelp))
        return *status;
    QString device;
    if (wanted) {
        const SoundDeviceList devices = listSoundDevices();
        if (!devices.answered) {
            err << "tarvel tone: playback failed: the sound server did not list its outputs within "
                << kServerAnswerLimit.count() / 1000 << " s (is it stopped?)\n";
            return kExitFailure;
        }
        const DeviceChoice choice = chooseDevice(devices.outputs, QString::fromStdString(*wanted), "output");
        if (!choice.device) {
            err << "tarvel tone: " << UsageError("--device: " + choice.problem.toStdString()).what() << '\n';
            return kExitUsage;
        }
        device = choice.device->name;
    }

    const PcmLayout format {PcmLayout::Kind::Int16, kSampleRate_hz, 1};
    out << "playing " << hz << " Hz for " << seconds << " s at the signal's level\n" << std::flush;
    ProgressLine progress(out, outIsTerminal);
    const PlaybackResult played = playPcm(format, tonePcm(hz, seconds), device,
        [&](std::int64_t at, std::int64_t total) { progress.update(at, total); });
    progress.finish();
    if (played.problem == PlaybackProblem::Interrupted) {
        err << "tarvel tone: " << printable(problemText(played).toStdString()) << '\n';
        return kExitFailure;
    }
    if (!played.ok()) {
        err << "tarvel tone: playback failed"
            << (played.device.isEmpty() ? "" : " on " + printable(played.device.toStdString())) << ": "
            << printable(problemText(played).toStdString()) << '\n';
        return kExitFailure;
    }
    out << "played on " << printable(played.device.toStdString()) << '\n';
    return finishOutput(
        out, err, "tarvel tone", "the tone was played, but the report could not be printed", kExitOk);
}

} // namespace tarvel::cli
