// SPDX-License-Identifier: GPL-3.0-or-later
#include "trainer/TrainerClock.h"

#include <chrono>
#include <thread>

namespace tarvel {

namespace {

using Monotonic = std::chrono::steady_clock;
static_assert(Monotonic::is_steady, "the trainer's clock must not follow changes of the wall clock");

} // namespace

double SteadyTrainerClock::seconds()
{
    return std::chrono::duration<double>(Monotonic::now().time_since_epoch()).count();
}

void SteadyTrainerClock::pause(double seconds)
{
    if (seconds > 0.0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

} // namespace tarvel
