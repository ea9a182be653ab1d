#pragma once
// Shared pieces of the command-line tool: the argument cursor, the usage error that ends
// a subcommand with status 2, and the whole-number parser.

#include <cstdint>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Control characters of `text` written as escapes (\n, \t, \xHH), so that an argument
// echoed in a message can never break it into several lines or move the terminal's cursor.
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

// Parses `text` as a whole number (optional sign, decimal digits) within `range`;
// throws UsageError naming the option, the text given and what is allowed.
int parseWholeNumber(std::string_view option, std::string_view text, IntRange range);

// Walks the arguments of one subcommand. Accepts "--name value" and "--name=value".
class ArgCursor {
public:
    explicit ArgCursor(std::vector<std::string> args) : args_(std::move(args)) { }
    bool done() const { return pos_ >= args_.size(); }
    const std::string& peek() const { return args_[pos_]; }
    // The option name of the current argument (before any '='), and advances past it.
    std::string takeOption();
    // The value of the option just taken: its "=value" part or the next argument.
    std::string takeValue(std::string_view option);
    // The current argument as a positional value.
    std::string takePositional() { return args_[pos_++]; }
    // For an on/off option just taken: throws UsageError when it was given "=value".
    void refuseValue(std::string_view option) const;

private:
    std::vector<std::string> args_;
    std::size_t pos_ = 0;
    std::optional<std::string> inlineValue_;
};

} // namespace tarvel::cli
