// The playback loop, members of SignalPlayer: one playback from Play to Stop, on its own thread.
#include <algorithm>
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
// The device is fed a block in pieces of at most a second, so that a playback's memory is the
// same for every sweep period.
constexpr std::uint32_t kPieceFrames = kFramesPerSecond;

std::uint32_t blockFrameCount(GeneratorKind kind, std::uint32_t sweepSeconds) {
    return kind == GeneratorKind::FrequencySweep ? kFramesPerSecond * sweepSeconds
                                                 : kFramesPerSecond;
}

// When the sound handed to the device so far will all have been heard, in calendar ms.
std::uint64_t heardByMs(Clock& clock, const OutputDevice* out) {
    const std::uint64_t pending = out != nullptr ? out->pendingFrames() : 0;
    return clock.calendarMs() + pending * 1000 / kSampleRate;
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
    notifyChange();

    // The sweep period is fixed for the whole playback; one beyond the limit is refused like
    // an allocation that fails.
    const std::uint32_t sweepPeriod =
        kind == GeneratorKind::FrequencySweep ? sweepSeconds.load() : 1;
    AudioBlock pieces[2];
    const bool allocated = sweepPeriod >= 1 && sweepPeriod <= kMaxSweepSeconds &&
                           pieces[0].allocate(kPieceFrames) && pieces[1].allocate(kPieceFrames);
    if (!allocated) {
        pieces[0].release();
        pieces[1].release();
        wakeEvent.reset();
        playing = 0;
        notifyChange();
        if (endNotice_) {
            endNotice_(PlaybackEnd::OutOfMemory);
        }
        return;
    }
    const std::uint32_t blockFrames = blockFrameCount(kind, sweepPeriod);

    // No suspend from the start of the sound to its end.
    SleepInhibitor inhibitor;
    inhibitor.acquire();
    seedRandom(static_cast<std::uint32_t>(clock.now()));
    double pinkState = 0.0;
    restReference = static_cast<std::uint32_t>(clock.now());
    int turn = 0;
    std::uint32_t offset = 0;      // frames of the current block queued so far
    std::uint32_t blockLimit = 0;  // the sweep limit as the current block started
    // After a volume flush, no new block starts before this calendar ms (0: no pause).
    std::uint64_t pauseEndMs = 0;
    bool pauseFromNextPiece = false;

    for (;;) {
        AudioBlock& piece = pieces[turn];
        BlockHeader& header = piece.header;
        turn ^= 1;

        // Two pieces stay queued: the loop goes on as soon as the device has handed this one
        // back, and never refills a piece it still holds (after a flush one wake-up can be
        // left over, and a rest can end while the piece is still playing).
        while (heldByDevice(piece) && stopRequested.load() == 0) {
            clock.wait(wakeEvent);
        }
        // A Stop whose wake-up came together with the device's, and was taken by the wait
        // above, must not be left for a wake-up that may be a whole piece away.
        if (heldByDevice(piece) || stopRequested.load() != 0) {
            break;
        }
        if (offset == 0 && pauseEndMs != 0) {
            // The pause after a volume change; a Stop ends it at once.
            for (std::uint64_t now = clock.calendarMs();
                 now < pauseEndMs && stopRequested.load() == 0; now = clock.calendarMs()) {
                clock.waitFor(wakeEvent, static_cast<std::uint32_t>(pauseEndMs - now));
            }
            pauseEndMs = 0;
            if (stopRequested.load() != 0) {
                break;
            }
        }
        if (volumeChanged.exchange(0) != 0) {
            // The device was flushed for a new amplitude: the block starts again from its
            // beginning, and the one after it waits for the pause.
            offset = 0;
            pauseFromNextPiece = true;
        }
        if (offset == 0) {
            blockLimit = sweepLimit.load();
        }

        const std::uint32_t frames = std::min(kPieceFrames, blockFrames - offset);
        if (out != nullptr) {
            out->unprepare(header);
        }
        header.data = piece.frames.get();
        header.length = frames * kBytesPerFrame;
        header.loops = 1;
        header.flags = 0;
        fillBlock(kind, piece.frames.get(), frames, pinkState, sweepPeriod, offset, blockLimit);
        if (out != nullptr) {
            out->prepare(header);
            header.flags |= kBlockBeginLoop | kBlockEndLoop;
            out->queue(header);
        }
        if (pauseFromNextPiece) {
            pauseFromNextPiece = false;
            pauseEndMs = clock.calendarMs() + kVolumePauseMs;
        }
        offset = offset + frames == blockFrames ? 0 : offset + frames;

        // Rest check: the play period is over once the sound queued so far ends later than
        // it. The switch is read first: the panel writes it after the durations and reference.
        const bool restOn = restEnabled.load() != 0;
        const std::uint64_t reference = restReference.load();
        const std::uint64_t every = restEveryMinutes.load();
        std::uint64_t nowMs = heardByMs(clock, out);
        if (restOn && nowMs > (reference + every * 60) * 1000) {
            resting = 1;
            notifyChange();
            if (nowMs < restEndSeconds(reference, every, restLengthMinutes.load()) * 1000) {
                while (restEnabled.load() != 0 && stopRequested.load() == 0) {
                    clock.sleepMs(kRestPollMs);
                    nowMs = clock.calendarMs();
                    if (nowMs >= restEndSeconds(restReference.load(), restEveryMinutes.load(),
                                                restLengthMinutes.load()) *
                                     1000) {
                        break;
                    }
                }
            }
            resting = 0;
            restReference = static_cast<std::uint32_t>(nowMs / 1000);
            notifyChange();
            // Like a sweep after a volume change, the sound resumes at a block's beginning.
            offset = 0;
        }
    }

    if (out != nullptr) {
        out->flush();
        // A flush made at the same moment on another thread may still be handing a piece
        // back; the pieces are freed only once the device has let go of both.
        while (heldByDevice(pieces[0]) || heldByDevice(pieces[1])) {
            clock.wait(wakeEvent);
        }
        out->unprepare(pieces[0].header);
        out->unprepare(pieces[1].header);
    }
    pieces[0].release();
    pieces[1].release();
    inhibitor.release();
    wakeEvent.reset();
    // The tally stops here: nothing is heard of this playback after its final flush.
    lastHeardMs_ = burnIn().heardMs;
    playing = 0;
    notifyChange();
    if (endNotice_) {
        endNotice_(PlaybackEnd::Stopped);
    }
}
