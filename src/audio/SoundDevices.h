#pragma once
// The sound outputs and inputs by the names a user gives: the sound server's own name of a
// device (a PulseAudio sink or source name) or any part of it or of its description that
// fits only one device.

#include <QAudioDevice>
#include <QList>
#include <QString>

#include <optional>

namespace tarvel {

struct SoundDevice {
    QString name; // the server's name, what --device matches first
    QString description; // what the system's sound settings show
    bool isDefault = false;
};

// Outputs and inputs as the sound server lists them now (empty without a server).
QList<SoundDevice> soundOutputs();
QList<SoundDevice> soundInputs();

// The device among `devices` that `wanted` names: an exact name, else an exact description,
// else the one device whose name or description contains it (letter case ignored).
struct DeviceChoice {
    std::optional<SoundDevice> device;
    QString problem; // when no device: "no output named 'x'" / "'x' fits several: a, b"
};
DeviceChoice chooseDevice(const QList<SoundDevice>& devices, const QString& wanted, const QString& kind);

// "a (A description), b (B description)": the choices an error lists.
QString deviceChoices(const QList<SoundDevice>& devices);

// "Null Output (test_sink)": how a message names a device.
QString deviceLabel(const SoundDevice& device);

// The Qt device of an output found by its server name, or a null device.
QAudioDevice qtOutput(const QString& name);

} // namespace tarvel
