// The playback loop, members of SignalPlayer: one playback from Play to Stop, on its own thread.
#include <thread>

#include "audio_block.h"
#include "clock.h"
#include "output_device.h"
#include "random_source.h"
#include "signal_format.h"
#include "signal_player.h"
#include "sleep_inhibitor.h"

namespace {

constexpr std::uint32_t kRestPollMs = 100;
constexpr std::uint32_t kVolumePauseMs = 2000;

std::uint32_t blockFrameCount(GeneratorKind kind, std::uint32_t sweepSeconds) {
    return kind == GeneratorKind::FrequencySweep ? kFramesPerSecond * sweepSeconds
                                                 : kFramesPerSecond;
}

bool heldByDevice(const AudioBlock& block) {
    return (block.header.flags.load() & kBlockQueued) != 0;
}

}  // namespace

void SignalPlayer::startPlayback() {
    std::thread([this] { playbackThread(); }).detach();
}

std::uint32_t SignalPlayer::playbackThread() {
    const GeneratorKind kind = generator.load();
    switch (kind) {
        case GeneratorKind::WhiteNoise:
        case GeneratorKind::PinkNoise:
        case GeneratorKind::PureTone:
        case GeneratorKind::FrequencySweep:
            runPlayback(kind);
            break;
        case GeneratorKind::None:
            // Nothing to play; still tell the front end, so that Play is usable again.
            starting_ = false;
            if (endNotice_) {
                endNotice_(PlaybackEnd::Stopped);
            }
            break;
    }
    return 0;
}

void SignalPlayer::runPlayback(GeneratorKind kind) {
    Clock& clock = this->clock();
    OutputDevice* const out = device.load();
    heardAtStart_ = out != nullptr ? out->heardFrames() : 0;
    lastHeardMs_ = 0;
    everPlayed_ = true;
    playing = 1;
    starting_ = false;
    if (changeNotice_) {
        changeNotice_();
    }

    // The sweep period is fixed for the whole playback. A period the blocks cannot be made
    // for is refused like an allocation that fails.
    const std::uint32_t sweepPeriod =
        kind == GeneratorKind::FrequencySweep ? sweepSeconds.load() : 1;
    AudioBlock blocks[2];
    const bool allocated = sweepPeriod >= 1 && sweepPeriod <= kMaxSweepSeconds &&
                           blocks[0].allocate(blockFrameCount(kind, sweepPeriod)) &&
                           blocks[1].allocate(blockFrameCount(kind, sweepPeriod));
    if (!allocated) {
        blocks[0].release();
        blocks[1].release();
        wakeEvent.reset();
        playing = 0;
        if (endNotice_) {
            endNotice_(PlaybackEnd::OutOfMemory);
        }
        return;
    }

    // No suspend from the start of the sound to its end.
    SleepInhibitor inhibitor;
    inhibitor.acquire();
    seedRandom(static_cast<std::uint32_t>(clock.now()));
    double pinkState = 0.0;
    bool firstPass = true;
    restReference = static_cast<std::uint32_t>(clock.now());
    int turn = 0;

    for (;;) {
        AudioBlock& block = blocks[turn];
        BlockHeader& header = block.header;
        turn ^= 1;

        // Never refill a block the device still holds: after a flush one wake-up can be left
        // over, and a rest can end while the block is still playing.
        while (heldByDevice(block) && stopRequested.load() == 0) {
            clock.wait(wakeEvent);
        }
        // A Stop whose wake-up came together with the device's, and was taken by the wait
        // above, must not be left for a wake-up that may be a whole block away.
        if (heldByDevice(block) || stopRequested.load() != 0) {
            break;
        }

        if (out != nullptr) {
            out->unprepare(header);
        }
        header.data = block.frames.get();
        header.length = block.bytes();
        header.loops = 1;
        header.flags = 0;
        fillBlock(kind, block.frames.get(), block.frameCount, pinkState, sweepPeriod);
        if (out != nullptr) {
            out->prepare(header);
            header.flags |= kBlockBeginLoop | kBlockEndLoop;
            out->queue(header);
        }

        // Rest check: the play period is over once a later second than its end is read.
        // The switch is read first: the panel writes it after the durations and reference.
        const bool restOn = restEnabled.load() != 0;
        std::uint64_t now = clock.now();
        const std::uint64_t reference = restReference.load();
        const std::uint64_t every = restEveryMinutes.load();
        if (restOn && now > reference + every * 60) {
            resting = 1;
            if (now < restEndSeconds(reference, every, restLengthMinutes.load())) {
                while (restEnabled.load() != 0 && stopRequested.load() == 0) {
                    clock.sleepMs(kRestPollMs);
                    now = clock.now();
                    if (now >= restEndSeconds(restReference.load(), restEveryMinutes.load(),
                                              restLengthMinutes.load())) {
                        break;
                    }
                }
            }
            resting = 0;
            restReference = static_cast<std::uint32_t>(now);
            firstPass = false;
            continue;
        }

        if (firstPass) {
            // Queue the second block behind the first without waiting.
            firstPass = false;
            continue;
        }
        if (volumeChanged.load() != 0) {
            // The device was flushed for a new amplitude: one block is queued, then a pause.
            volumeChanged = 0;
            clock.sleepMs(kVolumePauseMs);
            if (stopRequested.load() != 0) {
                break;
            }
            continue;
        }
        clock.wait(wakeEvent);
        if (stopRequested.load() != 0) {
            break;
        }
    }

    if (out != nullptr) {
        out->flush();
        // A flush made at the same moment on another thread may still be handing a block
        // back; the blocks are freed only once the device has let go of both.
        while (heldByDevice(blocks[0]) || heldByDevice(blocks[1])) {
            clock.wait(wakeEvent);
        }
        out->unprepare(blocks[0].header);
        out->unprepare(blocks[1].header);
    }
    blocks[0].release();
    blocks[1].release();
    inhibitor.release();
    wakeEvent.reset();
    lastHeardMs_ = burnIn().heardMs;
    playing = 0;
    if (changeNotice_) {
        changeNotice_();
    }
    if (endNotice_) {
        endNotice_(PlaybackEnd::Stopped);
    }
}
