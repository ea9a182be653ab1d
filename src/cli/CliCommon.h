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

// A one-letter form of a long option: "-C DIR" and "-CDIR" for "--directory DIR".
struct ShortOption {
    char letter;
    std::string_view name; // the long option it stands for, "--directory"
    bool takesValue;
};

// Walks the arguments of one subcommand. Accepts "--name value", "--name=value", the short
// forms it is given ("-x value", "-xvalue", and flags bundled as "-lh"), and "--", after
// which every argument is positional (a file named like an option).
class ArgCursor {
public:
    explicit ArgCursor(std::vector<std::string> args, std::vector<ShortOption> shortOptions = {})
            : args_(std::move(args)), shortOptions_(std::move(shortOptions))
    {
    }
    // True while an argument is left; passes over the "--" that ends the options.
    bool next();
    bool done() const { return pos_ >= args_.size(); }
    const std::string& peek() const { return args_[pos_]; }
    // The current argument is an option: "-" followed by something, before any "--".
    bool atOption() const;
    // The option name of the current argument (before any '='; a short form gives its long
    // name), and advances past it.
    std::string takeOption();
    // The value of the option just taken: its "=value" part or the next argument.
    std::string takeValue(std::string_view option);
    // The current argument as a positional value.
    std::string takePositional() { return args_[pos_++]; }
    // For an on/off option just taken: throws UsageError when it was given "=value".
    void refuseValue(std::string_view option) const;

private:
    std::vector<std::string> args_;
    std::vector<ShortOption> shortOptions_;
    std::size_t pos_ = 0;
    bool optionsEnded_ = false;
    std::optional<std::string> inlineValue_;
};

// "-h, --help": the short forms every command shares.
inline constexpr ShortOption kHelpShort {'h', "--help", false};

} // namespace tarvel::cli
