#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Shared pieces of the command-line tool: the usage error that ends a subcommand with
// status 2, the whole-number parser and printable output.

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// `text` with everything a terminal could act on written as escapes (\n, \t, \xHH): the C0
// controls, DEL, the C1 controls in their UTF-8 form (\xC2\x9B is a CSI too) and bytes that
// are not UTF-8 at all. Other UTF-8, Cyrillic folder names included, stays as it is. So an
// argument or path echoed in a message can never break it into several lines or move the
// terminal's cursor.
std::string printable(std::string_view text);

// A bad command line: reported as one line on stderr, exit status 2, nothing on stdout.
// The message may quote the user's arguments as given; they are made printable here.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(printable(message)) { }
};

struct IntRange {
    long long min;
    long long max;
    const char* unit; // shown after the range in messages, may be empty
};

// Flushes what a subcommand printed on `out`. When it could not be written (a closed
// pipe, a full disk) the command must not report success: one line "<command>: <failure>"
// goes to `err` and the result is kExitFailure; otherwise `status` is returned unchanged.
int finishOutput(
    std::ostream& out, std::ostream& err, std::string_view command, std::string_view failure, int status);

// Prints a help or version text and reports, as every other output, whether it arrived.
int printText(std::ostream& out, std::ostream& err, std::string_view command, std::string_view text);

// Parses `text` as a whole number (optional sign, decimal digits) within `range`;
// throws UsageError naming the option, the text given and what is allowed.
int parseWholeNumber(std::string_view option, std::string_view text, IntRange range);

} // namespace tarvel::cli
