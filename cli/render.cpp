#include "render.h"

#include <cstdio>

#include "engine/clock.h"
#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "output_file.h"

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

// Writes every block the playback queues, then completes it at once. Once enough frames
// are written (or writing failed) it asks the playback to stop, as the Stop button does.
class CaptureDevice final : public OutputDevice {
  public:
    CaptureDevice(FrameWriter& writer, std::uint64_t framesWanted)
        : writer_(writer), framesWanted_(framesWanted) {}

    void prepare(BlockHeader& header) override { header.flags |= kBlockPrepared; }
    void unprepare(BlockHeader& header) override { header.flags &= ~kBlockPrepared; }
    void queue(BlockHeader& header) override {
        if (!failed_ && framesWritten_ < framesWanted_) {
            const std::uint64_t frames = header.length / kBytesPerFrame;
            if (writer_.write(header.data, frames)) {
                framesWritten_ += frames;
            } else {
                failed_ = true;
            }
        }
        if (failed_ || framesWritten_ >= framesWanted_) {
            SignalPlayer::instance.stop();
        }
        header.flags = (header.flags.load() & ~kBlockQueued) | kBlockDone;
        onWaveOutDone(this, &header);
    }
    // Every block was handed back when it was queued.
    void flush() override {}

    bool failed() const { return failed_; }
    std::uint64_t framesWritten() const { return framesWritten_; }

  private:
    FrameWriter& writer_;
    std::uint64_t framesWanted_;
    std::uint64_t framesWritten_ = 0;
    bool failed_ = false;
};

void printError(const std::string& message) {
    std::fprintf(stderr, "vellumtone-cli: %s\n", message.c_str());
}

// Runs one playback of the settings into the device on this thread.
PlaybackEnd playInto(const SignalSettings& signal, CaptureDevice& device, std::uint32_t seed) {
    SignalPlayer& player = SignalPlayer::instance;
    FrozenClock clock(seed);
    PlaybackEnd end = PlaybackEnd::Stopped;
    applySignalSettings(player, signal);
    player.disableRests();
    player.setDevice(&device);
    player.setClock(&clock);
    player.setEndNotice([&end](PlaybackEnd how) { end = how; });
    // The loop runs here rather than on a thread of its own, since nothing else needs this
    // one meanwhile.
    player.playOnThisThread();
    player.setEndNotice(nullptr);
    player.setClock(nullptr);
    player.setDevice(nullptr);
    return end;
}

}  // namespace

int runRender(const Arguments& arguments) {
    const RenderSettings& render = arguments.render;
    const std::uint32_t seed =
        render.seed ? *render.seed : static_cast<std::uint32_t>(systemClock().now());
    const std::uint64_t totalFrames = renderedFrameCount(arguments.signal, render.seconds);

    std::string error;
    std::unique_ptr<OutputFile> file = OutputFile::open(render.output, error);
    if (!file) {
        printError(error);
        return kUsageError;
    }
    std::unique_ptr<FrameWriter> writer = makeFrameWriter(*file, render.format, totalFrames, error);
    if (!writer) {
        printError(error);
        file->abandon();
        return kUsageError;
    }

    // The writer goes before the file is removed: it must not touch a closed descriptor.
    const auto fail = [&](const std::string& message) {
        printError(message);
        writer.reset();
        file->abandon();
        return 1;
    };
    CaptureDevice device(*writer, static_cast<std::uint64_t>(render.seconds) * kFramesPerSecond);
    const PlaybackEnd end = playInto(arguments.signal, device, seed);
    if (end == PlaybackEnd::OutOfMemory) {
        return fail("not enough memory for the blocks of this signal");
    }
    if (device.failed() || !writer->finish()) {
        return fail(writer->error());
    }
    if (device.framesWritten() != totalFrames) {
        return fail("the playback wrote " + std::to_string(device.framesWritten()) +
                    " frames instead of " + std::to_string(totalFrames));
    }
    writer.reset();
    if (!file->commit(error)) {
        printError(error);
        return 1;
    }
    return 0;
}
