#include "arguments.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/signal_player.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

// The words (split at each space), and what they make from the defaults: the numbers that
// reached the command and the player ("key=value "), or the UsageError's message naming the
// culprit.
using Row = std::pair<std::string, std::string>;
class Arguments : public testing::TestWithParam<Row> {};

TEST_P(Arguments, AreTakenOrRefusedNamingTheCulprit) {
    const auto shown = [](const auto& value) { return value ? std::to_string(*value) : "-"; };
    player.restoreDefaults();
    std::istringstream line(GetParam().first);
    std::vector<std::string> words{"vellumtone-cli"};
    for (std::string word; std::getline(line, word, ' ');) {
        words.push_back(word);
    }
    std::vector<const char*> argv(words.size());
    std::ranges::transform(words, argv.begin(), [](const std::string& w) { return w.c_str(); });
    std::string outcome;
    try {
        const ::Arguments a = *parseArguments(static_cast<int>(argv.size()), argv.data());
        outcome = "duration=" + shown(a.durationSeconds) + " target=" + shown(a.targetSeconds) +
                  " every=" + shown(a.restEvery) + " length=" + shown(a.restLength) +
                  " seed=" + shown(a.seed) + " amplitude=" + std::to_string(player.amplitude) +
                  " frequency=" + std::to_string(player.toneFrequency) +
                  " limit=" + std::to_string(player.sweepLimit) +
                  " period=" + std::to_string(player.sweepSeconds) +
                  " command=" + std::to_string(static_cast<int>(a.command)) + " ";
    } catch (const UsageError& error) {
        outcome = error.what();
    }
    EXPECT_THAT(outcome, testing::HasSubstr(GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(
    Durations, Arguments, testing::ValuesIn([] {
        std::vector<Row> rows{
            {"play white --rest-every 2h", "every=120 "},
            {"play white --rest-every 1.5", "from 0 to 4294967295 whole minutes, not '1.5'"},
        };
        // Accepted: TEXT=SECONDS.
        for (const std::string row : {"90=90", "90s=90", "10m=600", "1h30m=5400", "4d=345600",
                                      "1.5h=5400", "0.25m=15", "1d2h3m4s=93784", "00:10:00=600",
                                      "26:03:04=93784", "10:05=605", "1193046h=4294965600"}) {
            const std::size_t equals = row.find('=');
            rows.emplace_back("play white --duration " + row.substr(0, equals),
                              ("duration" + row.substr(equals)).append(" "));
        }
        for (const std::string text : {"1.5s", "1h30", "30m1h", "1:60:00", "1:60", "10:5", "1.5.2h",
                                       "+90", "1e3", "1m1m", "h", "1193047h"}) {
            rows.emplace_back("play white --duration " + text,
                              "1.5h or 00:10:00, from 1 to 4294967295 seconds, not '" + text + "'");
        }
        return rows;
    }()));

// Adds an option taken at both of its bounds, shown as `key`, and refused one step beyond each.
void bounds(std::vector<Row>& rows, const std::string& words, const std::string& key,
            std::uint64_t min, std::uint64_t max, const std::string& unit = "") {
    const auto n = [](std::uint64_t value) { return std::to_string(value); };
    const std::string below = min == 0 ? "-1" : n(min - 1);
    const std::string range = "from " + n(min) + " to " + n(max) + unit + ", not '";
    rows.insert(rows.end(), {{words + " " + n(min), key + "=" + n(min) + " "},
                             {words + " " + n(max), key + "=" + n(max) + " "},
                             {words + " " + below, range + below + "'"},
                             {words + " " + n(max + 1), range + n(max + 1) + "'"}});
}

const std::string kRender = "render sweep -o x.wav --seconds 1 ";
INSTANTIATE_TEST_SUITE_P(
    Bounds, Arguments, testing::ValuesIn([] {
        std::vector<Row> rows{
            {"play white --volume 0", "amplitude=0 "},
            {"play white --volume 100", "amplitude=65534 "},
            {"play white --volume 50", "amplitude=32768 "},  // 16383.5 up
            {"play white --volume 101", "from 0 to 100, not '101'"},
            {"play tone --frequency 0x10",
             "must be a whole number from 1 to 4294967295, not '0x10'"},
            {kRender + "--period 1h", "period=3600 "},
            {"render sweep -o x.wav --duration 2", "duration=2 "},
            {kRender + "--seed 18446744073709551616", "not '1844"},  // 2^64
        };
        bounds(rows, "play white --amplitude", "amplitude", 0, 65534);
        bounds(rows, "play tone --frequency", "frequency", 1, 0xFFFFFFFF);
        bounds(rows, "play sweep --limit", "limit", 1, 0xFFFFFFFF);
        bounds(rows, kRender + "--period", "period", 1, 3600, " seconds");
        bounds(rows, "play white --rest-every", "every", 0, 0xFFFFFFFF, " whole minutes");
        bounds(rows, "play white --rest-length", "length", 0, 0xFFFFFFFF, " whole minutes");
        bounds(rows, "play white --duration", "duration", 1, 0xFFFFFFFF, " seconds");
        bounds(rows, "play white --target", "target", 1, 0xFFFFFFFF, " seconds");
        bounds(rows, "render white -o x.wav --seconds", "duration", 1, 0xFFFFFFFF, " seconds");
        bounds(rows, kRender + "--seed", "seed", 0, 0xFFFFFFFF);
        return rows;
    }()));

INSTANTIATE_TEST_SUITE_P(Others, Arguments,
                         testing::ValuesIn(std::vector<Row>{
                             {"", "a command is required"},
                             {"stop", "unknown command 'stop'"},
                             {"play brown", "brown not in"},
                             {"play", "a generator is required"},
                             {"play white --volume 5 --amplitude 9", "excludes"},
                             {"play white --frequency 440", "only to the tone generator"},
                             {"play pink --period 4", "only to the sweep generator"},
                             {"play pink --journal ../x", "not starting with '.', not '../x'"},
                             {"play pink --journal .x", "not '.x'"},
                             {"play white --duration " + std::string(1000, '9'),
                              "not '" + std::string(37, '9') + "...'"},
                             {"play white --duration 1\n2\x1b", "not '1\\x0a2\\x1b'"},
                             {"render white --seconds 5", "--output"},
                             {"render white --seconds 5 -o x.ogg", "'x.ogg'"},
                             {"render white --seconds 5 -o x --format WAV", "WAV"},
                             {"render white --seconds 5 -o a.FLAC", "command=1 "},
                             {"journal", "command=2 "},
                             {"play --device list", "command=3 "},
                         }));

}  // namespace
