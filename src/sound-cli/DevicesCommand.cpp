// tarvel devices: the sound outputs and inputs by the names --device and --verify-from take.

#include "audio/SoundDevices.h"
#include "audio/SoundRecorder.h"
#include "cli/OptionParser.h"
#include "sound-cli/SoundCli.h"

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

void list(std::ostream& out, const char* title, const QList<SoundDevice>& devices)
{
    out << title << '\n';
    if (devices.isEmpty()) {
        out << "  (none)\n";
        return;
    }
    qsizetype width = 0;
    for (const SoundDevice& d : devices)
        width = std::max(width, d.name.size());
    for (const SoundDevice& d : devices)
        out << (d.isDefault ? "* " : "  ") << d.name.leftJustified(width).toStdString() << "  "
            << d.description.toStdString() << '\n';
}

} // namespace

int runDevices(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err)
{
    if (const std::optional<int> status = OptionParser("devices").readOrFinish(argv, out, err, kDevicesHelp))
        return *status;
    const QList<SoundDevice> outputs = soundOutputs();
    QList<SoundDevice> inputs = soundInputs();
    for (const SoundDevice& o : outputs)
        inputs.append({QString::fromStdString(monitorOf(o.name.toStdString())),
            QStringLiteral("Monitor of ") + o.description, false});
    list(out, "Outputs (--device NAME):", outputs);
    list(out, "Inputs (--verify-from NAME):", inputs);
    if (outputs.isEmpty()) {
        err << "tarvel devices: no sound output (is a sound server running?)\n";
        return finishOutput(out, err, "tarvel devices", "the list could not be printed", kExitFailure);
    }
    return finishOutput(out, err, "tarvel devices", "the list could not be printed", kExitOk);
}

} // namespace tarvel::cli
