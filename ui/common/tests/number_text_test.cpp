// The reader and writer of the numbers typed into the program's text fields.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ui/common/number_text.h"

namespace {

using namespace std::string_view_literals;

TEST(ReadUnsigned, ReadsTheLeadingNumber) {
    struct Case {
        std::string_view text;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"   42", 42},
        {" \t\n\v\f\r7", 7},
        {"440Hz", 440},
        {"+7", 7},
        {"-0", 0},
        {"007", 7},
        {"12 34", 12},
        {"3.9", 3},
        {"1,000", 1},
        {"0x10", 0},
        {"4\0"
         "2"sv,
         4},
        {"4294967295", 4294967295},
        // 2^32 and beyond wrap around; a minus sign negates modulo 2^32.
        {"-1", 4294967295},
        {"4294967296", 0},
        {"4294967297", 1},
        {"-4294967295", 1},
        {"-4294967296", 0},
        {"18446744073709551617", 1},  // 2^64 + 1
        {"99999999999999999999", 1661992959},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readUnsigned(c.text), std::optional<std::uint32_t>(c.expected))
            << "\"" << c.text << "\"";
    }
}

TEST(ReadUnsigned, GivesNoValueWithoutADigitAfterTheSpaceAndSign) {
    for (std::string_view text :
         {""sv, "   "sv, "abc"sv, "Hz440"sv, "+"sv, "-"sv, " + 5"sv, " - 5"sv, "+-5"sv, "--5"sv,
          "++5"sv, ".5"sv, "\xB2"sv, "\xD9\xA3"sv,
          "\0"
          "5"sv}) {
        EXPECT_EQ(readUnsigned(text), std::nullopt) << "\"" << text << "\"";
    }
}

TEST(WriteUnsigned, WritesPlainDecimalThatReadsBack) {
    EXPECT_EQ(writeUnsigned(0), "0");
    EXPECT_EQ(writeUnsigned(1000), "1000");
    EXPECT_EQ(writeUnsigned(4294967295), "4294967295");
    std::mt19937 random(7);
    for (int i = 0; i < 10'000; ++i) {
        const std::uint32_t value = random();
        EXPECT_EQ(readUnsigned(writeUnsigned(value)), value);
    }
}

// The low 32 bits of a decimal number of any length: halve the digit string 32 times,
// collecting the remainders as bits.
std::uint32_t low32Bits(std::string digits) {
    std::uint32_t result = 0;
    for (int bit = 0; bit < 32 && !digits.empty(); ++bit) {
        if ((digits.back() - '0') % 2 != 0) {
            result |= std::uint32_t{1} << bit;
        }
        std::string half;
        int carry = 0;
        for (char d : digits) {
            const int current = carry * 10 + (d - '0');
            if (!half.empty() || current / 2 != 0) {
                half.push_back(static_cast<char>('0' + current / 2));
            }
            carry = current % 2;
        }
        digits = half;
    }
    return result;
}

// The same reading, written from the C library's character classes and arbitrary precision.
std::optional<std::uint32_t> referenceRead(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string digits;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
        digits.push_back(text[i++]);
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    const std::uint64_t value = low32Bits(digits);
    return static_cast<std::uint32_t>(negative ? (4294967296 - value) % 4294967296 : value);
}

TEST(ReadUnsigned, AgreesWithAnArbitraryPrecisionReferenceOnRandomText) {
    // Pieces that meet the edges of the reading: white space, signs, long digit runs, numbers
    // at and around 2^32, letters, bytes above 127 and NUL.
    const std::vector<std::string> pieces = {" ",
                                             "\t",
                                             "\n",
                                             "\v",
                                             "\f",
                                             "\r",
                                             "+",
                                             "-",
                                             "0",
                                             "9",
                                             "00000000000000000000",
                                             "4294967295",
                                             "4294967296",
                                             "4294967297",
                                             "8589934592",
                                             "18446744073709551615",
                                             "Hz",
                                             "x",
                                             ".",
                                             ",",
                                             "\xA0",
                                             "\xB2",
                                             "\xFF",
                                             "\x80",
                                             std::string(1, '\0'),
                                             "\xD9\xA3"};
    std::mt19937_64 random(20240611);
    const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    for (int round = 0; round < 20'000; ++round) {
        std::string text;
        const std::size_t parts = pick(6);
        for (std::size_t p = 0; p < parts; ++p) {
            switch (pick(4)) {
                case 0:
                    text += pieces[pick(pieces.size())];
                    break;
                case 1:  // a digit run, now and then a very long one
                    for (std::size_t d = pick(pick(20) == 0 ? 400 : 25); d > 0; --d) {
                        text.push_back(static_cast<char>('0' + pick(10)));
                    }
                    break;
                case 2:  // any bytes at all
                    for (std::size_t b = pick(4); b > 0; --b) {
                        text.push_back(static_cast<char>(pick(256)));
                    }
                    break;
                default:  // white space, a sign, digits: the shape of a real entry
                    text += std::string(pick(3), ' ');
                    text += "+- "[pick(3)];
                    text += std::to_string(random());
                    break;
            }
        }
        ASSERT_EQ(readUnsigned(text), referenceRead(text)) << "round " << round;
    }
}

}  // namespace
