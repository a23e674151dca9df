#pragma once

#include <cstdint>

// The process-wide random source of the noise generators, a 32-bit linear congruential
// generator: state <- state x 214013 + 2531011 (mod 2^32), giving bits 16 to 30 of the new
// state. Seeded at the start of every playback.
void seedRandom(std::uint32_t seed);
std::uint32_t nextRandom();  // 0..32767

// For the block loops, which step a copy kept in a register and store it back once a block.
std::uint32_t loadRandomState();
void storeRandomState(std::uint32_t state);

inline std::uint32_t stepRandom(std::uint32_t& state) {
    state = state * 214013U + 2531011U;
    return (state >> 16) & 0x7FFFU;
}
