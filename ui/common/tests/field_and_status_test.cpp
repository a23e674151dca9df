// What the desktop programs store from the text of their fields, number reading included, and
// how their status line words the engine's burn-in report.

#include "ui/common/field_checks.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <ctime>

#include "engine/signal_player.h"
#include "ui/common/burn_in_status.h"
#include "ui/common/messages.h"

namespace {

using ::testing::Optional;

SignalPlayer& player = SignalPlayer::instance;

TEST(ToneField, StoresTheLeadingNumberModulo2To32OrRefusesIt) {
    struct Row {
        const char* text;
        std::uint32_t stored;  // 0: refused
    };
    for (const Row& row :
         {Row{"440Hz", 440}, Row{" \t\n\v\f\r+7", 7}, Row{"-1", 4294967295U}, Row{"4294967297", 1},
          Row{"4294967296", 0}, Row{"0", 0}, Row{"", 0}, Row{"Hz5", 0}, Row{" - 5", 0},
          Row{"+-5", 0},
          // Nineteen characters are read: a twentieth digit is cut off.
          Row{"10000000000000000005", 2808348672U}, Row{"                   5", 0}}) {
        SCOPED_TRACE(row.text);
        player.restoreDefaults();
        const auto refusal = applyToneField(player, row.text);
        EXPECT_EQ(refusal, row.stored == 0 ? std::optional<std::string>(kToneRejectedMessage)
                                           : std::nullopt);
        EXPECT_EQ(player.toneFrequency.load(),
                  row.stored == 0 ? SignalPlayer::kDefaultToneFrequency : row.stored);
    }
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

// The engine's report as the line words it: heard milliseconds cut to whole seconds, hours
// beyond a day, the rest's end as the local clock time.
TEST(BurnInStatus, WordsTheEnginesReport) {
    // The rest's end is shown as local time; UTC makes it the same everywhere.
#ifdef _WIN32
    _putenv_s("TZ", "UTC0");
    _tzset();
#else
    setenv("TZ", "UTC", 1);
    tzset();
#endif
    constexpr std::uint64_t kRestEnd = 1700000000;  // 2023-11-14 22:13:20 UTC
    constexpr std::uint64_t kLong = 367985999;      // 102:13:05.999
    const std::pair<BurnInReport, std::string> rows[] = {
        {{BurnInState::Idle, 5000, 0}, ""},
        {{BurnInState::Playing, 999, kRestEnd}, "Playing 0:00:00"},
        {{BurnInState::Playing, kLong, 0}, "Playing 102:13:05"},
        {{BurnInState::Resting, 12000, kRestEnd}, "Resting until 22:13 (0:00:12 played)"},
        // A rest that ends 6:47:59 later, at 05:01:19 the next day.
        {{BurnInState::Resting, kLong, kRestEnd + 24479}, "Resting until 05:01 (102:13:05 played)"},
        {{BurnInState::NoOutput, 12000, 0}, "No audio output (0:00:12 played)"},
        {{BurnInState::Stopped, kLong, 0}, "Stopped after 102:13:05"},
    };
    for (const auto& [report, text] : rows) {
        EXPECT_EQ(BurnInStatus::format(report), text);
    }
}

}  // namespace
