// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/OptionParser.h"

namespace tarvel::cli {

namespace {

constexpr std::string_view kHelp = "--help";
constexpr char kHelpLetter = 'h';

bool isOption(const std::string& arg)
{
    return arg.size() > 1 && arg[0] == '-';
}

} // namespace

OptionParser::OptionParser(std::string command) : command_(std::move(command))
{
}

void OptionParser::flag(std::string name, char letter, OnFlag on)
{
    options_.push_back({std::move(name), letter, std::move(on), {}});
}

void OptionParser::value(std::string name, char letter, OnValue take)
{
    options_.push_back({std::move(name), letter, {}, std::move(take)});
}

void OptionParser::positional(OnValue take)
{
    positional_ = std::move(take);
}

std::optional<int> OptionParser::readOrFinish(
    const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::string_view help) const
{
    try {
        if (parse(args) == Outcome::Read)
            return std::nullopt;
        return printText(out, err, "tarvel " + command_, help);
    } catch (const UsageError& e) {
        err << "tarvel " << command_ << ": " << e.what() << '\n';
        return kExitUsage;
    }
}

std::string OptionParser::allowed() const
{
    std::string list;
    for (const Option& option : options_)
        list.append(option.name).append(", ");
    return list.append(kHelp);
}

const OptionParser::Option* OptionParser::byName(std::string_view name) const
{
    for (const Option& option : options_)
        if (option.name == name)
            return &option;
    return nullptr;
}

const OptionParser::Option* OptionParser::byLetter(char letter) const
{
    for (const Option& option : options_)
        if (option.letter != 0 && option.letter == letter)
            return &option;
    return nullptr;
}

std::string OptionParser::valueOf(const Option& option, const std::vector<std::string>& args, std::size_t& at,
    const std::optional<std::string>& inlineValue)
{
    if (inlineValue)
        return *inlineValue;
    if (at >= args.size())
        throw UsageError(option.name + ": missing value");
    return args[at++];
}

OptionParser::Outcome OptionParser::readBundle(const std::vector<std::string>& args, std::size_t& at) const
{
    const std::string& arg = args[at++];
    for (std::size_t i = 1; i < arg.size(); ++i) {
        if (arg[i] == kHelpLetter)
            return Outcome::HelpAsked;
        const Option* option = byLetter(arg[i]);
        if (option == nullptr)
            throw UsageError("unknown option '-" + arg.substr(i) + "'; allowed: " + allowed());
        if (option->onFlag) {
            option->onFlag();
            continue;
        }
        // A value option ends the bundle: the rest of it is the value ("-mvox", "-CDIR").
        const std::optional<std::string> rest
            = i + 1 < arg.size() ? std::optional(arg.substr(i + 1)) : std::nullopt;
        option->onValue(valueOf(*option, args, at, rest));
        break;
    }
    return Outcome::Read;
}

OptionParser::Outcome OptionParser::readLong(const std::vector<std::string>& args, std::size_t& at) const
{
    const std::string& arg = args[at++];
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const std::optional<std::string> inlineValue
        = eq == std::string::npos ? std::nullopt : std::optional(arg.substr(eq + 1));
    const Option* option = byName(name);
    if (option == nullptr && name != kHelp)
        throw UsageError("unknown option '" + name + "'; allowed: " + allowed());
    if (option != nullptr && option->onValue) {
        option->onValue(valueOf(*option, args, at, inlineValue));
        return Outcome::Read;
    }
    if (inlineValue)
        throw UsageError(name + " takes no value; give it without '=" + *inlineValue + "'");
    if (option == nullptr)
        return Outcome::HelpAsked;
    option->onFlag();
    return Outcome::Read;
}

OptionParser::Outcome OptionParser::parse(const std::vector<std::string>& args) const
{
    bool optionsEnded = false;
    for (std::size_t at = 0; at < args.size();) {
        const std::string& arg = args[at];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            ++at;
            continue;
        }
        if (optionsEnded || !isOption(arg)) {
            if (!positional_)
                throw UsageError("unexpected argument '" + arg + "': " + command_
                    + " takes options only; allowed: " + allowed());
            positional_(args[at++]);
            continue;
        }
        const Outcome read = arg.starts_with("--") ? readLong(args, at) : readBundle(args, at);
        if (read == Outcome::HelpAsked)
            return Outcome::HelpAsked;
    }
    return Outcome::Read;
}

} // namespace tarvel::cli
