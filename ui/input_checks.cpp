#include "ui/input_checks.h"

#include "engine/generators.h"
#include "engine/number_text.h"

std::string_view leadingChars(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t taken = 0; end < text.size() && taken < count; ++taken) {
        ++end;
        // Skip the continuation bytes of a multi-byte character.
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
    }
    return text.substr(0, end);
}

std::optional<std::uint32_t> readRestMinutes(std::string_view text) {
    return readUnsigned(leadingChars(text, kRestFieldChars));
}

std::optional<std::uint32_t> checkToneFrequency(std::string_view text) {
    const std::uint32_t value = readUnsigned(leadingChars(text, kSettingFieldChars)).value_or(0);
    if (value == 0) {
        return std::nullopt;
    }
    return value;
}

SweepCheck checkSweepSettings(std::string_view secondsText, std::string_view limitText) {
    const std::uint32_t seconds =
        readUnsigned(leadingChars(secondsText, kSettingFieldChars)).value_or(0);
    const std::uint32_t limit =
        readUnsigned(leadingChars(limitText, kSettingFieldChars)).value_or(0);
    if (seconds == 0 || limit == 0) {
        return {std::nullopt, kSweepRejectedMessage};
    }
    // Each of a sweep playback's two blocks holds a whole period, so the period is bounded by
    // what the machine can allocate; refusing it here beats a playback that cannot start.
    if (seconds > kMaxSweepSeconds) {
        return {std::nullopt, sweepTooLongMessage()};
    }
    return {SweepSettings{seconds, limit}, {}};
}

std::string sweepTooLongMessage() {
    return "Speed factor should be at most " + std::to_string(kMaxSweepSeconds) + " seconds.";
}
