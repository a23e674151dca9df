#include "ui/common/burn_in_status.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

using State = BurnInStatus::State;

TEST(BurnInStatus, ShowsStateTimeAndRestEnd) {
    // The rest's end is shown as local time; UTC makes it the same everywhere.
    setenv("TZ", "UTC", 1);
    tzset();
    struct Row {
        State state;
        std::uint64_t played;
        std::uint64_t restEnd;  // 1700000000 is 2023-11-14 22:13:20 UTC
        const char* text;
    };
    for (const Row& row :
         {Row{State::Playing, 360000 + 7985, 0, "Playing 102:13:05"},
          Row{State::Resting, 7985, 1700000000, "Resting until 22:13 (2:13:05 played)"},
          Row{State::Resting, 60, 1700000000 + 6 * 3600 + 47 * 60 + 59,
              "Resting until 05:01 (0:01:00 played)"},
          Row{State::NoOutput, 61, 0, "No audio output (0:01:01 played)"}}) {
        EXPECT_EQ(BurnInStatus::format(row.state, row.played, row.restEnd), row.text);
    }
}

TEST(BurnInStatus, CountsOnlyTheTimeSpentPlaying) {
    BurnInStatus status;
    status.start(1000);
    status.update(1010, State::Playing);
    status.update(1012, State::Resting, 2000);  // the two seconds before the rest played
    status.update(1500, State::NoOutput);       // the rest did not
    status.update(1600, State::Playing);        // nor did the time without output
    status.update(1590, State::Playing);        // a clock set back counts nothing
    status.update(1593, State::Stopped);
    EXPECT_EQ(status.playedSeconds(), 15U);
    EXPECT_EQ(status.text(), "Stopped after 0:00:15");

    status.start(1700);  // a new playback counts from zero
    EXPECT_EQ(status.text(), "Playing 0:00:00");
}

}  // namespace
