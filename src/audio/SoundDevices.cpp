#include "audio/SoundDevices.h"

#include <QMediaDevices>

namespace tarvel {

namespace {

QList<SoundDevice> fromQt(const QList<QAudioDevice>& devices)
{
    QList<SoundDevice> list;
    for (const QAudioDevice& d : devices)
        list.append({QString::fromUtf8(d.id()), d.description(), d.isDefault()});
    return list;
}

} // namespace

QList<SoundDevice> soundOutputs()
{
    return fromQt(QMediaDevices::audioOutputs());
}

QList<SoundDevice> soundInputs()
{
    return fromQt(QMediaDevices::audioInputs());
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

QAudioDevice qtOutput(const QString& name)
{
    for (const QAudioDevice& d : QMediaDevices::audioOutputs())
        if (QString::fromUtf8(d.id()) == name)
            return d;
    return {};
}

} // namespace tarvel
