// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SignalOptions.h"

#include "cli/FrameOptions.h"
#include "signal/ToneSignal.h"
#include "signal/WavFiles.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace tarvel::cli {

const char* const kSignalOptionsHelp
    = "  --no-filter             switch the modulation filter off (default: on)\n"
      "  --alfa N                modulation filter coefficient in hundredths, 0 to 100\n"
      "                          (Alfa = N/100; default: Alfa 0.2)\n"
      "  -C, --directory DIR     write the files into DIR (default: the current folder),\n"
      "                          made if missing (its parent must exist); also -CDIR and\n"
      "                          --directory=DIR\n";

void addSignalOptions(OptionParser& parser, SignalOptions& options)
{
    addFrameOptions(parser, options.frame);
    parser.flag("--no-filter", 0, [&options] { options.filterOn = false; });
    parser.value("--alfa", 0, [&options](const std::string& text) {
        options.alfa = parseWholeNumber("--alfa", text, {0, 100, "(hundredths)"}) / 100.0;
    });
    parser.value("--directory", 'C', [&options](const std::string& folder) {
        if (folder.empty())
            throw UsageError("--directory (-C): '' is not a folder; allowed: the path of a folder");
        options.folder = folder;
    });
}

void warnIfNoTones(std::ostream& err, std::string_view command, const SignalOptions& options)
{
    if (options.filterOn && options.alfa == 0.0)
        err << command
            << ": warning: with --alfa 0 the filter holds the phase still, so the signal carries no tones "
               "and no receiver can read it\n";
}

namespace {

// -C may name a folder that is not there yet (`tarvel wav -C ~/tarvel`). Only the last level
// is made, so that a mistyped parent is refused rather than a whole tree made in its place.
// Whatever else stands there is left to the folder's opening to report.
void makeFolderIfMissing(const std::filesystem::path& folder)
{
    if (folder.empty() || mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST)
        return;
    const int error = errno;
    throw FolderError("cannot make the folder " + fullPath(folder).string() + ": "
        + (error == ENOENT ? std::string("its parent folder does not exist") : std::strerror(error)));
}

} // namespace

std::int32_t writeFirstSend(const SignalOptions& options, std::vector<std::uint8_t>* wav)
{
    makeFolderIfMissing(options.folder);
    SharedState shared;
    shared.frame = buildFrame(options.frame);
    shared.alfa = options.alfa;
    GeneratorState generator;
    const FixedFilterSwitch filterSwitch(options.filterOn);
    NullPlotSink noChart;
    SignalContext ctx {shared, generator, filterSwitch, noChart, noChart};
    const std::int32_t n = WriteRiff(ctx, options.folder);
    if (wav)
        *wav = wavFileBytes(shared.samples, n);
    return n;
}

} // namespace tarvel::cli
