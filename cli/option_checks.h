#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <string>

// How the options' values are read, for every option alike, and how a value is shown back.

// A time as people write it: 90, 90s, 10m, 1h30m, 4d, 1.5h or 00:10:00, in whole seconds; a
// bare number counts `bareUnit` seconds. None when it is not one.
std::optional<std::uint64_t> parseDuration(const std::string& text, std::uint64_t bareUnit = 1);

// Converts an option's text to plain decimal digits, or refuses it naming the range: with
// unit 0 a whole number from min to max; else a duration in units of `unit` seconds (60: whole
// minutes, which a bare number then counts) from min to max units.
CLI::Validator bounded(std::uint64_t unit, std::uint64_t min, std::uint64_t max);

// An option checked and converted by one of the above, its value shown as `type` in the help.
template <typename T>
CLI::Option* add(CLI::App& command, const char* name, T& target, const char* type,
                 const std::string& help, const CLI::Validator& check) {
    return command.add_option(name, target, help)
        ->type_name(type)
        ->transform(check)
        ->capture_default_str();
}

// The text with control characters as \xNN, cut to `limit` bytes (on a character's boundary),
// "..." marking the cut: one line of sensible length whatever the user typed.
std::string printable(const std::string& text, std::size_t limit);
// 'text', printable and at most 40 bytes long.
std::string quoteValue(const std::string& text);
