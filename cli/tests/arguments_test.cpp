#include "arguments.h"

#include <gmock/gmock.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/signal_player.h"

namespace {

using testing::HasSubstr;

SignalPlayer& player = SignalPlayer::instance;

std::string shown(const std::optional<std::uint32_t>& value) {
    return value ? std::to_string(*value) : "-";
}

// What the words make, from the defaults: the UsageError's message, or the numbers that reached
// the command and the player.
std::string outcome(const std::vector<std::string>& words) {
    player.restoreDefaults();
    std::vector<const char*> argv{"vellumtone-cli"};
    for (const std::string& word : words) {
        argv.push_back(word.c_str());
    }
    try {
        const Arguments a = *parseArguments(static_cast<int>(argv.size()), argv.data());
        return "duration=" + shown(a.durationSeconds) + " target=" + shown(a.targetSeconds) +
               " every=" + shown(a.restEvery) + " length=" + shown(a.restLength) +
               " seconds=" + std::to_string(a.seconds) + " seed=" + shown(a.seed) +
               " amplitude=" + std::to_string(player.amplitude) +
               " frequency=" + std::to_string(player.toneFrequency) +
               " limit=" + std::to_string(player.sweepLimit) +
               " period=" + std::to_string(player.sweepSeconds) + " ";
    } catch (const UsageError& error) {
        return error.what();
    }
}

// The words, and what their outcome holds: a value taken or why they were refused.
using Row = std::pair<std::vector<std::string>, std::string>;
class Arguments : public testing::TestWithParam<Row> {};

TEST_P(Arguments, AreTakenOrRefusedNamingTheCulprit) {
    EXPECT_THAT(outcome(GetParam().first), HasSubstr(GetParam().second));
}

std::vector<std::string> play(const std::string& option, const std::string& value) {
    return {"play",
            option == "--frequency" ? "tone"
            : option == "--limit"   ? "sweep"
                                    : "white",
            option, value};
}
std::vector<std::string> render(const std::string& option, const std::string& value) {
    const bool length = option == "--duration" || option == "--seconds";
    return {
        "render", "sweep", "-o", "x.wav", length ? "--format" : "--seconds", length ? "wav" : "1",
        option,   value};
}

const std::string kMax = "4294967295", kAbove = "4294967296";
const std::string kTime = "must be a time such as 90, 90s, 10m, 1h30m, 4d, 1.5h or 00:10:00, ";
const std::string kFrom1 = "must be a whole number from 1 to 4294967295, not ";
INSTANTIATE_TEST_SUITE_P(
    Durations, Arguments,
    testing::ValuesIn(std::vector<Row>{
        {play("--duration", "90"), "duration=90 "},
        {play("--duration", "90s"), "duration=90 "},
        {play("--duration", "10m"), "duration=600 "},
        {play("--duration", "1h30m"), "duration=5400 "},
        {play("--duration", "4d"), "duration=345600 "},
        {play("--duration", "1.5h"), "duration=5400 "},
        {play("--duration", "0.25m"), "duration=15 "},
        {play("--duration", "1d2h3m4s"), "duration=93784 "},
        {play("--duration", "00:10:00"), "duration=600 "},
        {play("--duration", "26:03:04"), "duration=93784 "},
        {play("--duration", "10:05"), "duration=605 "},
        {play("--duration", "1193046h"), "duration=4294965600 "},
        {play("--duration", "1.5s"), kTime + "from 1 to 4294967295 seconds, not '1.5s'"},
        {play("--duration", "1h30"), "not '1h30'"},
        {play("--duration", "30m1h"), "not '30m1h'"},
        {play("--duration", "1:60:00"), "not '1:60:00'"},
        {play("--duration", "10:5"), "not '10:5'"},
        {play("--duration", "1.5.2h"), "not '1.5.2h'"},
        {play("--duration", "+90"), "not '+90'"},
        {play("--duration", "1e3"), "not '1e3'"},
        {play("--duration", "90 s"), "not '90 s'"},
        {play("--duration", "h"), "not 'h'"},
        {play("--duration", "1193047h"), "not '1193047h'"},
        {play("--rest-every", "2h"), "every=120 "},
        {play("--rest-every", "1.5"), "from 0 to 4294967295 whole minutes, not '1.5'"},
        {play("--rest-length", "90s"), "whole minutes, not '90s'"},
    }));

// Each numeric option at both of its bounds, and one step beyond each.
INSTANTIATE_TEST_SUITE_P(
    Bounds, Arguments,
    testing::ValuesIn(std::vector<Row>{
        {play("--amplitude", "0"), "amplitude=0 "},
        {play("--amplitude", "65534"), "amplitude=65534 "},
        {play("--amplitude", "65535"), "from 0 to 65534, not '65535'"},
        {play("--amplitude", "-1"), "from 0 to 65534, not '-1'"},
        {play("--volume", "0"), "amplitude=0 "},
        {play("--volume", "100"), "amplitude=65534 "},
        {play("--volume", "50"), "amplitude=32768 "},  // slider step 16383.5 rounded up
        {play("--volume", "101"), "from 0 to 100, not '101'"},
        {play("--frequency", "1"), "frequency=1 "},
        {play("--frequency", kMax), "frequency=4294967295 "},
        {play("--frequency", "0"), kFrom1 + "'0'"},
        {play("--frequency", kAbove), kFrom1 + "'4294967296'"},
        {play("--frequency", "0x10"), kFrom1 + "'0x10'"},
        {play("--limit", "1"), "limit=1 "},
        {play("--limit", kMax), "limit=4294967295 "},
        {play("--limit", "0"), kFrom1 + "'0'"},
        {play("--limit", kAbove), kFrom1 + "'4294967296'"},
        {render("--period", "1"), "period=1 "},
        {render("--period", "1h"), "period=3600 "},
        {render("--period", "0"), "from 1 to 3600 seconds, not '0'"},
        {render("--period", "3601"), "from 1 to 3600 seconds, not '3601'"},
        {play("--rest-every", "0"), "every=0 "},
        {play("--rest-every", kMax), "every=4294967295 "},
        {play("--rest-every", kAbove), "from 0 to 4294967295 whole minutes, not '4294967296'"},
        {play("--rest-length", "0"), "length=0 "},
        {play("--rest-length", kMax), "length=4294967295 "},
        {play("--rest-length", kAbove), "from 0 to 4294967295 whole minutes, not '4294967296'"},
        {play("--duration", "1"), "duration=1 "},
        {play("--duration", kMax), "duration=4294967295 "},
        {play("--duration", "0"), "from 1 to 4294967295 seconds, not '0'"},
        {play("--duration", kAbove), "from 1 to 4294967295 seconds, not '4294967296'"},
        {play("--target", "1"), "target=1 "},
        {play("--target", kMax), "target=4294967295 "},
        {play("--target", "0"), "from 1 to 4294967295 seconds, not '0'"},
        {play("--target", kAbove), "from 1 to 4294967295 seconds, not '4294967296'"},
        {render("--duration", "1"), "seconds=1 "},
        {render("--duration", kMax), "seconds=4294967295 "},
        {render("--duration", "0"), "from 1 to 4294967295 seconds, not '0'"},
        {render("--seconds", kAbove), "from 1 to 4294967295 seconds, not '4294967296'"},
        {render("--seed", "0"), "seed=0 "},
        {render("--seed", kMax), "seed=4294967295 "},
        {render("--seed", kAbove), "from 0 to 4294967295, not '4294967296'"},
        {render("--seed", "18446744073709551616"), "not '18446744073709551616'"},  // 2^64
    }));

INSTANTIATE_TEST_SUITE_P(
    Others, Arguments,
    testing::ValuesIn(std::vector<Row>{
        {{}, "a command is required"},
        {{"stop"}, "unknown command 'stop'"},
        {{"play", "brown"}, "brown not in"},
        {{"play"}, "a generator is required"},
        {{"play", "white", "--volume", "5", "--amplitude", "9"}, "excludes"},
        {{"play", "white", "--frequency", "440"}, "only to the tone generator"},
        {{"play", "pink", "--period", "4"}, "only to the sweep generator"},
        {{"play", "pink", "--journal", "../x"}, "not starting with '.', not '../x'"},
        {{"play", "pink", "--journal", ".x"}, "not '.x'"},
        {{"play", "pink", "--rest-length", "0"}, "every=- length=0 "},
        {play("--duration", std::string(1000, '9')), "not '" + std::string(37, '9') + "...'"},
        {play("--duration", "1\n2\x1b"), "not '1\\x0a2\\x1b'"},
        {{"render", "white", "--seconds", "5"}, "--output"},
        {{"render", "white", "--seconds", "5", "-o", ""}, "-o needs a file name"},
        {{"render", "white", "--seconds", "5", "-o", "x.ogg"}, "'x.ogg'"},
        {{"render", "white", "--seconds", "5", "-o", "x", "--format", "WAV"}, "WAV"},
    }));

TEST(Command, IsTheOneTheWordsName) {
    const auto command = [](std::vector<const char*> argv) {
        return parseArguments(static_cast<int>(argv.size()), argv.data())->command;
    };
    EXPECT_EQ(command({"cli", "journal"}), Command::Journals);
    EXPECT_EQ(command({"cli", "play", "--device", "list"}), Command::Devices);
    EXPECT_EQ(command({"cli", "render", "white", "--seconds", "1", "-o", "a.FLAC"}),
              Command::Render);
}

}  // namespace
