#pragma once

#include <cstdint>
#include <string>

#include "arguments.h"

// The texts `play` shows: one status line on a terminal, a line per change otherwise.

// NoOutput: playing on schedule while the sound server is away, so nothing is heard.
enum class PlayState { Playing, Resting, Stopped, NoOutput };

// H:MM:SS, hours growing as needed.
std::string formatClock(std::uint64_t seconds);

// "white noise", "pink noise", "tone 1000 Hz", "sweep 0-2000 Hz, 2 s period".
std::string generatorLabel(const SignalSettings& signal);

// "pink noise | resting, resumes in 0:29:10 | played 2:00:01 | total 2:00:50".
// resumeInSeconds is shown only while resting.
std::string statusText(const std::string& label, PlayState state, std::uint64_t resumeInSeconds,
                       std::uint64_t playedSeconds, std::uint64_t totalSeconds);

// Seconds until a rest that began under these settings is over, as the playback counts it:
// from the reference, not from the moment the rest began. 0 once it is due.
std::uint64_t secondsUntilRestEnds(std::uint64_t now, std::uint32_t restReference,
                                   std::uint32_t everyMinutes, std::uint32_t lengthMinutes);
