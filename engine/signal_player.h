#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "auto_reset_event.h"
#include "generators.h"

class Clock;
class OutputDevice;

enum class GeneratorKind : std::uint32_t {
    None = 0,
    WhiteNoise = 1,
    PinkNoise = 2,
    PureTone = 3,
    FrequencySweep = 4,
};

// How a playback ended, as told to the front end's end notice.
enum class PlaybackEnd {
    Stopped,      // the user stopped it (or it had no generator to play)
    OutOfMemory,  // its two blocks could not be allocated; nothing was played
};

// When a rest ends, in calendar seconds: the play period and the rest both count from the
// reference. 64-bit, so that even the largest durations a rest field can hold never wrap
// around into an early rest.
inline std::uint64_t restEndSeconds(std::uint64_t reference, std::uint64_t everyMinutes,
                                    std::uint64_t lengthMinutes) {
    return reference + (everyMinutes + lengthMinutes) * 60;
}

// The settings, the run-time flags of the current playback, the output device and the event
// that wakes the playback thread. The user interface, the playback thread and the audio
// callback share it without locks: every shared field is a lock-free atomic of its own
// width, so each read sees a whole value. There is exactly one, SignalPlayer::instance.
class SignalPlayer {
  public:
    static SignalPlayer instance;

    SignalPlayer(const SignalPlayer&) = delete;
    SignalPlayer& operator=(const SignalPlayer&) = delete;

    std::atomic<std::uint8_t> playing{0};
    AutoResetEvent wakeEvent;
    std::atomic<std::uint8_t> stopRequested;
    std::atomic<std::uint16_t> amplitude{40000};
    std::atomic<std::uint8_t> restEnabled{0};
    std::atomic<std::uint8_t> resting{0};
    std::atomic<std::uint8_t> volumeChanged{0};
    std::atomic<std::uint32_t> restEveryMinutes{120};
    std::atomic<std::uint32_t> restLengthMinutes{30};
    std::atomic<std::uint32_t> restReference;
    std::atomic<OutputDevice*> device{nullptr};
    std::atomic<std::uint32_t> toneFrequency{1000};
    std::atomic<std::uint32_t> sweepSeconds{2};
    std::atomic<std::uint32_t> sweepLimit{2000};
    std::atomic<GeneratorKind> generator{GeneratorKind::None};

    // Writes every frame of a block with the generator's signal. pinkState is the pink
    // filter's state y, carried from block to block; sweepSeconds is the sweep period S as it
    // stood when the playback started.
    void fillBlock(GeneratorKind kind, std::int16_t* frames, std::uint32_t frameCount,
                   double& pinkState, std::uint32_t sweepSeconds) const;
    void fillWhiteNoise(std::int16_t* frames, std::uint32_t frameCount) const;
    void fillPinkNoise(std::int16_t* frames, std::uint32_t frameCount, double& y) const;
    void fillPureTone(std::int16_t* frames, std::uint32_t frameCount) const;
    void fillSweep(std::int16_t* frames, std::uint32_t frameCount,
                   std::uint32_t sweepSeconds) const;

    // Starts a playback of `generator` on a detached thread and returns at once.
    void startPlayback();
    // The playback thread's body: reads `generator` once and runs it.
    std::uint32_t playbackThread();
    // Runs one playback until it is stopped.
    void runPlayback(GeneratorKind kind);

    // False while the device has lost the sound server.
    bool outputAvailable() const;

    // Set while no playback runs. A null clock means the system clock.
    void setClock(Clock* clock) { clock_ = clock; }
    // The clock the playbacks run on; front ends read calendar time from it too.
    Clock& clock() const;
    // Called on the playback thread after `playing` has been cleared at the end of every
    // playback; a front end hands it over to its own thread.
    void setEndNotice(std::function<void(PlaybackEnd)> notice) { endNotice_ = std::move(notice); }

  private:
    SignalPlayer() = default;

    Clock* clock_ = nullptr;
    std::function<void(PlaybackEnd)> endNotice_;
};

static_assert(std::atomic<std::uint8_t>::is_always_lock_free);
static_assert(std::atomic<std::uint16_t>::is_always_lock_free);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
static_assert(std::atomic<GeneratorKind>::is_always_lock_free);
static_assert(std::atomic<OutputDevice*>::is_always_lock_free);
static_assert(sizeof(std::atomic<std::uint8_t>) == 1 && sizeof(std::atomic<std::uint16_t>) == 2 &&
              sizeof(std::atomic<std::uint32_t>) == 4 && sizeof(std::atomic<GeneratorKind>) == 4);
