// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel send: the two files of a send, as `tarvel wav` writes them, then _qq.wav played to
// its end on the chosen output; with --verify the output's monitor is recorded meanwhile
// and read back with the decoder.

#include "audio/SoundDevices.h"
#include "audio/SoundRecorder.h"
#include "audio/WavPlayer.h"
#include "cli/FrameOptions.h"
#include "cli/SignalOptions.h"
#include "frame/FrameBuild.h"
#include "shared/AtomicFile.h"
#include "signal/ToneSignal.h"
#include "signal/WavFiles.h"
#include "sound-cli/ProgressLine.h"
#include "sound-cli/SendVerdict.h"
#include "sound-cli/SoundCli.h"

#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace tarvel::cli {

namespace {

const std::string kSendHelp
    = std::string("Usage: tarvel send [OPTIONS]\n"
                  "\n"
                  "Writes _qq.wav and 9_fmsig.h as 'tarvel wav' does, then plays _qq.wav to its end on a\n"
                  "sound output, with a progress bar on a terminal (plain lines otherwise). Put the\n"
                  "interface into its programming mode first. Exit status 1, with one line saying why,\n"
                  "when the sound could not be played to its end.\n"
                  "\n"
                  "Options:\n")
    + frameOptionsHelp() + kSignalOptionsHelp
    + "  --device NAME           play on this output (see 'tarvel devices'; a part of the\n"
      "                          name that fits only one output is enough; default: the\n"
      "                          system's default output)\n"
      "  --verify                record the output's monitor while playing and read the\n"
      "                          frame back: prints \"verified\" with the level and the CRC,\n"
      "                          or exits 1 saying what went wrong (silent, clipped, damaged)\n"
      "  --verify-from NAME      the same, recording from the input NAME instead (a cable\n"
      "                          from the radio back into the computer, for example)\n"
      "  -h, --help              show this help\n"
      "\n"
      "Examples:\n"
      "  tarvel send --device usb --verify\n"
      "  tarvel send --mode vox --max-tx-s 120 -C /tmp\n";

// Recording starts this long before the sound, so the server has the monitor running at
// its small buffer when the lead-in begins, and goes on this long after the end.
constexpr unsigned long kPreRoll_ms = 500;
constexpr unsigned long kPostRoll_ms = 300;

struct SendOptions : SignalOptions {
    std::optional<std::string> device;
    bool verify = false;
    std::optional<std::string> verifyFrom;
};

// Adds the options of a send to `parser`, read into `options`.
void addSendOptions(OptionParser& parser, SendOptions& options)
{
    addSignalOptions(parser, options);
    parser.value("--device", 0, [&options](const std::string& name) { options.device = name; });
    parser.flag("--verify", 0, [&options] { options.verify = true; });
    parser.value("--verify-from", 0, [&options](const std::string& name) {
        options.verifyFrom = name;
        options.verify = true;
    });
}

// Device names and descriptions come from the sound server: any text at all.
std::string text(const QString& s)
{
    return printable(s.toStdString());
}

// Where the send plays and, with --verify, what it records.
struct SendTarget {
    bool answered = true; // false: the sound server did not list its devices in time
    std::optional<SoundDevice> output; // none when the server lists no output
    std::string source; // empty without --verify, or when there is no output to record from
};

// The output --device names, else the default, and the input to record; a name that fits no
// device is a UsageError. Nothing to play on when the server lists no output: the player then
// says so, after the files have been written.
SendTarget chooseTarget(const SendOptions& options)
{
    const SoundDeviceList devices = listSoundDevices();
    SendTarget target;
    target.answered = devices.answered;
    if (devices.outputs.isEmpty())
        return target; // no server, or no output at all: a failure to play, not a bad name
    if (options.device) {
        const DeviceChoice choice
            = chooseDevice(devices.outputs, QString::fromStdString(*options.device), "output");
        if (!choice.device)
            throw UsageError("--device: " + choice.problem.toStdString());
        target.output = choice.device;
    } else {
        for (const SoundDevice& d : devices.outputs)
            if (d.isDefault)
                target.output = d;
    }
    if (options.verifyFrom) {
        const DeviceChoice choice
            = chooseDevice(devices.inputs, QString::fromStdString(*options.verifyFrom), "input");
        if (!choice.device)
            throw UsageError("--verify-from: " + choice.problem.toStdString());
        target.source = choice.device->name.toStdString();
    } else if (options.verify && target.output) {
        target.source = monitorOf(target.output->name.toStdString());
    }
    return target;
}

std::string secondsText(std::int64_t us)
{
    char t[32];
    std::snprintf(t, sizeof t, "%.3f s", static_cast<double>(us) / 1e6);
    return t;
}

// When a send started, for the timing line of TARVEL_SEND_TIMING=1 (bench/send-latency.sh
// only), which is read once, at the start.
struct SendTiming {
    QElapsedTimer sinceStart = startedTimer(); // the "click": from here to the first sample handed over
    std::int64_t startEpoch_us = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch())
                                     .count();
    bool wanted = qEnvironmentVariableIntValue("TARVEL_SEND_TIMING") == 1;

    static QElapsedTimer startedTimer()
    {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }
    std::int64_t elapsed_us() const { return sinceStart.nsecsElapsed() / 1000; }

    // When the sound reached the server and when the send ended.
    void report(std::ostream& err, const PlaybackResult& played, std::int64_t playCalled_us) const
    {
        if (!wanted)
            return;
        err << "timing: start_epoch_us=" << startEpoch_us
            << " first_sample_us=" << played.firstSample_us + playCalled_us
            << " ended_us=" << played.ended_us + playCalled_us << " sound_us=" << played.sound_us << '\n';
    }
};

// The files of the send; false, said on `err`, when they could not be written. `wav` receives
// the bytes of the _qq.wav written.
bool writeSendFiles(const SendOptions& options, const std::optional<SoundDevice>& output,
    std::vector<std::uint8_t>& wav, std::ostream& out, std::ostream& err)
{
    try {
        writeFirstSend(options, &wav);
    } catch (const std::runtime_error& e) { // FileError, FolderError
        err << "tarvel send: " << printable(e.what()) << "; nothing was played\n";
        return false;
    }
    out << "wrote " << printable(fullPath(options.folder / kWavFileName).string()) << '\n'
        << "wrote " << printable(fullPath(options.folder / kFmSigFileName).string()) << '\n';
    if (output)
        out << "playing on " << text(deviceLabel(*output)) << '\n';
    out << std::flush;
    return true;
}

// --verify after the sound has played: the recording read back and judged.
int verifyRecording(SoundRecorder& recorder, const SendOptions& options, const std::string& source,
    std::ostream& out, std::ostream& err)
{
    QThread::msleep(kPostRoll_ms);
    const std::vector<std::int16_t> recording = recorder.stop();
    if (!recorder.error().empty()) {
        err << "tarvel send: cannot verify: " << recorder.error() << '\n';
        return kExitFailure;
    }
    const SendVerdict verdict
        = judgeRecording(recording, SoundRecorder::kSampleRate_hz, buildFrame(options.frame));
    for (const std::string& warning : verdict.warnings)
        err << "tarvel send: warning: " << warning << '\n';
    if (!verdict.ok()) {
        err << "tarvel send: not verified on " << source << ": " << verdict.line << '\n';
        return kExitFailure;
    }
    out << verdict.line << '\n';
    return finishOutput(out, err, "tarvel send", "verified, but the report could not be printed", kExitOk);
}

} // namespace

int runSend(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err, bool outIsTerminal)
{
    const SendTiming timing;
    SendOptions options;
    SendTarget target;
    OptionParser parser("send");
    addSendOptions(parser, options);
    if (const std::optional<int> status = parser.readOrFinish(argv, out, err, kSendHelp))
        return *status;
    try {
        target = chooseTarget(options);
    } catch (const UsageError& e) {
        err << "tarvel send: " << e.what() << '\n';
        return kExitUsage;
    }
    warnIfNoTones(err, "tarvel send", options);
    std::vector<std::uint8_t> wav;
    if (!writeSendFiles(options, target.output, wav, out, err))
        return kExitFailure;
    if (!target.answered) {
        err << "tarvel send: playback failed: the sound server did not list its outputs within "
            << kServerAnswerLimit.count() / 1000 << " s (is it stopped?)\n";
        return kExitFailure;
    }

    SoundRecorder recorder;
    if (options.verify) {
        if (target.source.empty() || !recorder.start(target.source)) {
            err << "tarvel send: cannot verify: "
                << (target.source.empty() ? std::string("no sound output to record from") : recorder.error())
                << "; nothing was played\n";
            return kExitFailure;
        }
        QThread::msleep(kPreRoll_ms);
    }

    ProgressLine progress(out, outIsTerminal);
    const std::int64_t playCalled_us = timing.elapsed_us();
    WavPlayer player(target.output ? target.output->name : QString());
    // The bytes just written, not the file read again: another send into the same folder
    // may already have replaced it.
    const PlaybackResult played = player.playWav(
        QByteArray(reinterpret_cast<const char*>(wav.data()), static_cast<qsizetype>(wav.size())),
        QString::fromStdString(fullPath(options.folder / kWavFileName).string()),
        [&](std::int64_t at, std::int64_t total) { progress.update(at, total); });
    progress.finish();
    timing.report(err, played, playCalled_us);
    if (played.problem == PlaybackProblem::Interrupted) {
        // Said before any --verify: the recording would only show the same hole, less clearly.
        recorder.abandon();
        err << "tarvel send: " << printable(problemText(played).toStdString())
            << ": the interface received a broken frame; send again\n";
        return kExitFailure;
    }
    if (!played.ok()) {
        recorder.abandon();
        err << "tarvel send: playback failed" << (played.device.isEmpty() ? "" : " on " + text(played.device))
            << ": " << printable(problemText(played).toStdString()) << '\n';
        return kExitFailure;
    }
    out << "played " << secondsText(played.sound_us) << " on " << text(played.device) << '\n';
    if (!options.verify)
        return finishOutput(
            out, err, "tarvel send", "the sound was played, but the report could not be printed", kExitOk);
    return verifyRecording(recorder, options, target.source, out, err);
}

} // namespace tarvel::cli
