#include "random_source.h"

namespace {

std::uint32_t randomState = 0;

}  // namespace

void seedRandom(std::uint32_t seed) {
    randomState = seed;
}

std::uint32_t nextRandom() {
    return stepRandom(randomState);
}

std::uint32_t loadRandomState() {
    return randomState;
}

void storeRandomState(std::uint32_t state) {
    randomState = state;
}
