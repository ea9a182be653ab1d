// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel decode: reads a recording of the signal back into the frame, checks its CRC and
// says what the device will be set to and how well the signal came across.

#include "cli/Cli.h"
#include "cli/CliCommon.h"
#include "cli/OptionParser.h"
#include "decode/DecodeJson.h"
#include "decode/FrameWords.h"
#include "decode/RecordingReader.h"
#include "frame/FrameBuild.h"
#include "frame/FrameCheck.h"
#include "shared/JsonText.h"
#include "shared/NumberText.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

namespace tarvel::cli {

namespace {

const char* const kDecodeHelp
    = "Usage: tarvel decode FILE [--json]\n"
      "\n"
      "Reads a recording of the programming signal (the _qq.wav that 'tarvel wav' or the\n"
      "window writes, or what a sound card recorded of it), finds the 1 s 615 Hz lead-in,\n"
      "reads the 128 tone symbols that follow and checks the CRC-16.\n"
      "\n"
      "What it reads: WAV, FLAC and OGG files (told apart by their first bytes; anything\n"
      "else is refused), any sample format, 8 to 96 kHz, 1 to 64 channels (each channel is\n"
      "read on its own and, with several, also their mix, so a signal on any one channel is\n"
      "found); every filter setting of the sender; a sound card clock up to 3 % fast or slow;\n"
      "noise down to about -14 dB SNR (83.5 % of frames read there, 59 % at -15 dB). When\n"
      "the CRC fails, the symbols it is least sure of are tried the other way (a short\n"
      "list); a frame put right must match its CRC and its markers 01 02, and the output\n"
      "says how many symbols were changed.\n"
      "\n"
      "Prints the 16 bytes as 'tarvel frame' does, \"CRC ok\" or \"CRC mismatch (...)\", the\n"
      "parameters in words with their units, and a signal report: RMS level and peak in\n"
      "dBFS (a full-scale sine is -3.0 dBFS RMS), clock skew (how much faster or slower the\n"
      "tones run than the file's sample rate says), an SNR estimate and the weakest symbol's\n"
      "margin over the runner-up tone.\n"
      "\n"
      "FILE '-' reads the recording from standard input, also after '--'; a file named '-'\n"
      "is read as ./-\n"
      "\n"
      "Options:\n"
      "  -j, --json   print one JSON object instead, for every outcome (errors included);\n"
      "               its \"status\" is ok, crc mismatch, no signal, no lead-in, ends early,\n"
      "               unreadable or usage error\n"
      "  -h, --help   show this help\n"
      "  --           end of options: a FILE whose name starts with '-' follows\n"
      "\n"
      "Exit status: 0 the CRC matches; 1 no signal, the signal ends early or the CRC does not\n"
      "match (the reason on stderr); 2 a usage error or a file that cannot be read.\n"
      "\n"
      "Example:\n"
      "  tarvel wav --mode vox && tarvel decode _qq.wav\n"
      "      01 02 05 01 06 01 00 3C 14 00 64 00 1E 28 17 4F\n"
      "      CRC ok\n"
      "      ...\n";

std::string fixed(double value, int places)
{
    if (std::fabs(value) < 0.5 * std::pow(10.0, -places))
        value = 0.0; // no "-0.0"
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return text;
}

std::string dbText(double value)
{
    return std::isfinite(value) ? fixed(value, 1) : std::string("-inf");
}

std::string skewText(double percent)
{
    // Below what the clock can be measured to, the recording is on time.
    const std::string magnitude = fixed(std::fabs(percent), 2);
    if (std::fabs(percent) < 0.01)
        return "0.00 % (on time)";
    return (percent > 0 ? "+" : "-") + magnitude + " % (" + (percent > 0 ? "fast" : "slow") + ")";
}

std::string correctedText(int symbols)
{
    return std::to_string(symbols) + (symbols == 1 ? " symbol" : " symbols") + " put right by the CRC check";
}

std::string crcLine(const DecodeResult& r)
{
    if (r.crcOk())
        return r.correctedSymbols > 0 ? "CRC ok (" + correctedText(r.correctedSymbols) + ")" : "CRC ok";
    return "CRC mismatch (computed " + WordHex(r.computedCrc) + ", received " + WordHex(r.receivedCrc) + ")";
}

void printText(std::ostream& out, const DecodeResult& r)
{
    auto row = [&out](const std::string& label, const std::string& value) {
        out << "  " << label << std::string(label.size() < 28 ? 28 - label.size() : 1, ' ') << value << '\n';
    };
    out << frameHex(r.frame) << '\n' << crcLine(r) << '\n';
    const auto params = describeFrame(r.frame);
    out << "Set by the user:\n";
    for (const auto& p : params)
        if (p.userSettable)
            row(p.label, p.text);
    out << "Fixed in this build:\n";
    row("markers",
        ByteHex(r.frame[0]) + " " + ByteHex(r.frame[1]) + (markersOk(r.frame) ? "" : " (expected 01 02)"));
    for (const auto& p : params)
        if (!p.userSettable)
            row(p.label, p.text);
    const SignalReport& s = r.report;
    out << "Signal:\n";
    row("level", dbText(s.level_dBFS) + " dBFS RMS, peak " + dbText(s.peak_dBFS) + " dBFS");
    row("clock skew", skewText(s.clockSkew_percent));
    row("SNR estimate", (s.snr_dB >= kSnrCeiling_dB ? "> " : "") + fixed(s.snr_dB, 1) + " dB");
    row("weakest symbol",
        fixed(s.weakestMargin_dB, 1) + " dB margin (symbol " + std::to_string(s.weakestSymbol) + " of 128)");
    row("lead-in starts at", fixed(s.start_s, 3) + " s (" + fixed(s.sampleRate_hz, 0) + " Hz recording)");
    if (s.channels > 1)
        row("channel",
            (s.channel > 0 ? std::to_string(s.channel) : std::string("mix")) + " of "
                + std::to_string(s.channels));
}

} // namespace

// An outcome that is not a decoding, as one JSON object.
void printJsonError(std::ostream& out, const char* status, const std::string& path, const std::string& reason)
{
    out << "{\"status\":" << jsonString(status);
    if (!path.empty())
        out << ",\"path\":" << jsonString(path);
    out << ",\"reason\":" << jsonString(reason) << "}\n";
}

bool asksForJson(const std::vector<std::string>& argv)
{
    for (const std::string& arg : argv) {
        if (arg == "--")
            return false;
        if (arg == "--json" || arg == "-j")
            return true;
    }
    return false;
}

int runDecode(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err)
{
    std::string path;
    bool json = false;
    OptionParser parser("decode");
    parser.flag("--json", 'j', [&json] { json = true; });
    parser.positional([&path](const std::string& arg) {
        if (!path.empty())
            throw UsageError("one recording at a time; got '" + path + "' and '" + arg + "'");
        path = arg;
    });
    try {
        if (parser.parse(argv) == OptionParser::Outcome::HelpAsked)
            return printText(out, err, "tarvel decode", kDecodeHelp);
        if (path.empty())
            throw UsageError("missing FILE: the recording to read (see 'tarvel decode --help')");
    } catch (const UsageError& e) {
        if (json || asksForJson(argv))
            printJsonError(out, "usage error", "", e.what());
        err << "tarvel decode: " << e.what() << '\n';
        return kExitUsage;
    }

    const bool standardInput = path == "-";
    const std::string shown = standardInput ? std::string("standard input") : printable(path);
    DecodeResult result;
    try {
        result = standardInput ? decodeRecordingFd(STDIN_FILENO) : decodeRecording(path);
    } catch (const RecordingError& e) {
        if (json)
            printJsonError(out, "unreadable", standardInput ? "-" : path, e.what());
        err << "tarvel decode: " << shown << ": " << printable(e.what()) << '\n';
        return kExitUsage;
    }

    if (json)
        out << decodeResultJson(result) << '\n';
    else if (result.decoded())
        printText(out, result);
    if (finishOutput(out, err, "tarvel decode", "the result could not be printed", kExitOk) != kExitOk)
        return kExitFailure;

    if (!result.decoded()) {
        err << "tarvel decode: " << shown << ": " << result.reason << '\n';
        return kExitFailure;
    }
    if (!result.crcOk()) {
        err << "tarvel decode: " << shown << ": CRC mismatch (computed " << WordHex(result.computedCrc)
            << ", received " << WordHex(result.receivedCrc) << "): the frame was damaged on its way\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace tarvel::cli
