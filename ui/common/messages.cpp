#include "ui/common/messages.h"

#include "engine/signal_format.h"

std::string sweepTooLongMessage() {
    return "Speed factor should be at most " + std::to_string(kMaxSweepSeconds) + " seconds.";
}

const char* generatorStatusText(GeneratorKind kind) {
    switch (kind) {
        case GeneratorKind::WhiteNoise:
            return "Using: White Noise";
        case GeneratorKind::PinkNoise:
            return "Using: Pink Noise";
        case GeneratorKind::PureTone:
            return "Using: Pure tone";
        case GeneratorKind::FrequencySweep:
            return "Using: Frequency sweep";
        case GeneratorKind::None:
            break;
    }
    return kNoGeneratorStatus;
}
