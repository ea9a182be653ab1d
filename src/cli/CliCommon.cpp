// SPDX-License-Identifier: GPL-3.0-or-later
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

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t utf8SequenceLength(std::string_view text)
{
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

} // namespace

std::string printable(std::string_view text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    const auto escape = [](std::string& out, unsigned char u) {
        out += "\\x";
        out += hex[u >> 4];
        out += hex[u & 0x0F];
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7F) {
            escape(out, u);
        } else if (u >= 0x80) {
            const std::size_t length = utf8SequenceLength(text.substr(i));
            // U+0080 to U+009F are the C1 controls: C2 80 to C2 9F.
            const bool c1 = length == 2 && u == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
            if (length == 0 || c1) {
                escape(out, u);
            } else {
                out.append(text.substr(i, length));
                i += length;
                continue;
            }
        } else {
            out += c;
        }
        ++i;
    }
    return out;
}

int finishOutput(
    std::ostream& out, std::ostream& err, std::string_view command, std::string_view failure, int status)
{
    out.flush();
    if (out)
        return status;
    err << command << ": " << failure << '\n';
    return kExitFailure;
}

int printText(std::ostream& out, std::ostream& err, std::string_view command, std::string_view text)
{
    out << text;
    return finishOutput(out, err, command, "the text could not be printed", kExitOk);
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
    const bool wellFormed
        = !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
    if (!wellFormed) {
        throw UsageError(
            std::string(option) + ": '" + std::string(text) + "' is not a whole number; allowed: " + allowed);
    }
    unsigned long long magnitude = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    (void)end;
    const bool tooLarge = ec == std::errc::result_out_of_range || magnitude > 1'000'000'000ULL;
    const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (tooLarge || value < range.min || value > range.max)
        throw UsageError(
            std::string(option) + ": " + std::string(text) + " is out of range; allowed: " + allowed);
    return static_cast<int>(value);
}

} // namespace tarvel::cli
