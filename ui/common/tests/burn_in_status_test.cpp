#include "ui/common/burn_in_status.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

namespace {

// The engine's report as the line words it: heard milliseconds cut to whole seconds, hours
// beyond a day, the rest's end as the local clock time.
TEST(BurnInStatus, WordsTheEnginesReport) {
    // The rest's end is shown as local time; UTC makes it the same everywhere.
#ifdef _WIN32
    _putenv_s("TZ", "UTC");
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
