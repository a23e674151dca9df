#include "arguments.h"

#include "engine/signal_player.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using testing::HasSubstr;

SignalPlayer& player = SignalPlayer::instance;

std::optional<Arguments> parse(std::vector<std::string> words) {
    words.insert(words.begin(), "vellumtone-cli");
    std::vector<const char*> argv;
    for (const auto& word : words) {
        argv.push_back(word.c_str());
    }
    return parseArguments(static_cast<int>(argv.size()), argv.data());
}

struct Refused {
    std::vector<std::string> words;
    std::string mentions;
};

class RefusedArguments : public testing::TestWithParam<Refused> {};

TEST_P(RefusedArguments, AreAUsageErrorOfOneLineNamingTheCulprit) {
    try {
        parse(GetParam().words);
        ADD_FAILURE() << "accepted";
    } catch (const UsageError& error) {
        EXPECT_THAT(error.what(), HasSubstr(GetParam().mentions));
    }
}

const std::string kFrom1 = "must be a whole number from 1 to 4294967295, not ";
INSTANTIATE_TEST_SUITE_P(
    Table, RefusedArguments,
    testing::Values(
        Refused{{}, "a command is required"}, Refused{{"stop"}, "unknown command 'stop'"},
        Refused{{"play", "brown"}, "brown not in"}, Refused{{"play", "white", "--loud"}, "--loud"},
        Refused{{"play", "tone", "--frequency", "0"}, kFrom1 + "'0'"},
        Refused{{"play", "tone", "--frequency", "-440"}, kFrom1 + "'-440'"},
        Refused{{"play", "tone", "--frequency", "+1"}, kFrom1 + "'+1'"},
        Refused{{"play", "tone", "--frequency", "440.5"}, kFrom1 + "'440.5'"},
        Refused{{"play", "tone", "--frequency", "0x10"}, kFrom1 + "'0x10'"},
        Refused{{"play", "tone", "--frequency", "4294967296"}, kFrom1 + "'4294967296'"},
        Refused{{"play", "white", "--amplitude", "65535"}, "from 0 to 65534"},
        Refused{{"play", "white", "--volume", "101"}, "--volume"},
        Refused{{"play", "white", "--volume", "5", "--amplitude", "9"}, "excludes"},
        Refused{{"play", "white", "--frequency", "440"}, "only to the tone generator"},
        Refused{{"play", "pink", "--period", "4"}, "only to the sweep generator"},
        Refused{{"play", "sweep", "--period", "3601"}, "from 1 to 3600"},
        Refused{{"play", "white", "--rest-every", "-5"}, "--rest-every"},
        Refused{{"play", "white", "--duration", "0"}, "--duration"},
        Refused{{"play", "white", "--duration", "1.5h"}, "'1.5h'"},
        Refused{{"play", "white", "--duration", "1193047h"}, "from 1 to 4294967295, not"},
        Refused{{"play", "white", "--seconds", "5"}, "--seconds"},
        Refused{{"render", "white", "--seconds", "5"}, "--output"},
        Refused{{"render", "white", "--seconds", "5", "-o", ""}, "-o needs a file name"},
        Refused{{"render", "white", "--seconds", "5", "-o", "x.ogg"}, "'x.ogg'"},
        Refused{{"render", "white", "--seconds", "5", "-o", "x", "--format", "WAV"}, "WAV"}));

struct Accepted {
    std::vector<std::string> words;
    std::function<std::uint64_t(const Arguments&)> field;
    std::uint64_t expected;
};

TEST(Arguments, ReachTheirFieldsAtTheBoundaries) {
    const std::vector<Accepted> table{
        {{"play", "tone", "--frequency", "010"},
         [](auto&) { return player.toneFrequency.load(); },
         10},
        {{"play", "tone", "--frequency", "4294967295"},
         [](auto&) { return player.toneFrequency.load(); },
         4294967295},
        // 50 % of the slider's 32767 steps is 16383.5, rounded up, times two.
        {{"play", "white", "--volume", "50"}, [](auto&) { return player.amplitude.load(); }, 32768},
        {{"play", "sweep"}, [](auto&) { return player.sweepLimit.load(); }, 2000},
        {{"play", "white", "--duration", "1193046h"},
         [](auto& a) { return *a.durationSeconds; },
         4294965600},
        {{"play", "white", "--duration", "90"}, [](auto& a) { return *a.durationSeconds; }, 90},
        {{"play", "pink", "--rest-length", "0"}, [](auto& a) { return *a.restLength; }, 0},
        {{"play", "pink", "--rest-length", "0"}, [](auto& a) { return a.restEvery ? 1 : 0; }, 0},
        {{"render", "white", "--seconds", "1", "-o", "a.FLAC"},
         [](auto& a) { return static_cast<std::uint64_t>(a.format); },
         static_cast<std::uint64_t>(FileFormat::Flac)},
        {{"render", "white", "--seconds", "1", "-o", "-"},
         [](auto& a) { return static_cast<std::uint64_t>(a.format); },
         static_cast<std::uint64_t>(FileFormat::Wav)},
        {{"render", "white", "--seconds", "1", "-o", "a.wav", "--format", "raw"},
         [](auto& a) { return static_cast<std::uint64_t>(a.format); },
         static_cast<std::uint64_t>(FileFormat::Raw)},
    };
    for (const Accepted& row : table) {
        SCOPED_TRACE(testing::PrintToString(row.words));
        const std::optional<Arguments> arguments = parse(row.words);
        ASSERT_TRUE(arguments.has_value());
        EXPECT_EQ(row.field(*arguments), row.expected);
    }
}

}  // namespace
