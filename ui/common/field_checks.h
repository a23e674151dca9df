#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class SignalPlayer;

// How the desktop programs read their text fields into the player, kept apart from the
// windows so that it can be checked without a display. Texts are UTF-8.

// The rest fields are read from their first 9 characters, the settings dialogs' fields from
// their first 19; whatever follows is ignored.
inline constexpr std::size_t kRestFieldChars = 9;
inline constexpr std::size_t kSettingFieldChars = 19;

// The leading `count` characters of a text (a multi-byte character is never split).
std::string_view leadingChars(std::string_view text, std::size_t count);

// A rest duration in minutes; no value when the field holds no number, which keeps the old one.
std::optional<std::uint32_t> readRestMinutes(std::string_view text);

// The rest check box changed: checked, it switches rests on with the two fields' durations;
// cleared, it switches them off.
void applyRestCheck(SignalPlayer& player, bool checked, std::string_view everyText,
                    std::string_view lengthText);

// OK in the tone dialog: stores the frequency, or gives the message that refuses it.
std::optional<std::string> applyToneField(SignalPlayer& player, std::string_view text);

// OK in the sweep dialog: stores both values, or gives the message that refuses them (then
// neither is stored).
std::optional<std::string> applySweepFields(SignalPlayer& player, std::string_view secondsText,
                                            std::string_view limitText);
