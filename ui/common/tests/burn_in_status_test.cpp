#include "ui/common/burn_in_status.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

namespace {

using State = BurnInStatus::State;

// One playback step by step: what each update makes of the played time and how it is told.
TEST(BurnInStatus, CountsOnlyTheTimeSpentPlayingAndTellsIt) {
    // The rest's end is shown as local time; UTC makes it the same everywhere.
    setenv("TZ", "UTC", 1);
    tzset();
    constexpr std::uint64_t kRestEnd = 1700000000;  // 2023-11-14 22:13:20 UTC
    BurnInStatus status;
    status.start(1000);
    // The time now, the state and the end of a rest if resting, and the text.
    for (const auto& [now, state, restEnd, text] :
         std::vector<std::tuple<std::uint64_t, State, std::uint64_t, std::string>>{
             {1010, State::Playing, 0, "Playing 0:00:10"},
             // The two seconds before the rest played; the rest did not, nor did the time
             // without output.
             {1012, State::Resting, kRestEnd, "Resting until 22:13 (0:00:12 played)"},
             {1500, State::NoOutput, 0, "No audio output (0:00:12 played)"},
             {1600, State::Playing, 0, "Playing 0:00:12"},
             {1590, State::Playing, 0, "Playing 0:00:12"},  // a clock set back counts nothing
             {1593, State::Playing, 0, "Playing 0:00:15"},
             {1593 + 367970, State::Playing, 0, "Playing 102:13:05"},
             // A rest that ends 6:47:59 later, at 05:01:19 the next day.
             {1593 + 367970, State::Resting, kRestEnd + 24479,
              "Resting until 05:01 (102:13:05 played)"},
             {1593 + 367970, State::Stopped, 0, "Stopped after 102:13:05"},
         }) {
        status.update(now, state, restEnd);
        EXPECT_EQ(status.text(), text) << "at " << now;
    }
    status.start(2000);  // a new playback counts from zero
    EXPECT_EQ(status.text(), "Playing 0:00:00");
}

}  // namespace
