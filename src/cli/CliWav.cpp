// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel wav: the two files of a send (_qq.wav and 9_fmsig.h), as the first "выдать"
// after program start writes them, without playing anything.

#include "cli/Cli.h"
#include "cli/FrameOptions.h"
#include "cli/SignalOptions.h"
#include "frame/FrameBuild.h"
#include "shared/AtomicFile.h"
#include "signal/ToneSignal.h"
#include "signal/WavFiles.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace tarvel::cli {

namespace {

const std::string kWavHelp
    = std::string("Usage: tarvel wav [OPTIONS]\n"
                  "\n"
                  "Builds the parameter frame (as 'tarvel frame' does), turns it into the three-tone\n"
                  "signal and writes _qq.wav (16000 samples/s, 16-bit mono, always 157580 bytes) and\n"
                  "the table 9_fmsig.h, exactly as the first send after program start writes them.\n"
                  "Both files are complete before either replaces the old one, _qq.wav first. If\n"
                  "anything fails, the old _qq.wav and 9_fmsig.h stay byte for byte and no temporary\n"
                  "file is left; only if _qq.wav was replaced and 9_fmsig.h then cannot be does the\n"
                  "new _qq.wav stand beside the old 9_fmsig.h. A symbolic link in their place is\n"
                  "replaced, not written through; sends into one folder take turns. The last line\n"
                  "gives the signal's length N and the file's, which is always the same.\n"
                  "\n"
                  "Options:\n")
    + frameOptionsHelp() + kSignalOptionsHelp
    + "  -h, --help              show this help\n"
      "  --                      end of the options\n"
      "\n"
      "Examples:\n"
      "  tarvel wav -C /tmp\n"
      "      wrote /tmp/_qq.wav\n"
      "      wrote /tmp/9_fmsig.h\n"
      "      signal: N = 62100 samples, 3.881 s; file: 78768 samples, 4.923 s\n"
      "  tarvel wav --mode vox --max-tx-s 120 --alfa 50\n";

// Seconds with three decimals, from whole samples (no floating-point formatting).
std::string durationText(std::int32_t samples)
{
    const long long ms = (static_cast<long long>(samples) * 1000 + kSampleRate_hz / 2) / kSampleRate_hz;
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld s", ms / 1000, ms % 1000);
    return text;
}

} // namespace

int runWav(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err)
{
    SignalOptions options;
    OptionParser parser("wav");
    addSignalOptions(parser, options);
    if (const std::optional<int> status = parser.readOrFinish(argv, out, err, kWavHelp))
        return *status;

    warnIfNoTones(err, "tarvel wav", options);

    std::int32_t n = 0;
    try {
        n = writeFirstSend(options); // a fresh program state: the first send of a run
    } catch (const std::runtime_error& e) { // FileError, FolderError
        err << "tarvel wav: " << printable(e.what()) << '\n';
        return kExitFailure;
    }

    // The folder as the system resolved it ("link/.." is the parent of the link's target),
    // made printable like every other path this tool prints.
    out << "wrote " << printable(fullPath(options.folder / kWavFileName).string()) << '\n'
        << "wrote " << printable(fullPath(options.folder / kFmSigFileName).string()) << '\n'
        << "signal: N = " << n << " samples, " << durationText(n) << "; file: " << kWavDataSamples
        << " samples, " << durationText(static_cast<std::int32_t>(kWavDataSamples)) << '\n';
    return finishOutput(
        out, err, "tarvel wav", "the files were written, but the report could not be printed", kExitOk);
}

} // namespace tarvel::cli
