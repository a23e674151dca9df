#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/signal_player.h"

// What the command line asks for, checked and converted into the player's units.

enum class Command { Play, Render };
enum class FileFormat { Wav, Flac, Raw };

// The settings a playback reads from the player; the defaults are the desktop program's.
struct SignalSettings {
    GeneratorKind generator = GeneratorKind::None;
    std::uint16_t amplitude = SignalPlayer::kDefaultAmplitude;
    std::uint32_t toneFrequency = SignalPlayer::kDefaultToneFrequency;
    std::uint32_t sweepLimit = SignalPlayer::kDefaultSweepLimit;
    std::uint32_t sweepSeconds = SignalPlayer::kDefaultSweepSeconds;
};

// Hands the settings to the player through its operations.
void applySignalSettings(SignalPlayer& player, const SignalSettings& signal);

struct PlaySettings {
    bool restEnabled = false;
    std::uint32_t restEveryMinutes = SignalPlayer::kDefaultRestEveryMinutes;
    std::uint32_t restLengthMinutes = SignalPlayer::kDefaultRestLengthMinutes;
    std::optional<std::uint64_t> durationSeconds;  // none: until interrupted
};

struct RenderSettings {
    std::uint32_t seconds = 0;
    std::optional<std::uint32_t> seed;  // none: the current calendar time
    std::string output;                 // "-" for standard output
    FileFormat format = FileFormat::Wav;
};

struct Arguments {
    Command command = Command::Play;
    SignalSettings signal;
    PlaySettings play;
    RenderSettings render;
};

// The outcome of reading a command line: either arguments to run, or a text to print and
// an exit code (help and version on standard output with 0, one line of error on standard
// error with kUsageError).
struct ParseResult {
    std::optional<Arguments> arguments;
    std::string text;
    bool textIsError = false;
    int exitCode = 0;
};

inline constexpr int kUsageError = 2;

ParseResult parseArguments(int argc, const char* const* argv);

// A whole decimal number from 0 to max: digits only, no sign, no spaces, no fraction, no
// base prefix. Used for every number on the command line.
std::optional<std::uint64_t> parseWholeNumber(std::string_view text, std::uint64_t max);

// TIME: whole seconds, or a whole number followed by s, m or h; 1 s to kMaxDurationSeconds.
inline constexpr std::uint64_t kMaxDurationSeconds = 0xFFFFFFFFULL;
std::optional<std::uint64_t> parseDuration(std::string_view text);

// The slider position the percentage stands for (0..32767, rounded to nearest) times two,
// as the desktop program turns its slider into an amplitude: 100 gives 65534.
std::uint16_t volumeToAmplitude(std::uint32_t percent);

// The format named by the file's extension (case ignored), if it names one.
std::optional<FileFormat> formatFromPath(std::string_view path);

std::string_view generatorWord(GeneratorKind kind);

// The frames a render of `seconds` writes: whole blocks of the generator (one second, or
// the sweep period) until at least that many seconds are there.
std::uint64_t renderedFrameCount(const SignalSettings& signal, std::uint32_t seconds);
