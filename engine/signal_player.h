#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

#include "auto_reset_event.h"
#include "burn_in_report.h"

class Clock;
class OutputDevice;
struct BlockHeader;

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
    OutOfMemory,  // its two pieces could not be allocated; nothing was played
};

// What Play did.
enum class PlayOutcome {
    Started,
    AlreadyPlaying,  // a playback runs or is starting: nothing happened
    NoGenerator,     // none chosen yet: nothing starts
};

// Whether a sweep setting was taken.
enum class SweepChoice {
    Accepted,
    NotPositive,  // the period or the limit is 0
    TooLong,      // the period is longer than kMaxSweepSeconds
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
//
// Front ends read the fields for display and change them only through the operations below,
// which keep the player's rules in one place.
class SignalPlayer {
  public:
    static SignalPlayer instance;

    static constexpr std::uint16_t kDefaultAmplitude = 40000;
    static constexpr std::uint32_t kDefaultRestEveryMinutes = 120;
    static constexpr std::uint32_t kDefaultRestLengthMinutes = 30;
    static constexpr std::uint32_t kDefaultToneFrequency = 1000;
    static constexpr std::uint32_t kDefaultSweepSeconds = 2;
    static constexpr std::uint32_t kDefaultSweepLimit = 2000;
    // The volume slider's range; the amplitude is twice its position.
    static constexpr std::uint32_t kMaxVolumePosition = 32767;

    SignalPlayer(const SignalPlayer&) = delete;
    SignalPlayer& operator=(const SignalPlayer&) = delete;

    std::atomic<std::uint8_t> playing{0};
    AutoResetEvent wakeEvent{AutoResetEvent::kPlaybackEventName};
    std::atomic<std::uint8_t> stopRequested;
    std::atomic<std::uint16_t> amplitude{kDefaultAmplitude};
    std::atomic<std::uint8_t> restEnabled{0};
    std::atomic<std::uint8_t> resting{0};
    std::atomic<std::uint8_t> volumeChanged{0};
    std::atomic<std::uint32_t> restEveryMinutes{kDefaultRestEveryMinutes};
    std::atomic<std::uint32_t> restLengthMinutes{kDefaultRestLengthMinutes};
    std::atomic<std::uint32_t> restReference;
    std::atomic<OutputDevice*> device{nullptr};
    std::atomic<std::uint32_t> toneFrequency{kDefaultToneFrequency};
    std::atomic<std::uint32_t> sweepSeconds{kDefaultSweepSeconds};
    std::atomic<std::uint32_t> sweepLimit{kDefaultSweepLimit};
    std::atomic<GeneratorKind> generator{GeneratorKind::None};

    // Play: clears the request flags and the wake-up, then starts a playback of `generator`
    // on a thread of its own. Refused while a playback runs or is starting.
    PlayOutcome play();
    // The same, but the playback runs on the calling thread and has ended when it returns.
    PlayOutcome playOnThisThread();
    // Stop: asks the running playback to end; false (nothing done) when none runs.
    bool stop();
    // The volume slider: the amplitude is twice the position (at most kMaxVolumePosition).
    // While a playback plays (not rests) a new amplitude flushes the queued sound, which
    // resumes at it after a pause; the same amplitude again changes nothing. True if flushed.
    bool setVolumePosition(std::uint32_t position);
    bool setAmplitude(std::uint16_t value);
    // Switches rest periods on, counting the play period from now. A duration without a
    // value keeps the one the player has.
    void enableRests(std::optional<std::uint32_t> everyMinutes,
                     std::optional<std::uint32_t> lengthMinutes);
    void disableRests();
    // The generator the next Play starts; there is no going back to None.
    void chooseGenerator(GeneratorKind kind);
    // False, storing nothing, for 0 Hz.
    bool setToneFrequency(std::uint32_t hertz);
    // Both values or neither are stored.
    SweepChoice setSweep(std::uint32_t seconds, std::uint32_t limit);
    // The output device the playbacks use; null for none.
    void setDevice(OutputDevice* output);
    // False while there is no device or it has lost the sound system.
    bool outputAvailable() const;
    // The burn-in's tally and state: what was heard of the current or last playback, and
    // when the next rest starts or ends. Any thread may ask.
    BurnInReport burnIn() const;
    // The calendar second by which `moreMs` more will have been heard, if the playback that
    // `report` tells of plays on from now with the rests as they are and its output stays.
    std::uint64_t expectedEnd(const BurnInReport& report, std::uint64_t moreMs) const;
    // Called on an engine thread whenever the burn-in's state changes (a playback starts or
    // ends, a rest starts or ends); set while nothing plays. The output's coming and going is
    // not announced: a front end that shows it asks burnIn() now and then.
    void setChangeNotice(std::function<void()> notice) { changeNotice_ = std::move(notice); }
    // Back to the state at start-up, for tests; only while nothing plays.
    void restoreDefaults();

    // Writes every frame of a block, or of a piece of one, with the generator's signal.
    // pinkState is the pink filter's state y, carried from block to block; sweepSeconds is the
    // sweep period S as it stood when the playback started. A sweep block is written in
    // pieces: `offset` is the piece's first frame within the block, `limit` the sweep limit
    // the block started with (none: the current one).
    void fillBlock(GeneratorKind kind, std::int16_t* frames, std::uint32_t frameCount,
                   double& pinkState, std::uint32_t sweepSeconds, std::uint32_t offset = 0,
                   std::optional<std::uint32_t> limit = std::nullopt) const;
    void fillWhiteNoise(std::int16_t* frames, std::uint32_t frameCount) const;
    void fillPinkNoise(std::int16_t* frames, std::uint32_t frameCount, double& y) const;
    void fillPureTone(std::int16_t* frames, std::uint32_t frameCount) const;
    void fillSweep(std::int16_t* frames, std::uint32_t frameCount, std::uint32_t sweepSeconds,
                   std::uint32_t offset = 0,
                   std::optional<std::uint32_t> limit = std::nullopt) const;

    // Starts a playback of `generator` on a detached thread and returns at once.
    void startPlayback();
    // The playback thread's body: reads `generator` once and runs it.
    std::uint32_t playbackThread();
    // Runs one playback until it is stopped.
    void runPlayback(GeneratorKind kind);

    // Set while no playback runs. A null clock means the system clock.
    void setClock(Clock* clock) { clock_ = clock; }
    // The clock the playbacks run on; front ends read calendar time from it too.
    Clock& clock() const;
    // Called on the playback thread after `playing` has been cleared at the end of every
    // playback; a front end hands it over to its own thread.
    void setEndNotice(std::function<void(PlaybackEnd)> notice) { endNotice_ = std::move(notice); }

  private:
    SignalPlayer() = default;
    PlayOutcome prepareToPlay();
    void notifyChange() const {
        if (changeNotice_) {
            changeNotice_();
        }
    }

    // Set by Play until the playback thread has set `playing`, so that two quick Plays never
    // start two playbacks.
    std::atomic<bool> starting_{false};
    Clock* clock_ = nullptr;
    std::function<void(PlaybackEnd)> endNotice_;
    std::function<void()> changeNotice_;
    // The device's heard frames when the current playback started, and what the last
    // playback heard in all.
    std::atomic<std::uint64_t> heardAtStart_{0};
    std::atomic<std::uint64_t> lastHeardMs_{0};
    std::atomic<bool> everPlayed_{false};
};

static_assert(std::atomic<std::uint8_t>::is_always_lock_free);
static_assert(std::atomic<std::uint16_t>::is_always_lock_free);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
static_assert(std::atomic<GeneratorKind>::is_always_lock_free);
static_assert(std::atomic<OutputDevice*>::is_always_lock_free);
static_assert(sizeof(std::atomic<std::uint8_t>) == 1 && sizeof(std::atomic<std::uint16_t>) == 2 &&
              sizeof(std::atomic<std::uint32_t>) == 4 && sizeof(std::atomic<GeneratorKind>) == 4);

// The completion callback of the player's device, on the audio system's thread (or the one
// that flushed): wakes the playback while one runs, and does nothing else.
void onWaveOutDone(OutputDevice* device, BlockHeader* header);
