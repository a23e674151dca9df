#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the program accepts in its text fields, kept apart from the windows so that it can be
// checked without a display. Texts are UTF-8.

// The rest fields are read from their first 9 characters, the settings dialogs' fields from
// their first 19; whatever follows is ignored.
inline constexpr std::size_t kRestFieldChars = 9;
inline constexpr std::size_t kSettingFieldChars = 19;

inline constexpr const char* kMessageCaption = "Vellumtone";
inline constexpr const char* kSelectGeneratorMessage = "Please select the generator.";
inline constexpr const char* kToneRejectedMessage = "Frequency should be larger than zero.";
inline constexpr const char* kSweepRejectedMessage =
    "Frequency limit and speed should be larger than zero.";
inline constexpr const char* kOutOfMemoryMessage = "Error: Unable to allocate or lock memory.";

// The leading `count` characters of a text (a multi-byte character is never split).
std::string_view leadingChars(std::string_view text, std::size_t count);

// A rest duration in minutes; no value when the field holds no number, which keeps the old one.
std::optional<std::uint32_t> readRestMinutes(std::string_view text);

// The pure tone's frequency in Hz, or no value when it must be refused (0 or not a number).
std::optional<std::uint32_t> checkToneFrequency(std::string_view text);

struct SweepSettings {
    std::uint32_t seconds = 0;  // the period S
    std::uint32_t limit = 0;    // the upper frequency L in Hz
};

// The outcome of checking the sweep dialog: the settings to store, or the message that
// refuses them (then nothing is stored).
struct SweepCheck {
    std::optional<SweepSettings> settings;
    std::string message;
};

SweepCheck checkSweepSettings(std::string_view secondsText, std::string_view limitText);

// The refusal of a period too long for a playback's blocks.
std::string sweepTooLongMessage();
