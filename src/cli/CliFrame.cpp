// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel frame: the parameter frame as the window's "сформировать" builds it.

#include "cli/Cli.h"
#include "cli/FrameOptions.h"
#include "frame/FrameBuild.h"
#include "frame/SettingsFile.h"

#include <sstream>

namespace tarvel::cli {

namespace {

const std::string kFrameHelp
    = std::string("Usage: tarvel frame [OPTIONS]\n"
                  "\n"
                  "Builds the 16-byte parameter frame (two markers, twelve parameter bytes, CRC-16)\n"
                  "from the parameters a user can set, and prints it as hexadecimal bytes.\n"
                  "Parameters you do not give keep the window's defaults; the hidden ones (transmit\n"
                  "delay, pause times, PTT pattern) always carry their fixed values.\n"
                  "\n"
                  "Options:\n")
    + frameOptionsHelp()
    + "  -l, --listing           also print the value list, the frame listing and the CRC trace\n"
      "  -j, --json              print the parameters as a settings file instead of the frame\n"
      "                          (for --settings and the page's preset import)\n"
      "  -h, --help              show this help\n"
      "  --                      end of the options\n"
      "\n"
      "Examples:\n"
      "  tarvel frame\n"
      "      01 02 05 01 06 00 00 3C 14 00 64 00 1E 28 FC 6C\n"
      "  tarvel frame --mode vox --vox-release-ms 500 --max-tx-s 120 --listing\n"
      "  tarvel frame --mode vox --json > r1.json && tarvel wav --settings r1.json\n";

void printSection(std::ostream& out, const char* heading, const std::vector<std::string>& lines)
{
    out << '\n' << heading << '\n';
    for (const std::string& line : lines)
        out << line << '\n';
}

} // namespace

int runFrame(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err)
{
    FrameParameters params;
    bool listing = false;
    bool json = false;
    OptionParser parser("frame");
    addFrameOptions(parser, params);
    parser.flag("--listing", 'l', [&listing] { listing = true; });
    parser.flag("--json", 'j', [&json] { json = true; });
    if (const std::optional<int> status = parser.readOrFinish(argv, out, err, kFrameHelp))
        return *status;
    if (json && listing) {
        err << "tarvel frame: --json and --listing do not go together: a settings file holds no listing\n";
        return kExitUsage;
    }
    if (json) {
        out << settingsJson(params);
        return finishOutput(out, err, "tarvel frame", "the settings could not be printed", kExitOk);
    }

    Frame frame {};
    LinesSink trace, values, frameLines;
    buildFrame(frame, params, FrameViews {trace, values, frameLines});
    out << frameHex(frame) << '\n';
    if (listing) {
        printSection(out, "Values (byte - value):", values.lines);
        printSection(out, "Frame (byte, value):", frameLines.lines);
        printSection(out, "CRC trace (byte, running CRC):", trace.lines);
    }
    return finishOutput(out, err, "tarvel frame", "the frame could not be printed", kExitOk);
}

} // namespace tarvel::cli
