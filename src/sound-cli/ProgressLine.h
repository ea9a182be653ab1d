#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The progress of a sound as the command line shows it: a bar redrawn in place on a
// terminal, or a plain line for each whole second when the output is a file or a pipe.

#include <cstdint>
#include <ostream>
#include <string>

namespace tarvel::cli {

class ProgressLine {
public:
    ProgressLine(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) { }

    void update(std::int64_t played_us, std::int64_t total_us);
    // Ends the bar's line on a terminal; nothing otherwise.
    void finish();

    // "[##########..........]  2.4 of 4.9 s", `width` marks between the brackets.
    static std::string bar(std::int64_t played_us, std::int64_t total_us, int width);

private:
    std::ostream& out_;
    bool terminal_;
    bool drawn_ = false;
    std::int64_t lastSecond_ = -1;
    bool printedEnd_ = false;
};

} // namespace tarvel::cli
