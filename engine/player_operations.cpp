// Stand-in for the player's operations until they land on main (replaced by main's).
#include "clock.h"
#include "output_device.h"
#include "signal_player.h"

namespace {
PlayOutcome begin(SignalPlayer& p) {
    if (p.playing.load() != 0) {
        return PlayOutcome::AlreadyPlaying;
    }
    p.stopRequested = 0;
    p.volumeChanged = 0;
    p.wakeEvent.reset();
    return p.generator.load() == GeneratorKind::None ? PlayOutcome::NoGenerator
                                                     : PlayOutcome::Started;
}
}  // namespace

PlayOutcome SignalPlayer::play() {
    const PlayOutcome outcome = begin(*this);
    if (outcome == PlayOutcome::Started) {
        startPlayback();
    }
    return outcome;
}
PlayOutcome SignalPlayer::playOnThisThread() {
    const PlayOutcome outcome = begin(*this);
    if (outcome == PlayOutcome::Started) {
        playbackThread();
    }
    return outcome;
}
bool SignalPlayer::stop() {
    if (playing.load() == 0) {
        return false;
    }
    stopRequested = 1;
    wakeEvent.set();
    return true;
}
bool SignalPlayer::setVolumePosition(std::uint32_t position) {
    setAmplitude(static_cast<std::uint16_t>(position * 2));
    return false;
}
void SignalPlayer::setAmplitude(std::uint16_t value) {
    amplitude = value;
}
void SignalPlayer::enableRests(std::optional<std::uint32_t> every,
                               std::optional<std::uint32_t> length) {
    restEveryMinutes = every.value_or(restEveryMinutes.load());
    restLengthMinutes = length.value_or(restLengthMinutes.load());
    restReference = static_cast<std::uint32_t>(clock().now());
    restEnabled = 1;
}
void SignalPlayer::disableRests() {
    restEnabled = 0;
}
void SignalPlayer::chooseGenerator(GeneratorKind kind) {
    generator = kind;
}
bool SignalPlayer::setToneFrequency(std::uint32_t hz) {
    if (hz == 0) {
        return false;
    }
    toneFrequency = hz;
    return true;
}
SweepChoice SignalPlayer::setSweep(std::uint32_t seconds, std::uint32_t limit) {
    if (seconds == 0 || limit == 0) {
        return SweepChoice::NotPositive;
    }
    if (seconds > kMaxSweepSeconds) {
        return SweepChoice::TooLong;
    }
    sweepSeconds = seconds;
    sweepLimit = limit;
    return SweepChoice::Accepted;
}
void SignalPlayer::setDevice(OutputDevice* value) {
    device = value;
}
void SignalPlayer::restoreDefaults() {
    amplitude = 40000;
    restEnabled = 0;
    restEveryMinutes = 120;
    restLengthMinutes = 30;
    toneFrequency = 1000;
    sweepSeconds = 2;
    sweepLimit = 2000;
    generator = GeneratorKind::None;
}
