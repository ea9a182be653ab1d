// tarvel tone: a steady tone at the signal's own level, for setting the output volume.

#include "audio/SoundDevices.h"
#include "audio/WavPlayer.h"
#include "cli/OptionParser.h"
#include "signal/ToneSignal.h"
#include "sound-cli/ProgressLine.h"
#include "sound-cli/SoundCli.h"

#include <QAudioFormat>

#include <cmath>
#include <numbers>

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

// At the signal's own rate, so that the tone takes the same path through the sound system.
QByteArray toneSamples(int frequency_hz, int seconds)
{
    const qsizetype count = static_cast<qsizetype>(seconds) * kSampleRate_hz;
    QByteArray pcm(count * 2, '\0');
    const double step = 2.0 * std::numbers::pi * frequency_hz / kSampleRate_hz;
    const qsizetype ramp = kSampleRate_hz / 100; // 10 ms fade in and out, so it does not click
    for (qsizetype i = 0; i < count; ++i) {
        const double edge = std::min({1.0, static_cast<double>(i) / static_cast<double>(ramp),
            static_cast<double>(count - 1 - i) / static_cast<double>(ramp)});
        const auto v = static_cast<std::int16_t>(
            std::lround(kAmplitude * edge * std::sin(step * static_cast<double>(i))));
        pcm[2 * i] = static_cast<char>(v & 0xFF);
        pcm[2 * i + 1] = static_cast<char>((v >> 8) & 0xFF);
    }
    return pcm;
}

} // namespace

int runTone(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err, bool outIsTerminal)
{
    int hz = static_cast<int>(kLeadInFrequency_hz);
    int seconds = 10;
    QString device;
    OptionParser parser("tone");
    parser.value("--hz", 0, [&hz](const std::string& text) {
        hz = parseWholeNumber("--hz", text, {100, 7000, "Hz"});
    });
    parser.value("--seconds", 0, [&seconds](const std::string& text) {
        seconds = parseWholeNumber("--seconds", text, {1, 600, "s"});
    });
    parser.value("--device", 0, [&device](const std::string& name) {
        const DeviceChoice choice = chooseDevice(soundOutputs(), QString::fromStdString(name), "output");
        if (!choice.device)
            throw UsageError("--device: " + choice.problem.toStdString());
        device = choice.device->name;
    });
    if (const std::optional<int> status = parser.readOrFinish(argv, out, err, kToneHelp))
        return *status;

    QAudioFormat format;
    format.setSampleRate(kSampleRate_hz);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    out << "playing " << hz << " Hz for " << seconds << " s at the signal's level\n" << std::flush;
    ProgressLine progress(out, outIsTerminal);
    const PlaybackResult played = playPcm(format, toneSamples(hz, seconds), device,
        [&](std::int64_t at, std::int64_t total) { progress.update(at, total); });
    progress.finish();
    if (!played.ok()) {
        err << "tarvel tone: playback failed"
            << (played.device.isEmpty() ? "" : " on " + played.device.toStdString()) << ": "
            << problemText(played).toStdString() << '\n';
        return kExitFailure;
    }
    out << "played on " << played.device.toStdString() << '\n';
    return finishOutput(
        out, err, "tarvel tone", "the tone was played, but the report could not be printed", kExitOk);
}

} // namespace tarvel::cli
