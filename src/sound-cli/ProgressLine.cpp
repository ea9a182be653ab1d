// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound-cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace tarvel::cli {

namespace {

std::string tenths(std::int64_t us)
{
    const std::int64_t t = (us + 50'000) / 100'000;
    char text[32];
    std::snprintf(
        text, sizeof text, "%lld.%lld", static_cast<long long>(t / 10), static_cast<long long>(t % 10));
    return text;
}

} // namespace

std::string ProgressLine::bar(std::int64_t played_us, std::int64_t total_us, int width)
{
    const std::int64_t played = std::clamp<std::int64_t>(played_us, 0, total_us);
    const auto filled = total_us > 0 ? static_cast<int>(played * width / total_us) : width;
    return "[" + std::string(static_cast<std::size_t>(filled), '#')
        + std::string(static_cast<std::size_t>(width - filled), '.') + "] " + tenths(played) + " of "
        + tenths(total_us) + " s";
}

void ProgressLine::update(std::int64_t played_us, std::int64_t total_us)
{
    if (terminal_) {
        out_ << '\r' << bar(played_us, total_us, 30) << std::flush;
        drawn_ = true;
        return;
    }
    const bool atEnd = played_us >= total_us;
    const std::int64_t second = std::max<std::int64_t>(played_us, 0) / 1'000'000;
    if ((atEnd && !printedEnd_) || (!atEnd && second > lastSecond_)) {
        lastSecond_ = second;
        printedEnd_ = atEnd;
        out_ << "played " << tenths(std::clamp<std::int64_t>(played_us, 0, total_us)) << " of "
             << tenths(total_us) << " s\n"
             << std::flush;
    }
}

void ProgressLine::finish()
{
    if (terminal_ && drawn_)
        out_ << '\n' << std::flush;
    drawn_ = false;
}

} // namespace tarvel::cli
