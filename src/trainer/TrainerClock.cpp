#include "trainer/TimeOfDay.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace tarvel {

double SystemTimeOfDayClock::timeOfDay()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const double secondsOfDay = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec
                                + static_cast<double>(ms < 0 ? ms + 1000 : ms) / 1000.0;
    return secondsOfDay / kSecondsPerDay;
}

void SystemTimeOfDayClock::pause(double seconds)
{
    if (seconds > 0.0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void ElapsedDayTime::start(double timeOfDay)
{
    last_ = timeOfDay;
    elapsedDays_ = 0.0;
}

double ElapsedDayTime::advance(double timeOfDay)
{
    double step = timeOfDay - last_;
    if (step < -0.5)
        step += 1.0; // passed midnight
    else if (step < 0.0)
        step = 0.0; // clock set back a little: no time passed
    elapsedDays_ += step;
    last_ = timeOfDay;
    return seconds();
}

} // namespace tarvel
