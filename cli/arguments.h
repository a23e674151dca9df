#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

// What the command line asks for. The signal's settings go straight to the player through its
// operations; a setting left out keeps the player's own default.

enum class Command { Play, Render, Journals, Devices };
enum class FileFormat { Wav, Flac, Raw };

// The command line is wrong, or asks for something refused: exit code 2, where a failure
// while running exits with 1.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Arguments {
    Command command = Command::Play;
    std::optional<std::uint32_t> restEvery, restLength;  // minutes; either switches rests on
    std::optional<std::uint32_t> durationSeconds;        // play: none, until interrupted
    std::optional<std::uint32_t> targetSeconds;          // of heard time, the journal's total
    std::string journal;                                 // its name; empty: none
    std::string device;                                  // a sink name; empty: the default
    bool quiet = false;
    std::optional<std::uint32_t> seed;  // none: the current calendar time
    std::string output;                 // "-" for standard output
    FileFormat format = FileFormat::Wav;
};

// Null when help or the version was printed; throws UsageError for a bad command line.
std::optional<Arguments> parseArguments(int argc, const char* const* argv);

// The text with control characters as \xNN, cut to `limit` characters, "..." marking the
// cut: one line of sensible length whatever the user typed.
std::string printable(const std::string& text, std::size_t limit);
// 'text', printable and at most 40 characters long.
std::string quoteValue(const std::string& text);
