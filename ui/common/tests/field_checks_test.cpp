#include "ui/common/field_checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/signal_player.h"

namespace {

using ::testing::Optional;

SignalPlayer& player = SignalPlayer::instance;

TEST(LeadingChars, CutsAfterCountCharactersWithoutSplittingOne) {
    EXPECT_EQ(leadingChars("123456789012", 9), "123456789");
    // "ü" is two bytes in UTF-8 and one character.
    EXPECT_EQ(leadingChars("\xC3\xBC"
                           "234",
                           2),
              "\xC3\xBC"
              "2");
}

TEST(RestFields, ReadTheFirstNineCharactersAndKeepTheOldValueWithoutANumber) {
    player.restoreDefaults();
    // The tenth character of the first field is a digit that must not count; the second
    // field has no number, so its duration stays.
    applyRestCheck(player, true, "        12", "abc");
    EXPECT_EQ(player.restEveryMinutes.load(), 1U);
    EXPECT_EQ(player.restLengthMinutes.load(), SignalPlayer::kDefaultRestLengthMinutes);
    EXPECT_EQ(player.restEnabled.load(), 1);
    applyRestCheck(player, true, "-1", "         7");
    EXPECT_EQ(player.restEveryMinutes.load(), 4294967295U);
    EXPECT_EQ(player.restLengthMinutes.load(), SignalPlayer::kDefaultRestLengthMinutes);
    applyRestCheck(player, false, "5", "5");
    EXPECT_EQ(player.restEnabled.load(), 0);
    EXPECT_EQ(player.restEveryMinutes.load(), 4294967295U);
}

struct ToneRow {
    const char* text;
    std::uint32_t stored;  // 0: refused
};

class ToneField : public ::testing::TestWithParam<ToneRow> {};

TEST_P(ToneField, StoresOneOrMoreAndRefusesTheRestWithItsMessage) {
    player.restoreDefaults();
    const ToneRow row = GetParam();
    const auto refusal = applyToneField(player, row.text);
    if (row.stored == 0) {
        EXPECT_THAT(refusal, Optional(std::string("Frequency should be larger than zero.")));
        EXPECT_EQ(player.toneFrequency.load(), SignalPlayer::kDefaultToneFrequency);
    } else {
        EXPECT_EQ(refusal, std::nullopt);
        EXPECT_EQ(player.toneFrequency.load(), row.stored);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ToneField,
                         ::testing::Values(ToneRow{"440Hz", 440}, ToneRow{"4294967297", 1},
                                           ToneRow{"-1", 4294967295U}, ToneRow{"4294967296", 0},
                                           ToneRow{"0", 0}, ToneRow{"Hz", 0}, ToneRow{"", 0},
                                           // Twenty characters: the last digit is cut.
                                           ToneRow{"10000000000000000005", 2808348672U},
                                           ToneRow{"                   5", 0}));

TEST(SweepFields, StoreBothOnlyWhenBothAreValid) {
    player.restoreDefaults();
    EXPECT_EQ(applySweepFields(player, "3", "5000"), std::nullopt);
    EXPECT_EQ(player.sweepSeconds.load(), 3U);
    EXPECT_EQ(player.sweepLimit.load(), 5000U);
    for (const auto& [seconds, limit] : {std::pair{"", "7000"}, std::pair{"4", ""},
                                         std::pair{"0", "7000"}, std::pair{"4", "abc"}}) {
        EXPECT_THAT(applySweepFields(player, seconds, limit),
                    Optional(std::string("Frequency limit and speed should be larger than zero.")))
            << seconds << " / " << limit;
    }
    // A negative period wraps to a huge one, too long for the blocks.
    for (const char* seconds : {"3601", "-1"}) {
        EXPECT_THAT(applySweepFields(player, seconds, "7000"),
                    Optional(std::string("Speed factor should be at most 3600 seconds.")));
    }
    EXPECT_EQ(player.sweepSeconds.load(), 3U);
    EXPECT_EQ(player.sweepLimit.load(), 5000U);
    EXPECT_EQ(applySweepFields(player, "3600", "1"), std::nullopt);
}

}  // namespace
