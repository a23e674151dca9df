#include "arguments.h"

#include <gmock/gmock.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/signal_player.h"

namespace {

using testing::HasSubstr;

SignalPlayer& player = SignalPlayer::instance;

std::optional<Arguments> parse(const std::vector<std::string>& words) {
    std::vector<const char*> argv{"vellumtone-cli"};
    for (const std::string& word : words) {
        argv.push_back(word.c_str());
    }
    return parseArguments(static_cast<int>(argv.size()), argv.data());
}

// The words, and what the message names.
using Refused = std::pair<std::vector<std::string>, std::string>;
class RefusedArguments : public testing::TestWithParam<Refused> {};

TEST_P(RefusedArguments, AreAUsageErrorOfOneLineNamingTheCulprit) {
    EXPECT_THAT([this] { parse(GetParam().first); },
                testing::ThrowsMessage<UsageError>(HasSubstr(GetParam().second)));
}

const std::string kFrom1 = "must be a whole number from 1 to 4294967295, not ";
INSTANTIATE_TEST_SUITE_P(
    Table, RefusedArguments,
    testing::ValuesIn(std::vector<Refused>{
        {{}, "a command is required"},
        {{"stop"}, "unknown command 'stop'"},
        {{"play", "brown"}, "brown not in"},
        {{"play", "tone", "--frequency", "0"}, kFrom1 + "'0'"},
        {{"play", "tone", "--frequency", "+1"}, kFrom1 + "'+1'"},
        {{"play", "tone", "--frequency", "0x10"}, kFrom1 + "'0x10'"},
        {{"play", "tone", "--frequency", "4294967296"}, kFrom1 + "'4294967296'"},
        {{"play", "white", "--amplitude", "65535"}, "from 0 to 65534"},
        {{"play", "white", "--volume", "5", "--amplitude", "9"}, "excludes"},
        {{"play", "white", "--frequency", "440"}, "only to the tone generator"},
        {{"play", "pink", "--period", "4"}, "only to the sweep generator"},
        {{"play", "sweep", "--period", "3601"}, "from 1 to 3600"},
        {{"play", "white", "--duration", "1.5h"}, "'1.5h'"},
        {{"play", "white", "--duration", "1193047h"}, "from 1 to 4294967295, not"},
        {{"render", "white", "--seconds", "5"}, "--output"},
        {{"render", "white", "--seconds", "5", "-o", ""}, "-o needs a file name"},
        {{"render", "white", "--seconds", "5", "-o", "x.ogg"}, "'x.ogg'"},
        {{"render", "white", "--seconds", "5", "-o", "x", "--format", "WAV"}, "WAV"}}));

TEST(Arguments, ReachThePlayerAndTheCommandAtTheBoundaries) {
    parse({"play", "white", "--volume", "50"});
    EXPECT_EQ(player.amplitude, 32768) << "slider step 16383.5 rounded up, times two";
    EXPECT_EQ(parse({"play", "white", "--duration", "1193046h"})->durationSeconds, 4294965600U);
    EXPECT_EQ(parse({"play", "pink", "--rest-length", "0"})->restEvery, std::nullopt);
    EXPECT_EQ(parse({"render", "white", "--seconds", "1", "-o", "a.FLAC"})->format,
              FileFormat::Flac);
    EXPECT_EQ(parse({"render", "white", "--seconds", "1", "-o", "-"})->format, FileFormat::Wav);
    EXPECT_EQ(
        parse({"render", "white", "--seconds", "1", "-o", "a.wav", "--format", "raw"})->format,
        FileFormat::Raw);
}

}  // namespace
