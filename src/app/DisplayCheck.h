#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the window has somewhere to appear, asked before the application object exists:
// Qt aborts the whole program when its platform cannot start, and a radio amateur who
// starts the programmer over a broken remote session should get one clear line instead.

#include <string>

struct xcb_connection_t;

namespace tarvel {

class DisplayProbe {
public:
    DisplayProbe();
    // Held open until the application object has its own connection: an X server that
    // loses its last client resets itself, and a connection made during that reset fails.
    ~DisplayProbe();
    DisplayProbe(const DisplayProbe&) = delete;
    DisplayProbe& operator=(const DisplayProbe&) = delete;

    // Empty when the window can be shown (or a platform was chosen explicitly, which Qt
    // then reports itself); otherwise one line saying what is missing.
    const std::string& problem() const { return problem_; }

private:
    xcb_connection_t* connection_ = nullptr;
    std::string problem_;
};

} // namespace tarvel
