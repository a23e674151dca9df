#include "ui/input_checks.h"

#include <gtest/gtest.h>

namespace {

TEST(LeadingChars, CutsAfterCountCharactersWithoutSplittingOne) {
    EXPECT_EQ(leadingChars("123456789012", 9), "123456789");
    EXPECT_EQ(leadingChars("12", 9), "12");
    EXPECT_EQ(leadingChars("", 9), "");
    // "ü" is two bytes in UTF-8 and one character.
    EXPECT_EQ(leadingChars("\xC3\xBC"
                           "234",
                           2),
              "\xC3\xBC"
              "2");
}

TEST(RestMinutes, ReadsTheFirstNineCharactersOnly) {
    EXPECT_EQ(readRestMinutes("120"), 120U);
    EXPECT_EQ(readRestMinutes("123456789012"), 123456789U);
    // The tenth character is a digit that must not count.
    EXPECT_EQ(readRestMinutes("        12"), 1U);
    EXPECT_EQ(readRestMinutes("0"), 0U);
    EXPECT_EQ(readRestMinutes("-1"), 4294967295U);
    EXPECT_EQ(readRestMinutes("  45 min"), 45U);
}

TEST(RestMinutes, TextWithoutNumberGivesNoValue) {
    EXPECT_FALSE(readRestMinutes("abc").has_value());
    EXPECT_FALSE(readRestMinutes("").has_value());
    EXPECT_FALSE(readRestMinutes("         7").has_value());  // nine blanks, then the digit
}

TEST(ToneFrequency, AcceptsOneOrMoreAndRefusesZeroOrNoNumber) {
    EXPECT_EQ(checkToneFrequency("440Hz"), 440U);
    EXPECT_EQ(checkToneFrequency("1"), 1U);
    EXPECT_EQ(checkToneFrequency("4294967297"), 1U);  // 2^32 + 1 wraps to 1
    EXPECT_EQ(checkToneFrequency("-1"), 4294967295U);
    EXPECT_FALSE(checkToneFrequency("4294967296").has_value());  // wraps to 0
    EXPECT_FALSE(checkToneFrequency("0").has_value());
    EXPECT_FALSE(checkToneFrequency("Hz").has_value());
    EXPECT_FALSE(checkToneFrequency("").has_value());
}

TEST(ToneFrequency, ReadsNineteenCharactersOnly) {
    // Twenty characters: the last digit is cut, 1000000000000000000 mod 2^32 is stored.
    EXPECT_EQ(checkToneFrequency("10000000000000000005"), 2808348672U);
    EXPECT_EQ(checkToneFrequency("                   5"), std::nullopt);
}

TEST(SweepSettings, StoresBothOnlyWhenBothAreValid) {
    const SweepCheck good = checkSweepSettings("3", "5000");
    ASSERT_TRUE(good.settings.has_value());
    EXPECT_EQ(good.settings->seconds, 3U);
    EXPECT_EQ(good.settings->limit, 5000U);

    for (const auto& [seconds, limit] : {std::pair{"", "5000"}, std::pair{"3", ""},
                                         std::pair{"0", "5000"}, std::pair{"3", "abc"}}) {
        const SweepCheck bad = checkSweepSettings(seconds, limit);
        EXPECT_FALSE(bad.settings.has_value()) << seconds << " / " << limit;
        EXPECT_EQ(bad.message, "Frequency limit and speed should be larger than zero.");
    }
}

TEST(SweepSettings, RefusesAPeriodLongerThanAnHour) {
    EXPECT_TRUE(checkSweepSettings("3600", "2000").settings.has_value());
    const SweepCheck tooLong = checkSweepSettings("3601", "2000");
    EXPECT_FALSE(tooLong.settings.has_value());
    EXPECT_EQ(tooLong.message, "Speed factor should be at most 3600 seconds.");
    // A negative period wraps to a huge one and is refused as too long, not stored.
    EXPECT_FALSE(checkSweepSettings("-1", "2000").settings.has_value());
}

}  // namespace
