// The four generators and the random source, checked against values worked out
// independently: a reference written here from the formulas (in other words and other
// arithmetic), hand-derived samples, and properties of the signals themselves.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <future>
#include <map>
#include <numbers>
#include <vector>

#include "engine/random_source.h"
#include "engine/signal_format.h"
#include "engine/signal_player.h"
#include "engine/testing/test_output_device.h"
#include "engine/testing/virtual_clock.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

// The random source in 64-bit arithmetic with an explicit modulus.
class ReferenceRandom {
  public:
    explicit ReferenceRandom(std::uint32_t seed) : state_(seed) {}
    int next() {
        state_ = (state_ * 214013 + 2531011) % 4294967296;
        return static_cast<int>(state_ / 65536 % 32768);
    }

  private:
    std::uint64_t state_;
};

// Rounds toward zero and keeps the low 16 bits, as a signed sample.
int truncatedSample(double value) {
    const long long whole = static_cast<long long>(std::trunc(value));
    const long long low = ((whole % 65536) + 65536) % 65536;
    return static_cast<int>(low >= 32768 ? low - 65536 : low);
}

struct Settings {
    GeneratorKind kind = GeneratorKind::WhiteNoise;
    std::uint16_t amplitude = 40000;
    std::uint32_t toneFrequency = 1000;
    std::uint32_t sweepLimit = 2000;
    std::uint32_t sweepSeconds = 2;
    std::uint32_t seed = 1;
};

std::uint32_t framesOf(const Settings& s) {
    return s.kind == GeneratorKind::FrequencySweep ? kFramesPerSecond * s.sweepSeconds
                                                   : kFramesPerSecond;
}

// The first `count` samples of a block, as the formulas
// give them, starting from the pink filter state `y`.
std::vector<int> reference(const Settings& s, double& y, ReferenceRandom& random,
                           std::uint32_t count) {
    const double a = s.amplitude;
    const double half = static_cast<double>(s.amplitude >> 1);  // h, the integer half of A
    const double step = 2 * std::numbers::pi / 44100;
    std::vector<int> out;
    for (std::uint32_t n = 0; n < count; ++n) {
        switch (s.kind) {
            case GeneratorKind::WhiteNoise:
                out.push_back(s.amplitude == 0 ? 0
                                               : static_cast<int>(2 * random.next() % s.amplitude) -
                                                     static_cast<int>(half));
                break;
            case GeneratorKind::PinkNoise:
                y = 0.9375 * y + 0.0625 * ((1.0 / 32767) * random.next());
                out.push_back(truncatedSample(y * a - half));
                break;
            case GeneratorKind::PureTone:
                out.push_back(truncatedSample(0.5 * (a * std::sin(s.toneFrequency * (step * n)))));
                break;
            case GeneratorKind::FrequencySweep: {
                const double period = s.sweepSeconds;
                const double phase = s.sweepLimit * (period * std::sin((step * n) / period));
                out.push_back(truncatedSample(0.5 * (a * std::sin(phase))));
                break;
            }
            case GeneratorKind::None:
                out.push_back(0);
                break;
        }
    }
    return out;
}

std::vector<int> reference(const Settings& s) {
    double y = 0.0;
    ReferenceRandom random(s.seed);
    return reference(s, y, random, framesOf(s));
}

void applySettings(const Settings& s) {
    player.amplitude = s.amplitude;
    player.toneFrequency = s.toneFrequency;
    player.sweepLimit = s.sweepLimit;
}

// Fills `count` frames with the engine; every frame must hold the same sample left and
// right, and the mono samples are returned.
std::vector<int> generate(const Settings& s, double& pinkState, std::uint32_t count) {
    applySettings(s);
    std::vector<std::int16_t> frames(2 * static_cast<std::size_t>(count), 0x5A5A);
    player.fillBlock(s.kind, frames.data(), count, pinkState, s.sweepSeconds);
    std::vector<int> mono(count);
    std::size_t unequal = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t left = 2 * static_cast<std::size_t>(i);
        mono[i] = frames[left];
        unequal += frames[left] != frames[left + 1];
    }
    EXPECT_EQ(unequal, 0U) << "frames whose left and right samples differ";
    return mono;
}

std::vector<int> generate(const Settings& s) {
    seedRandom(s.seed);
    double y = 0.0;
    return generate(s, y, framesOf(s));
}

std::size_t firstMismatch(const std::vector<int>& a, const std::vector<int>& b) {
    return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin());
}

TEST(RandomSource, FollowsTheLinearCongruentialSequence) {
    // Worked out by hand from state x 214013 + 2531011: seed 1 gives the state 2745024,
    // then 1210316419, ...; bits 16 to 30 of each.
    seedRandom(1);
    for (int expected : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}) {
        EXPECT_EQ(nextRandom(), static_cast<std::uint32_t>(expected));
    }
    seedRandom(0);
    for (int expected : {38, 7719, 21238, 2437, 8855}) {
        EXPECT_EQ(nextRandom(), static_cast<std::uint32_t>(expected));
    }
    for (std::uint32_t seed : {0xDEADBEEFU, 0xFFFFFFFFU, 1'700'000'000U}) {
        seedRandom(seed);
        ReferenceRandom ref(seed);
        for (int i = 0; i < 100'000; ++i) {
            ASSERT_EQ(nextRandom(), static_cast<std::uint32_t>(ref.next())) << seed << " " << i;
        }
    }
}

TEST(Generators, FirstSamplesMatchHandDerivedValues) {
    // Amplitude 40000 throughout, worked out on paper (r from seed 1: 41, 18467, 6334, ...):
    // white 2r mod 40000 - 20000; pink 40000 y - 20000 with y = r/32767/16 + 15/16 y; the tone
    // 20000 sin(2 pi 1000 n / 44100); the sweep 20000 sin(4000 sin(pi n / 44100)).
    struct Case {
        GeneratorKind kind;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {GeneratorKind::WhiteNoise, {-19918, 16934, -7332, -7000, 18338, 11448}},
        {GeneratorKind::PinkNoise, {-19996, -18588, -18193, -16284, -15053, -14163}},
        {GeneratorKind::PureTone, {0, 2839, 5622, 8290, 10791, 13072}},
        {GeneratorKind::FrequencySweep, {0, 5622, 10791, 15089, 18171, 19787}},
    };
    for (const Case& c : cases) {
        Settings s{.kind = c.kind};
        const std::vector<int> samples = generate(s);
        EXPECT_EQ(std::vector<int>(samples.begin(), samples.begin() + 6), c.expected)
            << static_cast<int>(c.kind);
    }
}

TEST(Generators, WholeBlocksMatchTheReference) {
    using K = GeneratorKind;
    const Settings cases[] = {
        {.kind = K::WhiteNoise},
        {.kind = K::WhiteNoise, .amplitude = 65534, .seed = 0xDEADBEEF},
        {.kind = K::WhiteNoise, .amplitude = 12345, .seed = 77},
        {.kind = K::WhiteNoise, .amplitude = 1},
        {.kind = K::WhiteNoise, .amplitude = 65535, .seed = 5},
        {.kind = K::PinkNoise},
        {.kind = K::PinkNoise, .amplitude = 65534, .seed = 0xFFFFFFFF},
        {.kind = K::PinkNoise, .amplitude = 3, .seed = 9},
        {.kind = K::PureTone},
        {.kind = K::PureTone, .amplitude = 65534, .toneFrequency = 440},
        {.kind = K::PureTone, .amplitude = 999, .toneFrequency = 1},
        {.kind = K::PureTone, .toneFrequency = 22050},
        {.kind = K::PureTone, .toneFrequency = 123457},
        {.kind = K::PureTone, .amplitude = 65535, .toneFrequency = 4294967295},
        {.kind = K::FrequencySweep},
        {.kind = K::FrequencySweep, .amplitude = 65534, .sweepLimit = 20000, .sweepSeconds = 1},
        {.kind = K::FrequencySweep, .amplitude = 7, .sweepLimit = 50, .sweepSeconds = 3},
        {.kind = K::FrequencySweep, .amplitude = 65534, .sweepLimit = 20000, .sweepSeconds = 3},
        {.kind = K::FrequencySweep, .amplitude = 65534, .sweepLimit = 12345, .sweepSeconds = 7},
        {.kind = K::FrequencySweep, .sweepLimit = 4294967295, .sweepSeconds = 1},
        {.kind = K::FrequencySweep,
         .amplitude = 65534,
         .sweepLimit = 4294967295,
         .sweepSeconds = 3},
    };
    for (const Settings& s : cases) {
        double referenceY = 0.0;
        ReferenceRandom random(s.seed);
        const std::vector<int> expected = reference(s, referenceY, random, framesOf(s));
        seedRandom(s.seed);
        double y = 0.0;
        const std::vector<int> actual = generate(s, y, framesOf(s));
        ASSERT_EQ(actual.size(), expected.size());
        // The pink filter state to the last bit, where a rounding difference too small to
        // change a 16-bit sample still shows.
        EXPECT_EQ(y, referenceY);
        const std::size_t at = firstMismatch(actual, expected);
        EXPECT_EQ(at, actual.size())
            << "kind " << static_cast<int>(s.kind) << " amplitude " << s.amplitude << " tone "
            << s.toneFrequency << " limit " << s.sweepLimit << " S " << s.sweepSeconds << ": frame "
            << at << " is " << actual[at] << ", expected " << expected[at];
    }
}

TEST(Generators, AmplitudeZeroIsSilenceAndOnlyPinkNoiseDraws) {
    constexpr std::uint32_t kSeed = 4242;
    for (GeneratorKind kind : {GeneratorKind::WhiteNoise, GeneratorKind::PinkNoise,
                               GeneratorKind::PureTone, GeneratorKind::FrequencySweep}) {
        const Settings s{.kind = kind, .amplitude = 0, .seed = kSeed};
        seedRandom(kSeed);
        double y = 0.0;
        const std::vector<int> samples = generate(s, y, framesOf(s));
        EXPECT_EQ(std::count(samples.begin(), samples.end(), 0),
                  static_cast<std::ptrdiff_t>(samples.size()))
            << static_cast<int>(kind);

        // Where the random source stands now: untouched, or one draw further per sample.
        ReferenceRandom ref(kSeed);
        double refY = 0.0;
        if (kind == GeneratorKind::PinkNoise) {
            for (std::uint32_t i = 0; i < kFramesPerSecond; ++i) {
                refY = 0.9375 * refY + 0.0625 * ((1.0 / 32767) * ref.next());
            }
        }
        EXPECT_EQ(nextRandom(), static_cast<std::uint32_t>(ref.next())) << static_cast<int>(kind);
        // The pink filter keeps running while silent.
        EXPECT_EQ(y, refY) << static_cast<int>(kind);
    }
}

TEST(Generators, NoGeneratorAndAZeroSweepPeriodWriteSilence) {
    double y = 0.0;
    const std::vector<int> none = generate({.kind = GeneratorKind::None}, y, 1000);
    EXPECT_EQ(std::count(none.begin(), none.end(), 0), 1000);
    const std::vector<int> sweep =
        generate({.kind = GeneratorKind::FrequencySweep, .sweepSeconds = 0}, y, 1000);
    EXPECT_EQ(std::count(sweep.begin(), sweep.end(), 0), 1000);
}

struct Histogram {
    std::map<int, int> counts;
    explicit Histogram(const std::vector<int>& samples) {
        for (int v : samples) {
            ++counts[v];
        }
    }
    int min() const { return counts.begin()->first; }
    int max() const { return counts.rbegin()->first; }
    int withParity(int parity) const {
        int n = 0;
        for (const auto& [value, count] : counts) {
            n += (value & 1) == parity ? count : 0;
        }
        return n;
    }
};

// Ten blocks of white noise in a row.
std::vector<int> whiteNoiseRun(std::uint16_t amplitude) {
    seedRandom(2024);
    std::vector<int> all;
    for (int block = 0; block < 10; ++block) {
        double y = 0.0;
        const std::vector<int> samples = generate(
            {.kind = GeneratorKind::WhiteNoise, .amplitude = amplitude}, y, kFramesPerSecond);
        all.insert(all.end(), samples.begin(), samples.end());
    }
    return all;
}

TEST(WhiteNoise, FullAmplitudeTakesOnlyOddValuesFromMinus32767To32765) {
    const Histogram h(whiteNoiseRun(65534));
    EXPECT_EQ(h.min(), -32767);
    EXPECT_EQ(h.max(), 32765);
    EXPECT_EQ(h.withParity(0), 0);
}

TEST(WhiteNoise, DefaultAmplitudeTakesEvenValuesThoseUpTo5534TwiceAsOften) {
    const std::vector<int> samples = whiteNoiseRun(40000);
    const Histogram h(samples);
    EXPECT_EQ(h.min(), -20000);
    EXPECT_EQ(h.max(), 19998);
    EXPECT_EQ(h.withParity(1), 0);

    // -20000..5534 are 12,768 even values reached from two r each, 5536..19998 are 7,232
    // reached from one: the mean count of a low value is twice that of a high one, and
    // 25,536 of 32,768 draws land low.
    long low = 0;
    long high = 0;
    for (const auto& [value, count] : h.counts) {
        (value <= 5534 ? low : high) += count;
    }
    const double ratio = (static_cast<double>(low) / 12768) / (static_cast<double>(high) / 7232);
    EXPECT_NEAR(ratio, 2.0, 0.05);
    EXPECT_NEAR(static_cast<double>(low) / static_cast<double>(samples.size()), 25536.0 / 32768,
                0.005);
}

TEST(PureTone, DefaultAmplitudeAt1000HzRunsFromMinus19999To19999) {
    const Histogram h(generate({.kind = GeneratorKind::PureTone}));
    EXPECT_EQ(h.min(), -19999);
    EXPECT_EQ(h.max(), 19999);
}

TEST(PureTone, At11025HzCycles0Then20000Then0ThenMinus20000) {
    const std::vector<int> samples =
        generate({.kind = GeneratorKind::PureTone, .toneFrequency = 11025});
    const int cycle[] = {0, 20000, 0, -20000};
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i], cycle[i % 4]) << "frame " << i;
    }
}

TEST(Generators, StayWithinRangeAtFullAmplitude) {
    using K = GeneratorKind;
    struct Case {
        Settings settings;
        int limit;
    };
    const Case cases[] = {
        {{.kind = K::PureTone, .amplitude = 65534}, 32766},
        {{.kind = K::PureTone, .amplitude = 65534, .toneFrequency = 11025}, 32767},
        {{.kind = K::FrequencySweep, .amplitude = 65534}, 32767},
        {{.kind = K::PinkNoise, .amplitude = 65534}, 32767},
    };
    for (const Case& c : cases) {
        const Histogram h(generate(c.settings));
        EXPECT_GE(h.min(), -c.limit) << static_cast<int>(c.settings.kind);
        EXPECT_LE(h.max(), c.limit) << static_cast<int>(c.settings.kind);
    }
}

TEST(PureTone, WholeNumberFrequenciesRepeatEveryBlockAndJoinWithoutAJump) {
    for (std::uint32_t f : {1U, 440U, 1000U, 4321U, 20000U}) {
        const Settings s{.kind = GeneratorKind::PureTone, .amplitude = 65534, .toneFrequency = f};
        const std::vector<int> first = generate(s);
        const std::vector<int> second = generate(s);
        EXPECT_EQ(first, second) << f;
        EXPECT_EQ(first[0], 0) << f;
        // The frame before the block's start is the last one of the previous block; the sine
        // is odd, so that frame mirrors frame 1.
        EXPECT_NEAR(first.back(), -first[1], 1) << f;
    }
}

// Sign changes among the nonzero samples of [begin, end).
int signChanges(const std::vector<int>& samples, std::size_t begin, std::size_t end) {
    int changes = 0;
    int last = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (samples[i] != 0) {
            changes += last != 0 && (samples[i] > 0) != (last > 0);
            last = samples[i];
        }
    }
    return changes;
}

TEST(FrequencySweep, FallsFromTheLimitToZeroAndBackTwicePerBlock) {
    constexpr std::uint32_t kS = 2;
    constexpr double kLimit = 2000;
    const std::vector<int> samples =
        generate({.kind = GeneratorKind::FrequencySweep, .amplitude = 65534, .sweepSeconds = kS});
    ASSERT_EQ(samples.size(), 88200U);
    EXPECT_EQ(samples[0], 0);
    EXPECT_NEAR(samples.back(), -samples[1], 1);

    // A sine whose phase moves by p crosses zero about p / pi times; the phase is
    // L S sin(2 pi t / S), its rate L |cos(2 pi t / S)| turns: L at 0 and S/2, 0 at S/4 and 3S/4.
    const auto phase = [&](double frame) {
        return kLimit * kS * std::sin(2 * std::numbers::pi * frame / 44100 / kS);
    };
    constexpr std::size_t kWindow = 441;  // 10 ms
    for (std::size_t begin = 0; begin + kWindow <= samples.size(); begin += kWindow) {
        const double expected = std::abs(phase(static_cast<double>(begin + kWindow - 1)) -
                                         phase(static_cast<double>(begin))) /
                                std::numbers::pi;
        EXPECT_NEAR(signChanges(samples, begin, begin + kWindow), expected, 2.0)
            << "window at frame " << begin;
    }
    // 2000 Hz at the start and in the middle: 40 zero crossings in 10 ms; none to speak of
    // around a quarter and three quarters of the block.
    EXPECT_NEAR(signChanges(samples, 0, kWindow), 40, 1);
    EXPECT_NEAR(signChanges(samples, 44100 - kWindow / 2, 44100 + kWindow / 2), 40, 1);
    EXPECT_LE(signChanges(samples, 22050 - kWindow / 2, 22050 + kWindow / 2), 1);
    EXPECT_LE(signChanges(samples, 66150 - kWindow / 2, 66150 + kWindow / 2), 1);
}

TEST(PinkNoise, FilterStateCarriesFromOneBlockToTheNext) {
    const Settings s{.kind = GeneratorKind::PinkNoise, .seed = 31337};
    seedRandom(s.seed);
    double whole = 0.0;
    const std::vector<int> one = generate(s, whole, kFramesPerSecond);

    seedRandom(s.seed);
    double halves = 0.0;
    std::vector<int> two = generate(s, halves, kFramesPerSecond / 2);
    const std::vector<int> rest = generate(s, halves, kFramesPerSecond - kFramesPerSecond / 2);
    two.insert(two.end(), rest.begin(), rest.end());

    EXPECT_EQ(two, one);
    EXPECT_EQ(halves, whole);
    // The state has settled near the middle of 0..1, so the noise is centred on zero.
    EXPECT_NEAR(whole, 0.5, 0.25);
}

TEST(PinkNoise, FilterStateFollowsTheReferenceToTheLastBitAfterEverySample) {
    // One-frame blocks expose the state after each update; a difference of one rounding,
    // which no 16-bit sample shows, is caught here.
    const Settings s{.kind = GeneratorKind::PinkNoise, .amplitude = 65534, .seed = 99};
    seedRandom(s.seed);
    ReferenceRandom random(s.seed);
    double y = 0.0;
    double referenceY = 0.0;
    for (int i = 0; i < 20'000; ++i) {
        const std::vector<int> sample = generate(s, y, 1);
        ASSERT_EQ(sample, reference(s, referenceY, random, 1)) << "frame " << i;
        ASSERT_EQ(y, referenceY) << "frame " << i;
    }
}

// A playback on a virtual clock into a recording device, stopped after `stopMs`.
std::vector<TestOutputDevice::Played> playFor(GeneratorKind kind, std::uint64_t startSeconds,
                                              std::uint64_t stopMs) {
    VirtualClock clock(startSeconds);
    TestOutputDevice device(&clock);
    std::promise<PlaybackEnd> ended;
    player.chooseGenerator(kind);
    player.setDevice(&device);
    player.setClock(&clock);
    player.setEndNotice([&ended](PlaybackEnd how) { ended.set_value(how); });
    clock.at(startSeconds * 1000 + stopMs, [] { player.stop(); });
    player.play();
    EXPECT_EQ(ended.get_future().get(), PlaybackEnd::Stopped);
    player.setDevice(nullptr);
    player.setClock(nullptr);
    player.setEndNotice(nullptr);
    return device.played();
}

std::vector<int> leftChannel(const std::vector<std::int16_t>& interleaved) {
    std::vector<int> left;
    for (std::size_t i = 0; i < interleaved.size(); i += 2) {
        left.push_back(interleaved[i]);
    }
    return left;
}

TEST(PinkNoise, EachPlaybackReseedsAndStartsItsFilterAtZero) {
    applySettings({});
    for (std::uint64_t start : {1'700'000'000ULL, 1'800'000'123ULL}) {
        const auto played = playFor(GeneratorKind::PinkNoise, start, 2500);
        ASSERT_GE(played.size(), 3U);
        // One reference run across the blocks: seeded with the start time, y from 0.
        const Settings s{.kind = GeneratorKind::PinkNoise,
                         .seed = static_cast<std::uint32_t>(start)};
        ReferenceRandom random(s.seed);
        double y = 0.0;
        for (std::size_t b = 0; b < played.size(); ++b) {
            ASSERT_EQ(played[b].samples.size(), 2U * kFramesPerSecond);
            EXPECT_EQ(leftChannel(played[b].samples), reference(s, y, random, kFramesPerSecond))
                << "playback at " << start << ", block " << b;
        }
    }
}

TEST(FrequencySweep, PlaybackBlocksLastSSeconds) {
    applySettings({});
    for (std::uint32_t seconds : {1U, 2U, 5U}) {
        player.sweepSeconds = seconds;
        const auto played = playFor(GeneratorKind::FrequencySweep, 1'700'000'000, 500);
        ASSERT_EQ(played.size(), 2U);
        for (const auto& block : played) {
            EXPECT_EQ(block.samples.size() * sizeof(std::int16_t), 176'400U * seconds);
        }
        EXPECT_EQ(leftChannel(played[0].samples),
                  reference({.kind = GeneratorKind::FrequencySweep, .sweepSeconds = seconds}));
    }
    player.sweepSeconds = 2;
}

}  // namespace
