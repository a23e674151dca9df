#include "arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "subprocess.h"

namespace {

ParseResult parse(std::vector<std::string> words) {
    words.insert(words.begin(), "vellumtone-cli");
    std::vector<const char*> argv;
    argv.reserve(words.size());
    for (const auto& word : words) {
        argv.push_back(word.c_str());
    }
    return parseArguments(static_cast<int>(argv.size()), argv.data());
}

Arguments parsed(const std::vector<std::string>& words) {
    const ParseResult result = parse(words);
    EXPECT_TRUE(result.arguments.has_value()) << result.text;
    return result.arguments.value_or(Arguments{});
}

TEST(WholeNumber, AcceptsOnlyPlainDigitsUpToTheLimit) {
    EXPECT_EQ(parseWholeNumber("0", 10), 0U);
    EXPECT_EQ(parseWholeNumber("007", 10), 7U);
    EXPECT_EQ(parseWholeNumber("4294967295", 4294967295U), 4294967295U);
    EXPECT_EQ(parseWholeNumber("4294967296", 4294967295U), std::nullopt) << "no wrap-around";
    EXPECT_EQ(parseWholeNumber("18446744073709551616", UINT64_MAX), std::nullopt);
    EXPECT_EQ(parseWholeNumber("18446744073709551615", UINT64_MAX), UINT64_MAX);
    EXPECT_EQ(parseWholeNumber("65535", 65534), std::nullopt);
    for (const char* bad :
         {"", "-1", "+1", " 1", "1 ", "1.0", "1.5", "1e3", "0x10", "440Hz", "١"}) {
        EXPECT_EQ(parseWholeNumber(bad, UINT64_MAX), std::nullopt) << bad;
    }
}

TEST(Duration, SecondsOrAUnit) {
    EXPECT_EQ(parseDuration("90"), 90U);
    EXPECT_EQ(parseDuration("2s"), 2U);
    EXPECT_EQ(parseDuration("3m"), 180U);
    EXPECT_EQ(parseDuration("100h"), 360000U);
    EXPECT_EQ(parseDuration("4294967295"), 4294967295U);
    EXPECT_EQ(parseDuration("1193046h"), 4294965600U);
    for (const char* bad : {"", "0", "0s", "s", "h", "1.5h", "-1", "2 s", "2S", "1d", "1hm",
                            "4294967296", "1193047h", "71582789m"}) {
        EXPECT_EQ(parseDuration(bad), std::nullopt) << bad;
    }
}

TEST(Volume, PercentOfTheSliderTimesTwo) {
    EXPECT_EQ(volumeToAmplitude(0), 0);
    EXPECT_EQ(volumeToAmplitude(100), 65534);
    EXPECT_EQ(volumeToAmplitude(50), 32768);  // step 16383.5 rounds up to 16384
    EXPECT_EQ(volumeToAmplitude(1), 656);     // step 327.67 rounds to 328
    EXPECT_EQ(volumeToAmplitude(61), 39976);  // step 19987.87 rounds to 19988
    for (std::uint32_t percent = 0; percent <= 100; ++percent) {
        EXPECT_EQ(volumeToAmplitude(percent) % 2, 0) << percent;
    }
}

TEST(Format, FromTheExtension) {
    EXPECT_EQ(formatFromPath("a.wav"), FileFormat::Wav);
    EXPECT_EQ(formatFromPath("dir/a.WAV"), FileFormat::Wav);
    EXPECT_EQ(formatFromPath("a.b.flac"), FileFormat::Flac);
    EXPECT_EQ(formatFromPath("/x/a.raw"), FileFormat::Raw);
    EXPECT_EQ(formatFromPath("a.mp3"), std::nullopt);
    EXPECT_EQ(formatFromPath("a"), std::nullopt);
    EXPECT_EQ(formatFromPath("dir.wav/a"), std::nullopt);
    EXPECT_EQ(formatFromPath("a.wav.tmp"), std::nullopt);
}

TEST(RenderedFrames, WholeBlocks) {
    SignalSettings noise;
    noise.generator = GeneratorKind::PinkNoise;
    EXPECT_EQ(renderedFrameCount(noise, 1), 44100U);
    EXPECT_EQ(renderedFrameCount(noise, 600), 600U * 44100U);
    SignalSettings sweep;
    sweep.generator = GeneratorKind::FrequencySweep;
    sweep.sweepSeconds = 7;
    EXPECT_EQ(renderedFrameCount(sweep, 1), 7U * 44100U);
    EXPECT_EQ(renderedFrameCount(sweep, 7), 7U * 44100U);
    EXPECT_EQ(renderedFrameCount(sweep, 8), 14U * 44100U);
    EXPECT_EQ(renderedFrameCount(sweep, 4294967295U), 613566757ULL * 7 * 44100);
}

TEST(Parse, DefaultsAreTheDesktopProgramsOwn) {
    const Arguments play = parsed({"play", "white"});
    EXPECT_EQ(play.command, Command::Play);
    EXPECT_EQ(play.signal.generator, GeneratorKind::WhiteNoise);
    EXPECT_EQ(play.signal.amplitude, 40000);
    EXPECT_EQ(play.signal.toneFrequency, 1000U);
    EXPECT_EQ(play.signal.sweepLimit, 2000U);
    EXPECT_EQ(play.signal.sweepSeconds, 2U);
    EXPECT_FALSE(play.play.restEnabled);
    EXPECT_EQ(play.play.restEveryMinutes, 120U);
    EXPECT_EQ(play.play.restLengthMinutes, 30U);
    EXPECT_FALSE(play.play.durationSeconds.has_value());

    const Arguments render = parsed({"render", "pink", "--seconds", "5", "-o", "x.flac"});
    EXPECT_EQ(render.command, Command::Render);
    EXPECT_EQ(render.signal.generator, GeneratorKind::PinkNoise);
    EXPECT_EQ(render.render.seconds, 5U);
    EXPECT_FALSE(render.render.seed.has_value());
    EXPECT_EQ(render.render.format, FileFormat::Flac);
    EXPECT_EQ(parsed({"render", "pink", "--seconds", "5", "-o", "-"}).render.format,
              FileFormat::Wav);
}

TEST(Parse, EverySettingReachesItsField) {
    const Arguments tone = parsed({"play", "tone", "--frequency", "440", "--amplitude", "65534",
                                   "--duration", "2h", "--rest-every", "0", "--rest-length", "0"});
    EXPECT_EQ(tone.signal.generator, GeneratorKind::PureTone);
    EXPECT_EQ(tone.signal.toneFrequency, 440U);
    EXPECT_EQ(tone.signal.amplitude, 65534);
    EXPECT_EQ(tone.play.durationSeconds, 7200U);
    EXPECT_TRUE(tone.play.restEnabled);
    EXPECT_EQ(tone.play.restEveryMinutes, 0U);
    EXPECT_EQ(tone.play.restLengthMinutes, 0U);

    const Arguments sweep =
        parsed({"render", "sweep", "--limit=4294967295", "--period", "3600", "--volume", "0",
                "--seconds", "3", "--seed", "4294967295", "-o", "s.wav", "--format", "raw"});
    EXPECT_EQ(sweep.signal.sweepLimit, 4294967295U);
    EXPECT_EQ(sweep.signal.sweepSeconds, 3600U);
    EXPECT_EQ(sweep.signal.amplitude, 0);
    EXPECT_EQ(sweep.render.seed, 4294967295U);
    EXPECT_EQ(sweep.render.output, "s.wav");
    EXPECT_EQ(sweep.render.format, FileFormat::Raw);
}

TEST(Parse, OneRestOptionSwitchesRestsOnWithTheOtherDefault) {
    const Arguments every = parsed({"play", "pink", "--rest-every", "60"});
    EXPECT_TRUE(every.play.restEnabled);
    EXPECT_EQ(every.play.restEveryMinutes, 60U);
    EXPECT_EQ(every.play.restLengthMinutes, 30U);
    const Arguments length = parsed({"play", "pink", "--rest-length", "5"});
    EXPECT_TRUE(length.play.restEnabled);
    EXPECT_EQ(length.play.restEveryMinutes, 120U);
    EXPECT_EQ(length.play.restLengthMinutes, 5U);
}

TEST(Parse, HelpAndVersionExitZeroOnStandardOutput) {
    for (const auto& words : std::vector<std::vector<std::string>>{
             {"--help"}, {"play", "--help"}, {"render", "-h"}, {"--version"}}) {
        const ParseResult result = parse(words);
        EXPECT_FALSE(result.arguments.has_value());
        EXPECT_FALSE(result.textIsError);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_FALSE(result.text.empty());
    }
    EXPECT_NE(parse({"render", "--help"}).text.find("--seconds"), std::string::npos);
    EXPECT_NE(parse({"play", "--help"}).text.find("--rest-every"), std::string::npos);
    EXPECT_EQ(parse({"--version"}).text.rfind("vellumtone-cli ", 0), 0U);
}

struct BadInput {
    std::vector<std::string> words;
    std::string mentions;  // a part of the one-line message
};

TEST(Parse, BadInputIsOneLineWithExitCodeTwo) {
    const std::vector<BadInput> cases{
        {{}, "a command is required"},
        {{"stop"}, "unknown command 'stop'"},
        {{"play"}, "generator"},
        {{"play", "brown"}, "unknown generator 'brown'"},
        {{"play", "white", "--loud"}, "--loud"},
        {{"play", "white", "extra"}, "extra"},
        {{"play", "tone", "--frequency", "0"}, "--frequency"},
        {{"play", "tone", "--frequency", "-440"}, "'-440'"},
        {{"play", "tone", "--frequency", "440.5"}, "'440.5'"},
        {{"play", "tone", "--frequency", "4294967296"}, "4294967295"},
        {{"play", "tone", "--frequency", "440Hz"}, "'440Hz'"},
        {{"play", "tone", "--frequency"}, "--frequency"},
        {{"play", "sweep", "--limit", "0"}, "--limit"},
        {{"play", "sweep", "--period", "0"}, "--period"},
        {{"play", "sweep", "--period", "3601"}, "3600"},
        {{"play", "white", "--amplitude", "65535"}, "65534"},
        {{"play", "white", "--amplitude", "-1"}, "--amplitude"},
        {{"play", "white", "--volume", "101"}, "--volume"},
        {{"play", "white", "--volume", "50", "--amplitude", "10"}, "--amplitude"},
        {{"play", "white", "--frequency", "440"}, "tone"},
        {{"play", "tone", "--limit", "440"}, "sweep"},
        {{"play", "pink", "--period", "4"}, "sweep"},
        {{"play", "white", "--rest-every", "-5"}, "--rest-every"},
        {{"play", "white", "--rest-length", "1.5"}, "--rest-length"},
        {{"play", "white", "--rest-length", "4294967296"}, "--rest-length"},
        {{"play", "white", "--duration", "0"}, "--duration"},
        {{"play", "white", "--duration", "1.5h"}, "'1.5h'"},
        {{"play", "white", "--duration", "10d"}, "'10d'"},
        {{"play", "white", "--seconds", "5"}, "--seconds"},
        {{"render", "white", "-o", "x.wav"}, "--seconds"},
        {{"render", "white", "--seconds", "5"}, "--output"},
        {{"render", "white", "--seconds", "-5", "-o", "x.wav"}, "--seconds"},
        {{"render", "white", "--seconds", "5", "-o", "x.wav", "--duration", "5"}, "--duration"},
        {{"render", "white", "--seconds", "5", "-o", "x.wav", "--rest-every", "5"}, "--rest-every"},
        {{"render", "white", "--seconds", "5", "-o", "x.wav", "--seed", "4294967296"}, "--seed"},
        {{"render", "white", "--seconds", "5", "-o", "x.ogg"}, "x.ogg"},
        {{"render", "white", "--seconds", "5", "-o", "x.wav", "--format", "WAV"}, "'WAV'"},
        // 24,348 s of frames no longer fit the 32-bit sizes of a WAV file.
        {{"render", "white", "--seconds", "24348", "-o", "x.wav"}, "WAV"},
    };
    for (const BadInput& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.words));
        const ParseResult result = parse(c.words);
        EXPECT_FALSE(result.arguments.has_value());
        EXPECT_TRUE(result.textIsError);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.text.rfind("vellumtone-cli: ", 0), 0U) << result.text;
        EXPECT_EQ(result.text.find('\n'), result.text.size() - 1) << result.text;
        EXPECT_NE(result.text.find(c.mentions), std::string::npos) << result.text;
    }
}

TEST(Parse, LongestAcceptedValues) {
    EXPECT_TRUE(parse({"render", "white", "--seconds", "24347", "-o", "x.wav"}).arguments);
    EXPECT_TRUE(parse({"render", "white", "--seconds", "4294967295", "-o", "x.raw"}).arguments);
    EXPECT_TRUE(parse({"render", "sweep", "--period", "3600", "--seconds", "21600", "-o", "x.wav"})
                    .arguments);
    EXPECT_TRUE(parse({"play", "white", "--duration", "4294967295s"}).arguments);
}

// The same refusals from the built program: exit code 2, one line on standard error.
TEST(Program, RefusesBadInputWithExitCodeTwo) {
    testing_cli::TempFolder folder;
    for (const auto& words : std::vector<std::vector<std::string>>{
             {"play", "brown"}, {"play", "tone", "--frequency", "0"}, {"--frobnicate"}}) {
        const testing_cli::Finished run = testing_cli::runCli(words, folder.path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    const testing_cli::Finished help = testing_cli::runCli({"--help"}, folder.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("render"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

}  // namespace
