// What the desktop programs store from the text of their fields, number reading included.

#include "ui/common/field_checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/signal_player.h"
#include "ui/common/messages.h"

namespace {

using ::testing::Optional;

SignalPlayer& player = SignalPlayer::instance;

struct ToneRow {
    const char* text;
    std::uint32_t stored;  // 0: refused
};

class ToneField : public ::testing::TestWithParam<ToneRow> {};

TEST_P(ToneField, StoresTheLeadingNumberModulo2To32OrRefusesIt) {
    player.restoreDefaults();
    const ToneRow row = GetParam();
    const auto refusal = applyToneField(player, row.text);
    EXPECT_EQ(refusal,
              row.stored == 0 ? std::optional<std::string>(kToneRejectedMessage) : std::nullopt);
    EXPECT_EQ(player.toneFrequency.load(),
              row.stored == 0 ? SignalPlayer::kDefaultToneFrequency : row.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToneField,
    ::testing::Values(ToneRow{"440Hz", 440}, ToneRow{" \t\n\v\f\r+7", 7},
                      ToneRow{"-1", 4294967295U}, ToneRow{"4294967297", 1},
                      ToneRow{"4294967296", 0}, ToneRow{"0", 0}, ToneRow{"", 0}, ToneRow{"Hz5", 0},
                      ToneRow{" - 5", 0}, ToneRow{"+-5", 0},
                      // Nineteen characters are read: a twentieth digit is cut off.
                      ToneRow{"10000000000000000005", 2808348672U},
                      ToneRow{"                   5", 0}));

TEST(RestFields, ReadNineCharactersAndKeepTheOldValueWithoutANumber) {
    player.restoreDefaults();
    applyRestCheck(player, true, "        12", "abc");
    EXPECT_EQ(player.restEveryMinutes.load(), 1U);
    EXPECT_EQ(player.restLengthMinutes.load(), SignalPlayer::kDefaultRestLengthMinutes);
    EXPECT_EQ(player.restEnabled.load(), 1);
    applyRestCheck(player, false, "5", "5");
    EXPECT_EQ(player.restEnabled.load(), 0);
    EXPECT_EQ(player.restEveryMinutes.load(), 1U);
}

TEST(SweepFields, StoreBothOnlyWhenBothAreValid) {
    player.restoreDefaults();
    EXPECT_EQ(applySweepFields(player, "3600", "5000"), std::nullopt);
    for (const auto& [seconds, limit] : {std::pair{"0", "7000"}, std::pair{"4", "abc"}}) {
        EXPECT_THAT(applySweepFields(player, seconds, limit), Optional(kSweepRejectedMessage));
    }
    // A negative period wraps to a huge one, too long for the blocks.
    for (const char* seconds : {"3601", "-1"}) {
        EXPECT_THAT(applySweepFields(player, seconds, "7000"), Optional(sweepTooLongMessage()));
    }
    EXPECT_EQ(player.sweepSeconds.load(), 3600U);
    EXPECT_EQ(player.sweepLimit.load(), 5000U);
}

}  // namespace
