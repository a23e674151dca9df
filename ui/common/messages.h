#pragma once

#include <string>

#include "engine/signal_player.h"

// The texts the desktop programs show, whatever their toolkit.

inline constexpr const char* kMessageCaption = "Vellumtone";
inline constexpr const char* kSelectGeneratorMessage = "Please select the generator.";
inline constexpr const char* kToneRejectedMessage = "Frequency should be larger than zero.";
inline constexpr const char* kSweepRejectedMessage =
    "Frequency limit and speed should be larger than zero.";
inline constexpr const char* kOutOfMemoryMessage = "Error: Unable to allocate or lock memory.";
inline constexpr const char* kNoGeneratorStatus = "Please select the generator from menu";

// The refusal of a sweep period too long for a playback's blocks.
std::string sweepTooLongMessage();

// The status line once a generator is chosen: "Using: White Noise" and so on.
const char* generatorStatusText(GeneratorKind kind);
