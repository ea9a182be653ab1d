#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The one option loop of every command of `tarvel` and `tarvel-sound`. It is written here
// rather than taken from getopt_long or CLI11 because neither keeps the tool's conventions:
// getopt_long takes any unambiguous abbreviation of a long option ("--list" for "--listing")
// with no way to switch that off, keeps its place in global variables and words its errors
// itself; CLI11 lets an on/off option take "=value" and words its errors and help itself.
// Here a command lists its options in a table and this loop reads them all alike.

#include "cli/CliCommon.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarvel::cli {

class OptionParser {
public:
    using OnFlag = std::function<void()>;
    using OnValue = std::function<void(const std::string& value)>;

    enum class Outcome { Read, HelpAsked };

    // `command` names the command in "unexpected argument 'x': frame takes options only".
    // Every command takes -h and --help.
    explicit OptionParser(std::string command);

    // An on/off option: "--name", or "-x" alone or bundled with others ("-lh"); "--name=value"
    // is refused. `letter` 0: no short form.
    void flag(std::string name, char letter, OnFlag on);
    // An option with a value: "--name V", "--name=V", "-x V" and "-xV".
    void value(std::string name, char letter, OnValue take);
    // Where the arguments that are not options go; without it the command takes options only.
    void positional(OnValue take);

    // Reads `args` in order; "--" ends the options and "-" alone is not one. Reading stops at
    // --help. Throws UsageError, naming what is allowed, for anything the table does not take.
    // Every argument is looked at once, a bundle letter by letter: the work grows with the
    // command line's length and nothing is copied per letter.
    Outcome parse(const std::vector<std::string>& args) const;

    // parse() for a command that checks nothing more: prints `help` on --help, or a bad
    // command line as one line "tarvel COMMAND: ..." on `err`. Returns the exit status when
    // the command ends there, nothing when it goes on.
    std::optional<int> readOrFinish(const std::vector<std::string>& args, std::ostream& out,
        std::ostream& err, std::string_view help) const;

    // The long names in the order given, then --help: "--json, --help".
    std::string allowed() const;

private:
    struct Option {
        std::string name;
        char letter;
        OnFlag onFlag; // set for an on/off option
        OnValue onValue; // set for an option with a value
    };

    const Option* byName(std::string_view name) const;
    const Option* byLetter(char letter) const;
    // Reads the short options bundled in args[at]; may take args[at + 1] as a value and
    // advances `at` past what it read.
    Outcome readBundle(const std::vector<std::string>& args, std::size_t& at) const;
    // Reads the long option args[at] ("--name" or "--name=value") and what it takes.
    Outcome readLong(const std::vector<std::string>& args, std::size_t& at) const;
    // The value of `option`: `inlineValue` when given, else the next argument.
    static std::string valueOf(const Option& option, const std::vector<std::string>& args, std::size_t& at,
        const std::optional<std::string>& inlineValue);

    std::string command_;
    std::vector<Option> options_;
    OnValue positional_;
};

} // namespace tarvel::cli
