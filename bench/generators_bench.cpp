// How fast each generator fills a block, in seconds of audio per CPU second, next to a plain
// scalar loop of the same formulas written inline here, so that one run gives the ratio of
// the engine to that baseline.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/random_source.h"
#include "engine/signal_format.h"
#include "engine/signal_player.h"

namespace {

constexpr std::uint32_t kSweepSeconds = 2;

SignalPlayer& player = SignalPlayer::instance;

void reportAudioRate(benchmark::State& state, double secondsPerBlock) {
    state.counters["audio_s_per_cpu_s"] =
        benchmark::Counter(secondsPerBlock, benchmark::Counter::kIsIterationInvariantRate);
}

void runEngine(benchmark::State& state, GeneratorKind kind, std::uint32_t seconds) {
    player.restoreDefaults();
    seedRandom(1);
    const std::uint32_t frameCount = kFramesPerSecond * seconds;
    std::vector<std::int16_t> frames(2 * static_cast<std::size_t>(frameCount));
    double pink = 0.0;
    for (auto _ : state) {
        player.fillBlock(kind, frames.data(), frameCount, pink, seconds);
        benchmark::DoNotOptimize(frames.data());
        benchmark::ClobberMemory();
    }
    reportAudioRate(state, seconds);
}

void BM_EngineWhiteNoise(benchmark::State& state) {
    runEngine(state, GeneratorKind::WhiteNoise, 1);
}
void BM_EnginePinkNoise(benchmark::State& state) {
    runEngine(state, GeneratorKind::PinkNoise, 1);
}
void BM_EnginePureTone1000Hz(benchmark::State& state) {
    runEngine(state, GeneratorKind::PureTone, 1);
}
void BM_EngineSweepS2(benchmark::State& state) {
    runEngine(state, GeneratorKind::FrequencySweep, kSweepSeconds);
}

// The baseline: plain globals and one scalar loop per generator. The amplitude is read for
// every sample, as in the engine; volatile, since nothing here writes it and the compiler
// would otherwise hoist it out of the loop.
// The tone's and the sweep's settings are read once per block, as run-time values: volatile
// too, so that the compiler cannot fold them (and turn the division by S into a
// multiplication).
std::uint32_t plainState = 1;
volatile std::uint16_t plainAmplitude = 40000;
volatile double plainToneFrequency = 1000.0;
volatile double plainSweepLimit = 2000.0;
volatile double plainSweepSeconds = kSweepSeconds;

inline std::uint32_t plainRandom() {
    plainState = plainState * 214013U + 2531011U;
    return (plainState >> 16) & 0x7FFFU;
}

void plainWhite(std::int16_t* out, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t a = plainAmplitude;
        const int s = a == 0 ? 0 : static_cast<int>((2 * plainRandom()) % a) - (a >> 1);
        out[2 * i] = out[2 * i + 1] = static_cast<std::int16_t>(s);
    }
}

void plainPink(std::int16_t* out, std::uint32_t count, double& y) {
    for (std::uint32_t i = 0; i < count; ++i) {
        y = (plainRandom() * kUnitScale) * 0.0625 + y * 0.9375;
        const std::uint32_t a = plainAmplitude;
        out[2 * i] = out[2 * i + 1] = static_cast<std::int16_t>(static_cast<int>(a * y - (a >> 1)));
    }
}

void plainTone(std::int16_t* out, std::uint32_t count, double f) {
    std::uint32_t i = 0;
    for (double n = 0.0; n < count; n += 1.0, ++i) {
        out[2 * i] = out[2 * i + 1] = static_cast<std::int16_t>(static_cast<int>(
            std::sin(n * kPhaseStep * f) * static_cast<double>(plainAmplitude) * 0.5));
    }
}

void plainSweep(std::int16_t* out, std::uint32_t count, double limit, double s) {
    std::uint32_t i = 0;
    for (double n = 0.0; n < count; n += 1.0, ++i) {
        const double v = std::sin(std::sin(n * kPhaseStep / s) * s * limit);
        out[2 * i] = out[2 * i + 1] = static_cast<std::int16_t>(
            static_cast<int>(v * static_cast<double>(plainAmplitude) * 0.5));
    }
}

// A baseline only means something if it computes what the engine does: one block of each,
// from the same random state, must match sample for sample before the timing starts.
template <typename Fill>
bool sameAsEngine(GeneratorKind kind, std::uint32_t seconds, Fill fill) {
    const std::uint32_t frameCount = kFramesPerSecond * seconds;
    std::vector<std::int16_t> engine(2 * static_cast<std::size_t>(frameCount));
    std::vector<std::int16_t> plain(engine.size());
    player.setAmplitude(plainAmplitude);
    player.setToneFrequency(static_cast<std::uint32_t>(plainToneFrequency));
    player.setSweep(SignalPlayer::kDefaultSweepSeconds,
                    static_cast<std::uint32_t>(plainSweepLimit));
    seedRandom(7);
    double engineY = 0.0;
    player.fillBlock(kind, engine.data(), frameCount, engineY, seconds);
    plainState = 7;
    double plainY = 0.0;
    fill(plain.data(), frameCount, plainY);
    return engine == plain;
}

template <typename Fill>
void runBaseline(benchmark::State& state, GeneratorKind kind, std::uint32_t seconds, Fill fill) {
    if (!sameAsEngine(kind, seconds, fill)) {
        state.SkipWithError("the baseline's samples differ from the engine's");
        return;
    }
    const std::uint32_t frameCount = kFramesPerSecond * seconds;
    std::vector<std::int16_t> frames(2 * static_cast<std::size_t>(frameCount));
    double y = 0.0;
    for (auto _ : state) {
        fill(frames.data(), frameCount, y);
        benchmark::DoNotOptimize(frames.data());
        benchmark::ClobberMemory();
    }
    reportAudioRate(state, seconds);
}

void BM_BaselineWhiteNoise(benchmark::State& state) {
    runBaseline(state, GeneratorKind::WhiteNoise, 1,
                [](std::int16_t* out, std::uint32_t count, double&) { plainWhite(out, count); });
}
void BM_BaselinePinkNoise(benchmark::State& state) {
    runBaseline(state, GeneratorKind::PinkNoise, 1, plainPink);
}
void BM_BaselinePureTone1000Hz(benchmark::State& state) {
    runBaseline(state, GeneratorKind::PureTone, 1,
                [](std::int16_t* out, std::uint32_t count, double&) {
                    plainTone(out, count, plainToneFrequency);
                });
}
void BM_BaselineSweepS2(benchmark::State& state) {
    runBaseline(state, GeneratorKind::FrequencySweep, kSweepSeconds,
                [](std::int16_t* out, std::uint32_t count, double&) {
                    plainSweep(out, count, plainSweepLimit, plainSweepSeconds);
                });
}

}  // namespace

BENCHMARK(BM_EngineWhiteNoise);
BENCHMARK(BM_BaselineWhiteNoise);
BENCHMARK(BM_EnginePinkNoise);
BENCHMARK(BM_BaselinePinkNoise);
BENCHMARK(BM_EnginePureTone1000Hz);
BENCHMARK(BM_BaselinePureTone1000Hz);
BENCHMARK(BM_EngineSweepS2);
BENCHMARK(BM_BaselineSweepS2);
