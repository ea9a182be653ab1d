// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing a sound device by what the user types: the server's name, the description, or a
// part that fits one device only; anything else is refused with the choices listed.

#include "audio/SoundDevices.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

const QList<SoundDevice> kOutputs = {
    {"alsa_output.usb-Tarvel_Interface-00.analog-stereo", "Tarvel Interface Analog Stereo", false},
    {"alsa_output.pci-0000_00_1f.3.analog-stereo", "Built-in Audio Analog Stereo", true},
    {"test_sink", "test", false},
};

std::string chosen(const QString& wanted)
{
    const DeviceChoice c = chooseDevice(kOutputs, wanted, "output");
    return c.device ? c.device->name.toStdString() : "refused: " + c.problem.toStdString();
}

TEST(SoundDevices, ANameADescriptionOrAUniquePartChoosesOneDevice)
{
    EXPECT_EQ(chosen("test_sink"), "test_sink");
    EXPECT_EQ(chosen("Built-in Audio Analog Stereo"), "alsa_output.pci-0000_00_1f.3.analog-stereo");
    EXPECT_EQ(chosen("tarvel"), "alsa_output.usb-Tarvel_Interface-00.analog-stereo"); // letter case ignored
    EXPECT_EQ(chosen("USB"), "alsa_output.usb-Tarvel_Interface-00.analog-stereo");
    // "test" is a part of test_sink's name and the whole of its description: exact wins.
    EXPECT_EQ(chosen("TEST"), "test_sink");
}

TEST(SoundDevices, AnAmbiguousOrUnknownNameIsRefusedWithTheChoices)
{
    EXPECT_EQ(chosen("analog"),
        "refused: 'analog' fits several outputs: "
        "alsa_output.usb-Tarvel_Interface-00.analog-stereo (Tarvel Interface Analog Stereo), "
        "alsa_output.pci-0000_00_1f.3.analog-stereo (Built-in Audio Analog Stereo)");
    const std::string unknown = chosen("hdmi");
    EXPECT_EQ(unknown.rfind("refused: no output named 'hdmi'; choose one of: ", 0), 0u) << unknown;
    EXPECT_NE(unknown.find("test_sink (test)"), std::string::npos);
    EXPECT_EQ(
        chosen(""), "refused: no output named ''; choose one of: " + deviceChoices(kOutputs).toStdString());
    const DeviceChoice none = chooseDevice({}, "usb", "output");
    EXPECT_FALSE(none.device);
    EXPECT_EQ(none.problem.toStdString(), "no output named 'usb': the sound server lists none");
}

} // namespace
} // namespace tarvel
