// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DisplayCheck.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace tarvel {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

DisplayProbe::DisplayProbe()
{
    const std::string platform = environment("QT_QPA_PLATFORM");
    if (!platform.empty() && platform.rfind("xcb", 0) != 0)
        return; // offscreen, wayland, vnc ...: chosen on purpose
    const std::string display = environment("DISPLAY");
    if (display.empty()) {
        if (environment("WAYLAND_DISPLAY").empty())
            problem_ = "no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set)";
        return;
    }
    // The X server named by DISPLAY must answer; Qt would abort if it did not.
    connection_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_) != 0)
        problem_ = "the display " + display
            + " does not answer (is the X server running, or the remote session's forwarding set up?)";
}

DisplayProbe::~DisplayProbe()
{
    if (connection_)
        xcb_disconnect(connection_);
}

} // namespace tarvel
