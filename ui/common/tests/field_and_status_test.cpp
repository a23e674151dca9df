// What the desktop programs store from the text of the tone's field, number reading included,
// and how their status line words the engine's burn-in report.

#include "ui/common/field_checks.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <ctime>

#include "engine/signal_player.h"
#include "ui/common/burn_in_status.h"
#include "ui/common/messages.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

TEST(ToneField, StoresTheLeadingNumberModulo2To32OrRefusesIt) {
    // A text and the frequency stored from it (0: refused). Nineteen characters are read: a
    // twentieth digit is cut off.
    const std::pair<const char*, std::uint32_t> rows[] = {{"440Hz", 440},
                                                          {" \t\n\v\f\r+7", 7},
                                                          {"-1", 4294967295U},
                                                          {"4294967297", 1},
                                                          {"4294967296", 0},
                                                          {"0", 0},
                                                          {"", 0},
                                                          {"Hz5", 0},
                                                          {" - 5", 0},
                                                          {"+-5", 0},
                                                          {"10000000000000000005", 2808348672U},
                                                          {"                   5", 0}};
    for (const auto& [text, stored] : rows) {
        SCOPED_TRACE(text);
        player.restoreDefaults();
        EXPECT_EQ(applyToneField(player, text),
                  stored == 0 ? std::optional<std::string>(kToneRejectedMessage) : std::nullopt);
        EXPECT_EQ(player.toneFrequency.load(),
                  stored == 0 ? SignalPlayer::kDefaultToneFrequency : stored);
    }
}

// The engine's report as the line words it: heard milliseconds cut to whole seconds, hours
// beyond a day, the rest's end as the local clock time.
TEST(BurnInStatus, WordsTheEnginesReport) {
    // The rest's end is shown as local time; UTC, in a form both systems read, makes it the
    // same everywhere.
    putenv(const_cast<char*>("TZ=UTC0"));
    tzset();
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
