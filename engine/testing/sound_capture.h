#pragma once
// Records what a PulseAudio sink plays, through `parec`, for the real-audio tests and the
// benchmarks: 44,100 Hz, 16-bit, two channels, with the time each piece of it arrived.

#include <csignal>

#include <cstring>
#include <memory>

#include "engine/testing/child_process.h"

class SoundCapture {
  public:
    using Clock = ChildProcess::Clock;

    // Starts parec on `source` (such as the default sink's name + ".monitor"). False if it
    // could not be started.
    bool start(const std::string& source) {
        parec_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"parec", "--raw", "--format=s16le", "--rate=44100",
                                     "--channels=2", "--latency-msec=10", "-d", source});
        return parec_->started();
    }
    // Waits until audio (silent or not) is flowing: an idle sink takes a while to wake up,
    // and whatever plays before that is lost.
    bool waitUntilFlowing(std::chrono::milliseconds limit) { return waitForFrames(4410, limit); }
    // Waits until `count` more frames have arrived than now.
    bool waitForMore(std::size_t count, std::chrono::milliseconds limit) {
        return waitForFrames(frames() + count, limit);
    }
    void stop() {
        parec_->signal(SIGTERM);
        parec_->wait();
    }

    std::size_t frames() const { return parec_->outputSize() / 4; }
    // Interleaved left, right samples (little-endian, as this machine's).
    std::vector<std::int16_t> samples() const {
        const std::string bytes = parec_->output();
        std::vector<std::int16_t> samples(bytes.size() / 4 * 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }
    // When each read from parec returned, and how many bytes (4 a frame) had arrived by then.
    std::vector<ChildProcess::Arrival> arrivals() const { return parec_->arrivals(); }

  private:
    bool waitForFrames(std::size_t target, std::chrono::milliseconds limit) const {
        for (const auto end = Clock::now() + limit; frames() < target;) {
            if (Clock::now() >= end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    std::unique_ptr<ChildProcess> parec_;
};

// The monitor source of the server's default sink, such as "nullout.monitor"; empty when
// no server answers.
inline std::string defaultSinkMonitor() {
    std::string name = runProgram({"pactl", "get-default-sink"}).value_or("");
    return name.empty() ? name : name.substr(0, name.find('\n')) + ".monitor";
}
