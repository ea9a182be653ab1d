#include "cli/FrameOptions.h"

namespace tarvel::cli {

const char* const kFrameOptionsHelp
    = "  -m, --mode pilot|vox    transmit keying: by pilot tone (default) or by VOX\n"
      "  --pilot-hz N            pilot-tone frequency, 300 to 3000 Hz (default 2000;\n"
      "                          sent in steps of 20 Hz)\n"
      "  --vox-threshold N       VOX trigger threshold, 1 to 100 in units of 0.1 % (default 5)\n"
      "  --vox-release-ms N      VOX release delay, 0 to 3000 ms (default 300; sent in\n"
      "                          steps of 50 ms)\n"
      "  --max-tx-s N            limit continuous transmission to 5 to 250 s\n"
      "                          (default: no limit)\n";

std::string allowedOptions(std::string_view others)
{
    std::string list;
    for (std::string_view name : kFrameOptionNames)
        list.append(name).append(", ");
    return list.append(others);
}

bool takeFrameOption(ArgCursor& args, const std::string& option, FrameParameters& params)
{
    if (option == "--mode") {
        const std::string mode = args.takeValue(option);
        if (mode == "pilot")
            params.keyingMode = static_cast<int>(KeyingMode::PilotTone);
        else if (mode == "vox")
            params.keyingMode = static_cast<int>(KeyingMode::Vox);
        else
            throw UsageError("--mode: '" + mode + "' is not a keying mode; allowed: pilot or vox");
        return true;
    }
    if (option == "--pilot-hz") {
        params.pilot_hz = parseWholeNumber(option, args.takeValue(option), {300, 3000, "Hz"});
        return true;
    }
    if (option == "--vox-threshold") {
        params.voxThreshold = parseWholeNumber(option, args.takeValue(option), {1, 100, "(units of 0.1 %)"});
        return true;
    }
    if (option == "--vox-release-ms") {
        params.voxRelease_ms = parseWholeNumber(option, args.takeValue(option), {0, 3000, "ms"});
        return true;
    }
    if (option == "--max-tx-s") {
        params.maxTx_s = parseWholeNumber(option, args.takeValue(option), {5, 250, "s"});
        params.maxTxEnabled = true;
        return true;
    }
    return false;
}

} // namespace tarvel::cli
