#pragma once

#include <cstdint>

// The one stream format: 44,100 frames per second, 16-bit signed little-endian, two channels,
// the same sample on both.
inline constexpr std::uint32_t kSampleRate = 44100;
inline constexpr std::uint32_t kChannels = 2;
inline constexpr std::uint32_t kBytesPerFrame = 4;

// One second of frames: the block length of every generator but the sweep, whose block is
// S seconds long, and the most the playback hands the device at once.
inline constexpr std::uint32_t kFramesPerSecond = 44100;

// The longest sweep period accepted. A sweep block of S seconds is fed to the device a second
// at a time, so the period costs no memory; 44,100 x S frames stays far inside 32 bits.
inline constexpr std::uint32_t kMaxSweepSeconds = 3600;

// 2 pi / 44100, the phase step of one frame at 1 Hz.
inline constexpr double kPhaseStep = 0.00014247585730565955;
// The double nearest to 1/32767, which scales a random value to 0..1 for the pink filter.
inline constexpr double kUnitScale = 3.051850947599719e-05;
