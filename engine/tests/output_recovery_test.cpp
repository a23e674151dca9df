// When a device counts as lost and when it tries again, on the times a driver really shows:
// a late block under a busy sound server is not a lost one, a silent one is.

#include <gtest/gtest.h>

#include "engine/output_recovery.h"

namespace {

TEST(Recovery, LostOnlyWellPastTheBlocksLength) {
    // A first block back 1.7 s late under Wine is still coming.
    EXPECT_FALSE(OutputRecovery::overdue(12'700, 10'000, 1000));
    EXPECT_TRUE(OutputRecovery::overdue(13'001, 10'000, 1000));
    EXPECT_FALSE(OutputRecovery::overdue(15'000, 10'000, 4000));
}

// Lost on a failure, another attempt 2 s after each failed one, none once it opened.
TEST(Recovery, TriesAgainEveryTwoSecondsUntilItOpens) {
    OutputRecovery recovery;
    EXPECT_FALSE(recovery.retryDue(0));
    recovery.failed(5000);
    EXPECT_TRUE(recovery.lost());
    EXPECT_FALSE(recovery.retryDue(6999));
    EXPECT_TRUE(recovery.retryDue(7000));
    recovery.failed(7010);  // the attempt failed
    EXPECT_FALSE(recovery.retryDue(9009));
    EXPECT_TRUE(recovery.retryDue(9010));
    recovery.opened();
    EXPECT_FALSE(recovery.lost());
    EXPECT_FALSE(recovery.retryDue(100'000));
}

}  // namespace
