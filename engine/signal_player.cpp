// The player object and its operations: the rules every front end goes through.
#include "signal_player.h"

#include <algorithm>

#include "clock.h"
#include "output_device.h"
#include "signal_format.h"

// Constructed before main; lives until the process ends.
SignalPlayer SignalPlayer::instance;

Clock& SignalPlayer::clock() const {
    return clock_ != nullptr ? *clock_ : systemClock();
}

PlayOutcome SignalPlayer::prepareToPlay() {
    if (playing.load() != 0 || starting_.load()) {
        return PlayOutcome::AlreadyPlaying;
    }
    stopRequested = 0;
    volumeChanged = 0;
    wakeEvent.reset();
    if (generator.load() == GeneratorKind::None) {
        return PlayOutcome::NoGenerator;
    }
    starting_ = true;
    return PlayOutcome::Started;
}

PlayOutcome SignalPlayer::play() {
    const PlayOutcome outcome = prepareToPlay();
    if (outcome == PlayOutcome::Started) {
        startPlayback();
    }
    return outcome;
}

PlayOutcome SignalPlayer::playOnThisThread() {
    const PlayOutcome outcome = prepareToPlay();
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
    return setAmplitude(static_cast<std::uint16_t>(std::min(position, kMaxVolumePosition) * 2));
}

bool SignalPlayer::setAmplitude(std::uint16_t value) {
    // A slider click can report the same position twice; a flush for it would only cut
    // seconds out of the sound.
    if (amplitude.exchange(value) == value || playing.load() == 0 || resting.load() != 0) {
        return false;
    }
    volumeChanged = 1;
    // The flush hands back both queued blocks; the playback goes on at the new amplitude.
    if (OutputDevice* output = device.load()) {
        output->flush();
    }
    return true;
}

void SignalPlayer::enableRests(std::optional<std::uint32_t> everyMinutes,
                               std::optional<std::uint32_t> lengthMinutes) {
    if (everyMinutes) {
        restEveryMinutes = *everyMinutes;
    }
    if (lengthMinutes) {
        restLengthMinutes = *lengthMinutes;
    }
    restReference = static_cast<std::uint32_t>(clock().now());
    // Last, so that a playback never sees the switch on with the old durations or reference.
    restEnabled = 1;
}

void SignalPlayer::disableRests() {
    restEnabled = 0;
}

void SignalPlayer::chooseGenerator(GeneratorKind kind) {
    if (kind != GeneratorKind::None) {
        generator = kind;
    }
}

bool SignalPlayer::setToneFrequency(std::uint32_t hertz) {
    if (hertz == 0) {
        return false;
    }
    toneFrequency = hertz;
    return true;
}

SweepChoice SignalPlayer::setSweep(std::uint32_t seconds, std::uint32_t limit) {
    if (seconds == 0 || limit == 0) {
        return SweepChoice::NotPositive;
    }
    // The sweep's position within its period is counted in 32-bit frames.
    if (seconds > kMaxSweepSeconds) {
        return SweepChoice::TooLong;
    }
    sweepSeconds = seconds;
    sweepLimit = limit;
    return SweepChoice::Accepted;
}

void SignalPlayer::setDevice(OutputDevice* output) {
    device = output;
}

bool SignalPlayer::outputAvailable() const {
    const OutputDevice* output = device.load();
    return output != nullptr && output->available();
}

BurnInReport SignalPlayer::burnIn() const {
    BurnInReport report;
    // Read before `playing`: the playback thread sets `playing` before it clears this.
    const bool starting = starting_.load();
    if (playing.load() == 0 && starting) {
        // Play was pressed and its thread is on its way: a new playback, nothing heard yet,
        // not the last one's figures.
        report.state = outputAvailable() ? BurnInState::Playing : BurnInState::NoOutput;
        return report;
    }
    if (playing.load() == 0) {
        report.state = everPlayed_.load() ? BurnInState::Stopped : BurnInState::Idle;
        report.heardMs = lastHeardMs_.load();
        return report;
    }
    const OutputDevice* output = device.load();
    const std::uint64_t frames = output != nullptr ? output->heardFrames() : 0;
    const std::uint64_t start = heardAtStart_.load();
    report.heardMs = frames > start ? (frames - start) * 1000 / kSampleRate : 0;
    const std::uint64_t reference = restReference.load();
    const std::uint64_t every = restEveryMinutes.load();
    // The rest is heard once the sound queued before it has played out (within a tenth of a
    // second: the output's count of what waits may not come down to the last frame). The
    // output is asked only during a rest.
    if (resting.load() != 0 && (output == nullptr || output->pendingFrames() < kSampleRate / 10)) {
        report.state = BurnInState::Resting;
        report.nextRestChange = restEndSeconds(reference, every, restLengthMinutes.load());
    } else {
        report.state = outputAvailable() ? BurnInState::Playing : BurnInState::NoOutput;
        report.nextRestChange = restEnabled.load() != 0 ? reference + every * 60 : 0;
    }
    return report;
}

std::uint64_t SignalPlayer::expectedEnd(const BurnInReport& report, std::uint64_t moreMs) const {
    const std::uint64_t now = clock().now();
    std::uint64_t left = (moreMs + 999) / 1000;
    const std::uint64_t every = restEveryMinutes.load() * 60ULL;
    const std::uint64_t rest = restLengthMinutes.load() * 60ULL;
    const bool inRest = report.state == BurnInState::Resting;
    const std::uint64_t before = inRest ? 0 : report.nextRestChange - now;
    if (report.nextRestChange <= now || every == 0 || left <= before) {
        return now + left;  // no rest comes first
    }
    // From the end of the coming (or current) rest on, each period played costs a rest.
    left -= before;
    return report.nextRestChange + (inRest ? 0 : rest) + left + (left - 1) / every * rest;
}

void SignalPlayer::restoreDefaults() {
    stopRequested = 0;
    amplitude = kDefaultAmplitude;
    restEnabled = 0;
    resting = 0;
    volumeChanged = 0;
    restEveryMinutes = kDefaultRestEveryMinutes;
    restLengthMinutes = kDefaultRestLengthMinutes;
    restReference = 0;
    toneFrequency = kDefaultToneFrequency;
    sweepSeconds = kDefaultSweepSeconds;
    sweepLimit = kDefaultSweepLimit;
    generator = GeneratorKind::None;
    wakeEvent.reset();
}

void onWaveOutDone(OutputDevice* /*device*/, BlockHeader* /*header*/) {
    SignalPlayer& player = SignalPlayer::instance;
    if (player.playing.load() != 0) {
        player.wakeEvent.set();
    }
}
