#include "status.h"

#include <cstdio>

#include "engine/signal_player.h"

std::string formatClock(std::uint64_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02u:%02u",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return text;
}

std::string generatorLabel(const SignalSettings& signal) {
    switch (signal.generator) {
        case GeneratorKind::WhiteNoise:
            return "white noise";
        case GeneratorKind::PinkNoise:
            return "pink noise";
        case GeneratorKind::PureTone:
            return "tone " + std::to_string(signal.toneFrequency) + " Hz";
        case GeneratorKind::FrequencySweep:
            return "sweep 0-" + std::to_string(signal.sweepLimit) + " Hz, " +
                   std::to_string(signal.sweepSeconds) + " s period";
        case GeneratorKind::None:
            break;
    }
    return "nothing";
}

std::string statusText(const std::string& label, PlayState state, std::uint64_t resumeInSeconds,
                       std::uint64_t playedSeconds, std::uint64_t totalSeconds) {
    std::string text = label + " | ";
    switch (state) {
        case PlayState::Playing:
            text += "playing";
            break;
        case PlayState::Resting:
            text += "resting, resumes in " + formatClock(resumeInSeconds);
            break;
        case PlayState::Stopped:
            text += "stopped";
            break;
        case PlayState::NoOutput:
            text += "no audio output";
            break;
    }
    return text + " | played " + formatClock(playedSeconds) + " | total " +
           formatClock(totalSeconds);
}

std::uint64_t secondsUntilRestEnds(std::uint64_t now, std::uint32_t restReference,
                                   std::uint32_t everyMinutes, std::uint32_t lengthMinutes) {
    const std::uint64_t end = restEndSeconds(restReference, everyMinutes, lengthMinutes);
    return now < end ? end - now : 0;
}
