#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The sound outputs and inputs by the names a user gives: the sound server's own name of a
// device (a PulseAudio sink or source name) or any part of it or of its description that
// fits only one device.

#include <QList>
#include <QString>

#include <chrono>
#include <optional>

namespace tarvel {

struct SoundDevice {
    QString name; // the server's name, what --device matches first
    QString description; // what the system's sound settings show
    bool isDefault = false;
};

// How long the sound server may take to answer a question before it is given up.
inline constexpr std::chrono::milliseconds kServerAnswerLimit {4'000};

// The devices as the server lists them, asked on a connection of this call's own, so that a
// stalled server costs at most `limit`.
struct SoundDeviceList {
    bool answered = false; // false: the server took longer than the limit (no server answers at once)
    QList<SoundDevice> outputs;
    QList<SoundDevice> inputs; // the server's inputs, the monitor of every output among them
};
SoundDeviceList listSoundDevices(std::chrono::milliseconds limit = kServerAnswerLimit);

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

} // namespace tarvel
