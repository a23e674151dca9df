#include "audio_block.h"

#include <new>

bool AudioBlock::allocate(std::uint32_t count) {
    frames.reset(new (std::nothrow) std::int16_t[static_cast<std::size_t>(count) * kChannels]);
    frameCount = frames ? count : 0;
    return frames != nullptr;
}

void AudioBlock::release() {
    frames.reset();
    frameCount = 0;
}
