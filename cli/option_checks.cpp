#include "option_checks.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <regex>

std::optional<std::uint64_t> parseDuration(const std::string& text, std::uint64_t bareUnit) {
    // At most 12 digits before the point and 9 after: no number overflows.
    static const std::string n = R"((\d{1,12}(?:\.\d{1,9})?))";
    static const std::regex units("(?:" + n + "d)?(?:" + n + "h)?(?:" + n + "m)?(?:" + n + "s)?|" +
                                  n);
    static const std::regex clock(R"((?:(\d{1,9}):([0-5]\d)|(\d{1,9})):([0-5]\d))");
    std::smatch m;
    long double seconds = 0;
    const auto unit = static_cast<long double>(bareUnit);
    if (!text.empty() && std::regex_match(text, m, units)) {
        for (const auto& [group, size] :
             {std::pair{1, 86400.0L}, {2, 3600}, {3, 60}, {4, 1}, {5, unit}}) {
            seconds += m[group].matched ? std::stold(m[group]) * size : 0;
        }
    } else if (std::regex_match(text, m, clock)) {
        seconds = std::stold(m[1].matched ? m[1].str() : "0") * 3600 +
                  std::stold(m[m[2].matched ? 2 : 3]) * 60 + std::stold(m[4]);
    } else {
        return std::nullopt;
    }
    // Fractions only where they make whole seconds: 1.5h, not 1.5s.
    if (std::fabs(seconds - std::round(seconds)) > 1e-6L) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(std::round(seconds));
}

// A whole number (unit 0) or a duration in units of `unit` seconds, from min to max. On its
// own CLI11 would also take signs, fractions, hex (0x10) and octal (010); from_chars reads
// plain decimal digits and nothing else.
CLI::Validator bounded(std::uint64_t unit, std::uint64_t min, std::uint64_t max) {
    return {[=](std::string& text) -> std::string {
                std::uint64_t value = 0;
                const char* end = text.data() + text.size();
                const auto read = std::from_chars(text.data(), end, value);
                if (unit == 0 && (read.ec != std::errc{} || read.ptr != end)) {
                    value = max + 1;
                } else if (unit != 0) {
                    const std::optional<std::uint64_t> seconds = parseDuration(text, unit);
                    value = seconds && *seconds % unit == 0 ? *seconds / unit : max + 1;
                }
                if (value >= min && value <= max && !text.empty()) {
                    text = std::to_string(value);
                    return {};
                }
                return "must be a " +
                       std::string(unit == 0   ? "whole number "
                                   : unit == 1 ? "time such as 90, "
                                               : "time such as 90 (minutes), ") +
                       (unit == 0 ? "" : "90s, 10m, 1h30m, 4d, 1.5h or 00:10:00, ") + "from " +
                       std::to_string(min) + " to " + std::to_string(max) +
                       (unit == 0   ? ""
                        : unit == 1 ? " seconds"
                                    : " whole minutes") +
                       ", not " + quoteValue(text);
            },
            "", ""};
}

std::string printable(const std::string& text, std::size_t limit) {
    std::string out;
    for (const char c : text) {
        char escaped[8] = {c, '\0'};
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(c));
        }
        out += escaped;
    }
    if (out.size() > limit) {
        std::size_t cut = limit - 3;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) {
            --cut;  // not inside a UTF-8 character
        }
        out = out.substr(0, cut) + "...";
    }
    return out;
}

std::string quoteValue(const std::string& text) {
    return "'" + printable(text, 40) + "'";
}
