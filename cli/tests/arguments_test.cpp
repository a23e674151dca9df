#include "arguments.h"

#include <gmock/gmock.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/signal_player.h"

namespace {

using testing::HasSubstr;

SignalPlayer& player = SignalPlayer::instance;

// What the words make, from the defaults: the UsageError's message, or the numbers that reached
// the command and the player.
std::string outcome(const std::vector<std::string>& words) {
    const auto shown = [](const auto& value) { return value ? std::to_string(*value) : "-"; };
    player.restoreDefaults();
    std::vector<const char*> argv{"vellumtone-cli"};
    for (const std::string& word : words) {
        argv.push_back(word.c_str());
    }
    try {
        const Arguments a = *parseArguments(static_cast<int>(argv.size()), argv.data());
        return "duration=" + shown(a.durationSeconds) + " target=" + shown(a.targetSeconds) +
               " every=" + shown(a.restEvery) + " length=" + shown(a.restLength) +
               " seed=" + shown(a.seed) + " amplitude=" + std::to_string(player.amplitude) +
               " frequency=" + std::to_string(player.toneFrequency) +
               " limit=" + std::to_string(player.sweepLimit) +
               " period=" + std::to_string(player.sweepSeconds) +
               " command=" + std::to_string(static_cast<int>(a.command)) + " ";
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
    const char* generator = option == "--frequency" ? "tone" : "white";
    return {"play", option == "--limit" ? "sweep" : generator, option, value};
}
std::vector<std::string> render(const std::string& option, const std::string& value) {
    const bool length = option == "--duration" || option == "--seconds";
    return {
        "render", "sweep", "-o", "x.wav", length ? "--format" : "--seconds", length ? "wav" : "1",
        option,   value};
}

const std::string kRefused =
    "must be a time such as 90, 90s, 10m, 1h30m, 4d, 1.5h or 00:10:00, "
    "from 1 to 4294967295 seconds, not '";
INSTANTIATE_TEST_SUITE_P(
    Durations, Arguments, testing::ValuesIn([] {
        std::vector<Row> rows{
            {play("--rest-every", "2h"), "every=120 "},
            {play("--rest-every", "1.5"), "from 0 to 4294967295 whole minutes, not '1.5'"},
        };
        // Accepted: TEXT=SECONDS.
        for (const std::string row : {"90=90", "90s=90", "10m=600", "1h30m=5400", "4d=345600",
                                      "1.5h=5400", "0.25m=15", "1d2h3m4s=93784", "00:10:00=600",
                                      "26:03:04=93784", "10:05=605", "1193046h=4294965600"}) {
            const std::size_t equals = row.find('=');
            rows.emplace_back(play("--duration", row.substr(0, equals)),
                              ("duration" + row.substr(equals)).append(" "));
        }
        for (const std::string text : {"1.5s", "1h30", "30m1h", "1:60:00", "1:60", "10:5", "1.5.2h",
                                       "+90", "1e3", "90 s", "h", "1193047h"}) {
            rows.emplace_back(play("--duration", text), (kRefused + text).append("'"));
        }
        return rows;
    }()));

using Words = std::vector<std::string> (*)(const std::string&, const std::string&);
// An option taken at both of its bounds, shown as `key`, and refused one step beyond each.
std::vector<Row> bounds(Words words, const std::string& option, const std::string& key,
                        std::uint64_t min, std::uint64_t max, const std::string& unit = "") {
    const auto n = [](std::uint64_t value) { return std::to_string(value); };
    const std::string below = min == 0 ? "-1" : n(min - 1);
    const std::string range = "from " + n(min) + " to " + n(max) + unit + ", not '";
    return {{words(option, n(min)), key + "=" + n(min) + " "},
            {words(option, n(max)), key + "=" + n(max) + " "},
            {words(option, below), range + below + "'"},
            {words(option, n(max + 1)), range + n(max + 1) + "'"}};
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, Arguments, testing::ValuesIn([] {
        std::vector<Row> rows{
            {play("--volume", "0"), "amplitude=0 "},
            {play("--volume", "100"), "amplitude=65534 "},
            {play("--volume", "50"), "amplitude=32768 "},  // 16383.5 up
            {play("--volume", "101"), "from 0 to 100, not '101'"},
            {play("--frequency", "0x10"),
             "must be a whole number from 1 to 4294967295, not '0x10'"},
            {render("--period", "1h"), "period=3600 "},
            {render("--seconds", "2"), "duration=2 "},
            {render("--seed", "18446744073709551616"), "not '1844"},  // 2^64
        };
        for (const std::vector<Row>& more : {
                 bounds(play, "--amplitude", "amplitude", 0, 65534),
                 bounds(play, "--frequency", "frequency", 1, 0xFFFFFFFF),
                 bounds(play, "--limit", "limit", 1, 0xFFFFFFFF),
                 bounds(render, "--period", "period", 1, 3600, " seconds"),
                 bounds(play, "--rest-every", "every", 0, 0xFFFFFFFF, " whole minutes"),
                 bounds(play, "--rest-length", "length", 0, 0xFFFFFFFF, " whole minutes"),
                 bounds(play, "--duration", "duration", 1, 0xFFFFFFFF, " seconds"),
                 bounds(play, "--target", "target", 1, 0xFFFFFFFF, " seconds"),
                 bounds(render, "--duration", "duration", 1, 0xFFFFFFFF, " seconds"),
                 bounds(render, "--seed", "seed", 0, 0xFFFFFFFF),
             }) {
            rows.insert(rows.end(), more.begin(), more.end());
        }
        return rows;
    }()));

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
        {{"render", "white", "--seconds", "5", "-o", "x.ogg"}, "'x.ogg'"},
        {{"render", "white", "--seconds", "5", "-o", "x", "--format", "WAV"}, "WAV"},
        {{"render", "white", "--seconds", "5", "-o", "a.FLAC"}, "command=1 "},
        {{"journal"}, "command=2 "},
        {{"play", "--device", "list"}, "command=3 "},
    }));

}  // namespace
