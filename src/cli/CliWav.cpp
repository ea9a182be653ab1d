// tarvel wav: the two files of a send (_qq.wav and 9_fmsig.h), as the first "выдать"
// after program start writes them, without playing anything.

#include "cli/Cli.h"
#include "cli/FrameOptions.h"
#include "frame/FrameBuild.h"
#include "shared/AtomicFile.h"
#include "signal/ToneSignal.h"
#include "signal/WavFiles.h"

#include <cstdio>
#include <filesystem>

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
                  "replaced, not written through; sends into one folder take turns.\n"
                  "\n"
                  "Options:\n")
    + kFrameOptionsHelp
    + "  --no-filter             switch the modulation filter off (default: on)\n"
      "  --alfa N                modulation filter coefficient in hundredths, 0 to 100\n"
      "                          (Alfa = N/100; default: Alfa 0.2)\n"
      "  -C, --directory DIR     write the files into DIR (default: the current folder);\n"
      "                          also -CDIR and --directory=DIR\n"
      "  -h, --help              show this help\n"
      "  --                      end of the options\n"
      "\n"
      "Examples:\n"
      "  tarvel wav -C /tmp\n"
      "      wrote /tmp/_qq.wav\n"
      "      wrote /tmp/9_fmsig.h\n"
      "      signal: N = 62100 samples, 3.881 s\n"
      "  tarvel wav --mode vox --max-tx-s 120 --alfa 50\n";

struct WavOptions {
    FrameParameters frame;
    bool filterOn = true;
    double alfa = kDefaultAlfa;
    std::filesystem::path folder = ".";
};

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
    WavOptions options;
    try {
        ArgCursor args(argv, {kHelpShort, kModeShort, {'C', "--directory", true}});
        while (args.next()) {
            if (!args.atOption())
                throw UsageError("unexpected argument '" + args.takePositional()
                    + "': wav takes options only; allowed: "
                    + allowedOptions("--no-filter, --alfa, --directory, --help"));
            const std::string option = args.takeOption();
            if (option == "--help") {
                args.refuseValue(option);
                return printText(out, err, "tarvel wav", kWavHelp);
            }
            if (takeFrameOption(args, option, options.frame))
                continue;
            if (option == "--no-filter") {
                args.refuseValue(option);
                options.filterOn = false;
                continue;
            }
            if (option == "--alfa") {
                options.alfa
                    = parseWholeNumber(option, args.takeValue(option), {0, 100, "(hundredths)"}) / 100.0;
                continue;
            }
            if (option == "--directory") {
                const std::string folder = args.takeValue(option);
                if (folder.empty())
                    throw UsageError("--directory (-C): '' is not a folder; allowed: the path of a folder");
                options.folder = folder;
                continue;
            }
            throw UsageError("unknown option '" + option
                + "'; allowed: " + allowedOptions("--no-filter, --alfa, --directory, --help"));
        }
    } catch (const UsageError& e) {
        err << "tarvel wav: " << e.what() << '\n';
        return kExitUsage;
    }

    if (options.filterOn && options.alfa == 0.0)
        err << "tarvel wav: warning: with --alfa 0 the filter holds the phase still, so the signal carries "
               "no tones and no receiver can read it\n";

    // A fresh program state: this is the first send of a run.
    SharedState shared;
    shared.frame = buildFrame(options.frame);
    shared.alfa = options.alfa;
    GeneratorState generator;
    const FixedFilterSwitch filterSwitch(options.filterOn);
    NullPlotSink noChart;
    SignalContext ctx {shared, generator, filterSwitch, noChart, noChart};

    std::int32_t n = 0;
    try {
        n = WriteRiff(ctx, options.folder);
    } catch (const FileError& e) {
        err << "tarvel wav: " << printable(e.what()) << '\n';
        return kExitFailure;
    }

    // The folder as the system resolved it ("link/.." is the parent of the link's target),
    // made printable like every other path this tool prints.
    out << "wrote " << printable(fullPath(options.folder / kWavFileName).string()) << '\n'
        << "wrote " << printable(fullPath(options.folder / kFmSigFileName).string()) << '\n'
        << "signal: N = " << n << " samples, " << durationText(n) << '\n';
    return finishOutput(
        out, err, "tarvel wav", "the files were written, but the report could not be printed", kExitOk);
}

} // namespace tarvel::cli
