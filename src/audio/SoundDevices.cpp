// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/SoundDevices.h"

#include "audio/PulseClient.h"

#include <pulse/context.h>
#include <pulse/introspect.h>

namespace tarvel {

namespace {

// What the server's answers fill in, one request at a time outstanding.
struct ListRequest {
    SoundDeviceList list;
    std::string defaultOutput;
    std::string defaultInput;
    int pending = 0;
};

SoundDevice fromPulse(const char* name, const char* description)
{
    return {QString::fromUtf8(name), QString::fromUtf8(description ? description : ""), false};
}

void markDefault(QList<SoundDevice>& devices, const std::string& name)
{
    for (SoundDevice& d : devices)
        d.isDefault = d.name == QString::fromStdString(name);
}

} // namespace

SoundDeviceList listSoundDevices(std::chrono::milliseconds limit)
{
    const auto until = PulseClient::Clock::now() + limit;
    PulseClient client("tarvel devices");
    ListRequest request;
    if (!client.runUntil([&] { return client.ready() || client.failed(); }, until))
        return {};
    if (client.failed()) { // no server: an answer, and an empty one
        request.list.answered = true;
        return request.list;
    }
    request.pending = 3;
    pa_operation_unref(pa_context_get_server_info(
        client.context(),
        [](pa_context*, const pa_server_info* info, void* data) {
            auto& r = *static_cast<ListRequest*>(data);
            r.defaultOutput = info && info->default_sink_name ? info->default_sink_name : "";
            r.defaultInput = info && info->default_source_name ? info->default_source_name : "";
            --r.pending;
        },
        &request));
    pa_operation_unref(pa_context_get_sink_info_list(
        client.context(),
        [](pa_context*, const pa_sink_info* info, int last, void* data) {
            auto& r = *static_cast<ListRequest*>(data);
            if (last)
                --r.pending;
            else
                r.list.outputs.append(fromPulse(info->name, info->description));
        },
        &request));
    pa_operation_unref(pa_context_get_source_info_list(
        client.context(),
        [](pa_context*, const pa_source_info* info, int last, void* data) {
            auto& r = *static_cast<ListRequest*>(data);
            if (last)
                --r.pending;
            else
                r.list.inputs.append(fromPulse(info->name, info->description));
        },
        &request));
    if (!client.runUntil([&] { return request.pending == 0 || client.failed(); }, until))
        return {};
    markDefault(request.list.outputs, request.defaultOutput);
    markDefault(request.list.inputs, request.defaultInput);
    request.list.answered = true;
    return request.list;
}

DeviceChoice chooseDevice(const QList<SoundDevice>& devices, const QString& wanted, const QString& kind)
{
    for (const SoundDevice& d : devices)
        if (d.name == wanted)
            return {d, {}};
    QList<SoundDevice> fits;
    for (const SoundDevice& d : devices)
        if (d.description.compare(wanted, Qt::CaseInsensitive) == 0)
            fits.append(d);
    if (fits.isEmpty() && !wanted.isEmpty()) {
        for (const SoundDevice& d : devices)
            if (d.name.contains(wanted, Qt::CaseInsensitive)
                || d.description.contains(wanted, Qt::CaseInsensitive))
                fits.append(d);
    }
    if (fits.size() == 1)
        return {fits.first(), {}};
    if (fits.isEmpty()) {
        if (devices.isEmpty())
            return {std::nullopt,
                QStringLiteral("no %1 named '%2': the sound server lists none").arg(kind, wanted)};
        return {std::nullopt,
            QStringLiteral("no %1 named '%2'; choose one of: %3").arg(kind, wanted, deviceChoices(devices))};
    }
    return {std::nullopt, QStringLiteral("'%1' fits several %2s: %3").arg(wanted, kind, deviceChoices(fits))};
}

QString deviceChoices(const QList<SoundDevice>& devices)
{
    QStringList names;
    for (const SoundDevice& d : devices)
        names.append(deviceLabel(d));
    return names.join(QStringLiteral(", "));
}

QString deviceLabel(const SoundDevice& device)
{
    if (device.description.isEmpty() || device.description == device.name)
        return device.name;
    return QStringLiteral("%1 (%2)").arg(device.name, device.description);
}

} // namespace tarvel
