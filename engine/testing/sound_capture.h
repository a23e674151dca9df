#pragma once
// Records what a PulseAudio sink plays, through `parec`, for the real-audio tests and the
// benchmarks: 44,100 Hz, 16-bit, two channels.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/testing/child_process.h"
#include "engine/testing/reference_signal.h"
#include "engine/testing/test_services.h"

// Raw 16-bit samples as numbers (little-endian, as this machine's).
inline std::vector<std::int16_t> samplesOf(const std::string& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    if (!samples.empty()) {
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    }
    return samples;
}

// A recording's sound from sample `from` on: from the frame before its first sound (a tone's
// first sample is 0) to its last sound, in interleaved samples.
inline std::vector<std::int16_t> sound(const std::vector<std::int16_t>& samples,
                                       std::ptrdiff_t from = 0) {
    const auto loud = [](std::int16_t s) { return s != 0; };
    const auto first = std::find_if(samples.begin() + from, samples.end(), loud) - samples.begin();
    const auto end = std::find_if(samples.rbegin(), samples.rend(), loud).base() - samples.begin();
    return {samples.begin() + std::max(first / 2 * 2 - 2, from),
            samples.begin() + (end + 1) / 2 * 2};
}

// Whether the recording is the start of a playback with these settings (within its first
// block, so that the longest sweep is checked without writing out its hour).
inline bool isSignal(const std::vector<std::int16_t>& heard, const ReferenceSettings& settings) {
    double y = 0.0;
    std::uint64_t state = settings.seed;
    const std::size_t frames = heard.size() / 2;
    const auto expected = frames <= framesOf(settings)
                              ? reference(settings, y, state, static_cast<std::uint32_t>(frames))
                              : referencePlayback(settings, frames);
    return std::equal(heard.begin(), heard.end(), expected.begin());
}

class SoundCapture {
  public:
    // Starts parec on `source` (such as "nullout.monitor") and waits until audio (silent or
    // not) is flowing: an idle sink takes a while to wake up, and whatever plays before that
    // is lost. False if it could not be started or nothing came.
    bool start(const std::string& source) {
        parec_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"parec", "--raw", "--format=s16le", "--rate=44100",
                                     "--channels=2", "--latency-msec=10", "-d", source});
        return parec_->started() && waitForMore(4410);
    }
    // Waits until `count` more frames have arrived than now.
    bool waitForMore(std::size_t count) const {
        const std::size_t target = frames() + count;
        return eventually([&] { return frames() >= target; });
    }
    // Waits until sound (a sample other than 0) arrives after what has arrived until now.
    bool waitForSound() const {
        const auto from = static_cast<std::ptrdiff_t>(2 * frames());
        return eventually([&] {
            const std::vector<std::int16_t> heard = samples();
            return std::any_of(heard.begin() + from, heard.end(),
                               [](std::int16_t s) { return s != 0; });
        });
    }

    std::size_t frames() const { return parec_->output().size() / 4; }
    // Interleaved left, right samples.
    std::vector<std::int16_t> samples() const { return samplesOf(parec_->output()); }

  private:
    std::unique_ptr<ChildProcess> parec_;
};
