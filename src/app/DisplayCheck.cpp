// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DisplayCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarvel {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Whether Qt can find its Wayland platform plugin where it looks for platform plugins. Asked
// before the application object exists: the folders are worked out again when it starts.
bool waylandPluginInstalled()
{
    QStringList folders;
    if (const QString own = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH"); !own.isEmpty())
        folders << own;
    for (const QString& libraryPath : QCoreApplication::libraryPaths())
        folders << libraryPath + QStringLiteral("/platforms");
    for (const QString& folder : folders) {
        if (!QDir(folder).entryList({QStringLiteral("libqwayland*")}, QDir::Files).isEmpty())
            return true;
    }
    return false;
}

// Why the Wayland compositor named by WAYLAND_DISPLAY cannot be reached, or empty when it
// takes a connection (the socket's path as libwayland forms it).
std::string waylandUnreachable(const std::string& display)
{
    std::string path = display;
    if (display.front() != '/') {
        const std::string runtime = environment("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return "XDG_RUNTIME_DIR is not set";
        path = runtime + '/' + display;
    }
    sockaddr_un address {};
    if (path.size() >= sizeof(address.sun_path))
        return "its socket's path is too long";
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::strerror(errno);
    const int connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    const int reason = errno;
    ::close(fd);
    return connected == 0 ? std::string() : path + ": " + std::strerror(reason);
}

} // namespace

DisplayProbe::DisplayProbe()
{
    const std::string platform = environment("QT_QPA_PLATFORM");
    if (!platform.empty() && platform.rfind("xcb", 0) != 0)
        return; // offscreen, wayland, vnc ...: chosen on purpose
    const std::string display = environment("DISPLAY");
    if (display.empty()) {
        // Without an X display Qt can only use Wayland, and it aborts when that fails.
        const std::string wayland = environment("WAYLAND_DISPLAY");
        if (wayland.empty()) {
            problem_ = "no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set)";
        } else if (!waylandPluginInstalled()) {
            problem_ = "no display to show the window on: DISPLAY is not set, and for the Wayland display "
                + wayland + " Qt's Wayland platform plugin (package qt6-wayland) is not installed";
        } else if (const std::string why = waylandUnreachable(wayland); !why.empty()) {
            problem_ = "no display to show the window on: DISPLAY is not set, and the Wayland display "
                + wayland + " does not answer (" + why + ")";
        }
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
