// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/PulseClient.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop.h>

#include <algorithm>

namespace tarvel {

PulseClient::PulseClient(const char* name) : loop_(pa_mainloop_new())
{
    {
        const SoundLibrarySetUp setUp;
        context_ = pa_context_new(pa_mainloop_get_api(loop_), name);
    }
    // Without a server this fails at once; failed() then says so.
    pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
}

PulseClient::~PulseClient()
{
    // Neither call waits for the server.
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    pa_mainloop_free(loop_);
}

bool PulseClient::runUntil(const std::function<bool()>& done, Clock::time_point until)
{
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(until - Clock::now());
        if (left.count() <= 0)
            return false;
        // One poll, never past the deadline: the socket is non-blocking, so only the poll waits.
        if (pa_mainloop_prepare(loop_, static_cast<int>(std::min<std::int64_t>(left.count(), 100'000))) < 0
            || pa_mainloop_poll(loop_) < 0 || pa_mainloop_dispatch(loop_) < 0)
            return false;
    }
    return true;
}

void PulseClient::runPending()
{
    while (pa_mainloop_iterate(loop_, 0, nullptr) > 0) { }
}

bool PulseClient::ready() const
{
    return pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseClient::failed() const
{
    return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_));
}

std::string PulseClient::error() const
{
    return pa_strerror(pa_context_errno(context_));
}

} // namespace tarvel
