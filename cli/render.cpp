#include "render.h"

#include "audio_file.h"
#include "engine/clock.h"
#include "engine/output_device.h"
#include "engine/signal_format.h"
#include "engine/signal_player.h"
#include "stop_signals.h"

// A render is a real playback: the engine's loop seeds the random source, fills block A,
// then B, then A again, carrying the pink filter's state, exactly as when it plays. Only its
// clock and its device are the render's own: the clock stands still at the seed second and
// the device writes each queued block to the file and hands it back at once, so the loop
// runs as fast as it can fill blocks.

namespace {

// Calendar time frozen at one second: the playback seeds from it, and with rests off and
// no volume change the loop never sleeps.
class FrozenClock final : public Clock {
  public:
    explicit FrozenClock(std::uint32_t second) : second_(second) {}
    std::uint64_t now() override { return second_; }
    void sleepMs(std::uint32_t /*ms*/) override {}
    void wait(AutoResetEvent& event) override { event.wait(); }

  private:
    std::uint32_t second_;
};

// Writes every block the playback queues, then completes it at once. Once enough frames are
// written, writing failed or a stop signal came, it stops the playback as Stop does.
class CaptureDevice final : public OutputDevice {
  public:
    CaptureDevice(AudioFile& file, std::int64_t framesWanted)
        : file_(file), framesLeft_(framesWanted) {}

    void prepare(BlockHeader& header) override { header.flags |= kBlockPrepared; }
    void unprepare(BlockHeader& header) override { header.flags &= ~kBlockPrepared; }
    void queue(BlockHeader& header) override {
        const std::uint64_t frames = header.length / kBytesPerFrame;
        if (framesLeft_ > 0 && stopSignal() == 0 && file_.write(header.data, frames)) {
            framesLeft_ -= static_cast<std::int64_t>(frames);
        } else {
            framesLeft_ = 0;  // a failed write or a stop signal: nothing more is written
        }
        if (framesLeft_ <= 0) {
            SignalPlayer::instance.stop();
        }
        header.flags = (header.flags.load() & ~kBlockQueued) | kBlockDone;
        onWaveOutDone(this, &header);
    }
    void flush() override {}  // every block was handed back when it was queued

  private:
    AudioFile& file_;
    std::int64_t framesLeft_;
};

}  // namespace

int runRender(const Arguments& arguments) {
    SignalPlayer& player = SignalPlayer::instance;
    // Whole blocks (one second, or the sweep period) until the seconds are there.
    const std::uint64_t block =
        player.generator == GeneratorKind::FrequencySweep ? player.sweepSeconds.load() : 1;
    const std::uint64_t totalFrames =
        (*arguments.durationSeconds + block - 1) / block * block * kFramesPerSecond;
    // The largest data chunk a WAV file can describe: its RIFF size field must hold it plus
    // the 36 bytes of header that follow that field.
    if (arguments.format == FileFormat::Wav && totalFrames * kBytesPerFrame > 0xFFFFFFFFULL - 36) {
        throw UsageError("--duration " + std::to_string(*arguments.durationSeconds) +
                         " is too long for a WAV file (4 GB at most); use flac or raw");
    }
    AudioFile file(arguments.output, arguments.format, totalFrames);
    CaptureDevice device(file, static_cast<std::int64_t>(totalFrames));
    FrozenClock clock(arguments.seed ? *arguments.seed
                                     : static_cast<std::uint32_t>(systemClock().now()));
    PlaybackEnd end = PlaybackEnd::Stopped;
    player.setDevice(&device);
    player.setClock(&clock);
    player.setEndNotice([&end](PlaybackEnd how) { end = how; });
    // Nothing else needs this thread meanwhile.
    player.playOnThisThread();
    player.setEndNotice(nullptr);
    player.setClock(nullptr);
    player.setDevice(nullptr);
    if (stopSignal() != 0) {
        file.abandon();
        dieOf(stopSignal());
    }
    if (end == PlaybackEnd::OutOfMemory) {
        throw std::runtime_error("not enough memory for the blocks of this signal");
    }
    file.commit();
    return 0;
}
