#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "engine/signal_player.h"

// What the command line asks for. A setting left out is the player's own default, which
// parseArguments reads from the player before anything changes it.

enum class Command { Play, Render };
enum class FileFormat { Wav, Flac, Raw };

// The command line is wrong, or asks for something refused: exit code 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
inline constexpr int kUsageError = 2;
inline constexpr int kRuntimeError = 1;

struct Arguments {
    Command command = Command::Play;
    GeneratorKind generator = GeneratorKind::None;
    std::uint16_t amplitude = 0;
    std::optional<std::uint32_t> volumePosition;  // --volume, as a slider position
    std::uint32_t toneFrequency = 0;
    std::uint32_t sweepLimit = 0;
    std::uint32_t sweepSeconds = 0;
    std::optional<std::uint32_t> restEvery, restLength;  // either one switches rests on
    std::optional<std::uint32_t> durationSeconds;        // none: until interrupted
    std::uint32_t seconds = 0;
    std::optional<std::uint32_t> seed;  // none: the current calendar time
    std::string output;                 // "-" for standard output
    FileFormat format = FileFormat::Wav;
};

// Null when help or the version was printed; throws UsageError for a bad command line.
std::optional<Arguments> parseArguments(int argc, const char* const* argv);

// Hands the signal's settings to the player through its operations.
void applySignal(const Arguments& arguments, SignalPlayer& player);
