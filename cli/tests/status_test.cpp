#include "status.h"

#include <gtest/gtest.h>

namespace {

TEST(Status, ClockText) {
    EXPECT_EQ(formatClock(0), "0:00:00");
    EXPECT_EQ(formatClock(59), "0:00:59");
    EXPECT_EQ(formatClock(61), "0:01:01");
    EXPECT_EQ(formatClock(3599), "0:59:59");
    EXPECT_EQ(formatClock(3600), "1:00:00");
    EXPECT_EQ(formatClock(100 * 3600 + 7), "100:00:07");
}

TEST(Status, GeneratorLabels) {
    SignalSettings signal;
    signal.generator = GeneratorKind::WhiteNoise;
    EXPECT_EQ(generatorLabel(signal), "white noise");
    signal.generator = GeneratorKind::PinkNoise;
    EXPECT_EQ(generatorLabel(signal), "pink noise");
    signal.generator = GeneratorKind::PureTone;
    signal.toneFrequency = 440;
    EXPECT_EQ(generatorLabel(signal), "tone 440 Hz");
    signal.generator = GeneratorKind::FrequencySweep;
    signal.sweepLimit = 5000;
    signal.sweepSeconds = 7;
    EXPECT_EQ(generatorLabel(signal), "sweep 0-5000 Hz, 7 s period");
}

TEST(Status, LineForEachState) {
    EXPECT_EQ(statusText("pink noise", PlayState::Playing, 99, 83, 83),
              "pink noise | playing | played 0:01:23 | total 0:01:23");
    EXPECT_EQ(statusText("pink noise", PlayState::Resting, 1750, 7201, 7250),
              "pink noise | resting, resumes in 0:29:10 | played 2:00:01 | total 2:00:50");
    EXPECT_EQ(statusText("tone 440 Hz", PlayState::Stopped, 0, 2, 3),
              "tone 440 Hz | stopped | played 0:00:02 | total 0:00:03");
}

// The rest ends (every + length) minutes after the reference, however late it began.
TEST(Status, TimeUntilTheRestEnds) {
    const std::uint32_t reference = 1'700'000'000;
    EXPECT_EQ(secondsUntilRestEnds(reference + 7201, reference, 120, 30), 1799U);
    EXPECT_EQ(secondsUntilRestEnds(reference + 9000, reference, 120, 30), 0U);
    EXPECT_EQ(secondsUntilRestEnds(reference + 9999, reference, 120, 30), 0U);
    EXPECT_EQ(secondsUntilRestEnds(reference + 1, reference, 0, 1), 59U);
    // Sums past 32 bits do not wrap around into a rest that has already ended.
    EXPECT_EQ(secondsUntilRestEnds(reference + 60, reference, 4294967295U, 4294967295U),
              (2ULL * 4294967295U) * 60 - 60);
}

}  // namespace
