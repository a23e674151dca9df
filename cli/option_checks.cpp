#include "option_checks.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <regex>

std::optional<std::uint64_t> parseDuration(const std::string& text, std::uint64_t bareUnit) {
    // At most 12 digits before the point and 9 after: no number overflows.
    static const std::string n = R"((\d{1,12}(?:\.\d{1,9})?))";
    static const std::regex bare(n);
    static const std::regex units("(?:" + n + "d)?(?:" + n + "h)?(?:" + n + "m)?(?:" + n + "s)?");
    static const std::regex clock(R"((?:(\d{1,9}):([0-5]\d)|(\d{1,9})):([0-5]\d))");
    std::smatch m;
    long double seconds = 0;
    if (std::regex_match(text, m, bare)) {
        seconds = std::stold(m[1]) * static_cast<long double>(bareUnit);
    } else if (!text.empty() && std::regex_match(text, m, units)) {
        for (const auto& [group, unit] : {std::pair{1, 86400}, {2, 3600}, {3, 60}, {4, 1}}) {
            seconds += m[group].matched ? std::stold(m[group]) * unit : 0;
        }
    } else if (std::regex_match(text, m, clock)) {
        seconds = std::stold(m[1].matched ? m[1].str() : "0") * 3600 +
                  std::stold(m[m[2].matched ? 2 : 3]) * 60 + std::stold(m[4]);
    } else {
        return std::nullopt;
    }
    // Fractions only where they make whole seconds: 1.5h, not 1.5s.
    const long double whole = std::round(seconds);
    if (std::fabs(seconds - whole) > 1e-6L) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(whole);
}

// On its own CLI11 would also take signs, fractions, hex (0x10) and octal (010); from_chars
// reads plain decimal digits and nothing else.
CLI::Validator wholeNumber(std::uint64_t min, std::uint64_t max) {
    return {[=](std::string& text) -> std::string {
                std::uint64_t value = 0;
                const char* end = text.data() + text.size();
                const auto read = std::from_chars(text.data(), end, value);
                if (read.ec == std::errc{} && read.ptr == end && value >= min && value <= max) {
                    return {};
                }
                return "must be a whole number from " + std::to_string(min) + " to " +
                       std::to_string(max) + ", not " + quoteValue(text);
            },
            "", ""};
}

CLI::Validator duration(std::uint64_t unit, std::uint64_t min, std::uint64_t max) {
    return {[=](std::string& text) -> std::string {
                const std::optional<std::uint64_t> seconds = parseDuration(text, unit);
                if (seconds && *seconds % unit == 0 && *seconds / unit >= min &&
                    *seconds / unit <= max) {
                    text = std::to_string(*seconds / unit);
                    return {};
                }
                return "must be a time such as " + std::string(unit == 60 ? "90 (minutes)" : "90") +
                       ", 90s, 10m, 1h30m, 4d, 1.5h or 00:10:00, from " + std::to_string(min) +
                       " to " + std::to_string(max) + (unit == 60 ? " whole minutes" : " seconds") +
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
