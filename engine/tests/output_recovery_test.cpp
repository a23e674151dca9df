// When a device counts as lost and when it tries again, on the times a driver really shows:
// a late block under a busy sound server is not a lost one, a silent one is.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "engine/output_recovery.h"

namespace {

// now, last progress, length of the block at the head (all ms), overdue?
using OverdueRow = std::tuple<std::uint64_t, std::uint64_t, std::uint64_t, bool>;
class Overdue : public ::testing::TestWithParam<OverdueRow> {};

TEST_P(Overdue, OnlyWellPastTheBlocksLength) {
    const auto [now, progress, head, expected] = GetParam();
    EXPECT_EQ(OutputRecovery::overdue(now, progress, head), expected);
    // The device's watchdog wakes when it turns true, not after.
    EXPECT_EQ(OutputRecovery::overdue(OutputRecovery::overdueAt(progress, head), progress, head),
              true);
    EXPECT_EQ(
        OutputRecovery::overdue(OutputRecovery::overdueAt(progress, head) - 1, progress, head),
        false);
}

INSTANTIATE_TEST_SUITE_P(Blocks, Overdue,
                         ::testing::Values(OverdueRow{10'000, 10'000, 1000, false},
                                           // a first block back 1.7 s late under Wine
                                           OverdueRow{12'700, 10'000, 1000, false},
                                           OverdueRow{13'001, 10'000, 1000, true},
                                           OverdueRow{13'000, 10'000, 300, true},
                                           OverdueRow{15'000, 10'000, 4000, false},
                                           OverdueRow{60'000, 10'000, 1000, true}));

// Lost on a failure, another attempt 2 s after each failed one, none once it opened.
TEST(Recovery, TriesAgainEveryTwoSecondsUntilItOpens) {
    OutputRecovery recovery;
    EXPECT_FALSE(recovery.lost());
    EXPECT_FALSE(recovery.retryDue(0));
    EXPECT_EQ(recovery.retryAtMs(), OutputRecovery::kNever);

    recovery.failed(5000);
    EXPECT_TRUE(recovery.lost());
    EXPECT_FALSE(recovery.retryDue(6999));
    EXPECT_TRUE(recovery.retryDue(7000));
    EXPECT_EQ(recovery.retryAtMs(), 7000U);

    recovery.failed(7010);  // the attempt failed
    EXPECT_FALSE(recovery.retryDue(9009));
    EXPECT_TRUE(recovery.retryDue(9010));

    recovery.opened();
    EXPECT_FALSE(recovery.lost());
    EXPECT_FALSE(recovery.retryDue(100'000));
    EXPECT_EQ(recovery.retryAtMs(), OutputRecovery::kNever);
}

}  // namespace
