// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel devices: the sound outputs and inputs by the names --device and --verify-from take.

#include "audio/SoundDevices.h"
#include "cli/CliCommon.h"
#include "cli/OptionParser.h"
#include "sound-cli/SoundCli.h"

#include <QStringList>

#include <algorithm>

namespace tarvel::cli {

namespace {

const char* const kDevicesHelp
    = "Usage: tarvel devices\n"
      "\n"
      "Lists the sound outputs (for 'tarvel send --device' and 'tarvel tone --device') and the\n"
      "inputs (for 'tarvel send --verify-from'), each by its name and description; '*' marks\n"
      "the system's default. Every output has a monitor input that hears what it plays.\n"
      "A part of a name that fits only one device is enough where a name is asked for.\n"
      "Exit status 1 when there is no sound output at all.\n";

// Names and descriptions come from the sound server: any text at all, escaped here.
void list(std::ostream& out, const char* title, const QList<SoundDevice>& devices)
{
    out << title << '\n';
    if (devices.isEmpty()) {
        out << "  (none)\n";
        return;
    }
    QStringList names;
    qsizetype width = 0;
    for (const SoundDevice& d : devices) {
        names.append(QString::fromStdString(printable(d.name.toStdString())));
        width = std::max(width, names.back().size());
    }
    for (qsizetype i = 0; i < devices.size(); ++i)
        out << (devices[i].isDefault ? "* " : "  ") << names[i].leftJustified(width).toStdString() << "  "
            << printable(devices[i].description.toStdString()) << '\n';
}

} // namespace

int runDevices(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err)
{
    if (const std::optional<int> status = OptionParser("devices").readOrFinish(argv, out, err, kDevicesHelp))
        return *status;
    const SoundDeviceList devices = listSoundDevices();
    if (!devices.answered) {
        err << "tarvel devices: the sound server did not list its devices within "
            << kServerAnswerLimit.count() / 1000 << " s (is it stopped?)\n";
        return kExitFailure;
    }
    list(out, "Outputs (--device NAME):", devices.outputs);
    list(out, "Inputs (--verify-from NAME):", devices.inputs);
    if (devices.outputs.isEmpty()) {
        err << "tarvel devices: no sound output (is a sound server running?)\n";
        return finishOutput(out, err, "tarvel devices", "the list could not be printed", kExitFailure);
    }
    return finishOutput(out, err, "tarvel devices", "the list could not be printed", kExitOk);
}

} // namespace tarvel::cli
