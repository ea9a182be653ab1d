#include "cli/CliCommon.h"

#include <charconv>

namespace tarvel::cli {

namespace {

std::string rangeText(IntRange range)
{
    std::string text = std::to_string(range.min) + " to " + std::to_string(range.max);
    if (range.unit && *range.unit)
        text += std::string(" ") + range.unit;
    return text;
}

} // namespace

std::string printable(std::string_view text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (u < 0x20 || u == 0x7F)
            out += std::string("\\x") + hex[u >> 4] + hex[u & 0x0F];
        else
            out += c;
    }
    return out;
}

int finishOutput(std::ostream& out, std::ostream& err, std::string_view command, std::string_view failure,
                 int status)
{
    out.flush();
    if (out)
        return status;
    err << command << ": " << failure << '\n';
    return kExitFailure;
}

int parseWholeNumber(std::string_view option, std::string_view text, IntRange range)
{
    const std::string allowed = "a whole number from " + rangeText(range);
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    const bool wellFormed = !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
    if (!wellFormed) {
        throw UsageError(std::string(option) + ": '" + std::string(text) + "' is not a whole number; allowed: " +
                         allowed);
    }
    unsigned long long magnitude = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    (void)end;
    const bool tooLarge = ec == std::errc::result_out_of_range || magnitude > 1'000'000'000ULL;
    const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (tooLarge || value < range.min || value > range.max)
        throw UsageError(std::string(option) + ": " + std::string(text) + " is out of range; allowed: " + allowed);
    return static_cast<int>(value);
}

std::string ArgCursor::takeOption()
{
    std::string arg = args_[pos_++];
    inlineValue_.reset();
    if (arg.starts_with("--")) {
        if (auto eq = arg.find('='); eq != std::string::npos) {
            inlineValue_ = arg.substr(eq + 1);
            arg.resize(eq);
        }
    }
    return arg;
}

void ArgCursor::refuseValue(std::string_view option) const
{
    if (inlineValue_)
        throw UsageError(std::string(option) + " takes no value; give it without '=" + *inlineValue_ + "'");
}

std::string ArgCursor::takeValue(std::string_view option)
{
    if (inlineValue_) {
        std::string v = *inlineValue_;
        inlineValue_.reset();
        return v;
    }
    if (done())
        throw UsageError(std::string(option) + ": missing value");
    return args_[pos_++];
}

} // namespace tarvel::cli
