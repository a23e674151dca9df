#include "arguments.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <limits>

#include "engine/signal_format.h"
#include "version.h"

namespace {

constexpr std::uint64_t kMaxUint32 = std::numeric_limits<std::uint32_t>::max();
// The largest data chunk a WAV file can describe: its RIFF size field must hold it plus
// the 36 bytes of header that follow that field.
constexpr std::uint64_t kMaxWavDataBytes = kMaxUint32 - 36;

struct Failure {
    std::string message;
};

// The options of one subcommand; a pointer stays null where the subcommand lacks it.
struct OptionSet {
    std::string generator;
    std::string amplitude, volume, frequency, limit, period;
    std::string restEvery, restLength, duration;
    std::string seconds, seed, output, format;
    CLI::Option* amplitudeOption = nullptr;
    CLI::Option* volumeOption = nullptr;
    CLI::Option* frequencyOption = nullptr;
    CLI::Option* limitOption = nullptr;
    CLI::Option* periodOption = nullptr;
    CLI::Option* restEveryOption = nullptr;
    CLI::Option* restLengthOption = nullptr;
    CLI::Option* durationOption = nullptr;
    CLI::Option* seedOption = nullptr;
    CLI::Option* formatOption = nullptr;
};

bool given(const CLI::Option* option) {
    return option != nullptr && option->count() > 0;
}

void addSignalOptions(CLI::App& command, OptionSet& set) {
    command.add_option("generator", set.generator, "white, pink, tone or sweep")->required();
    set.amplitudeOption = command.add_option(
        "--amplitude", set.amplitude, "Peak-to-peak amplitude in sample units, 0 to 65534 [40000]");
    set.volumeOption = command.add_option("--volume", set.volume,
                                          "Volume in percent of the largest amplitude, 0 to 100");
    set.volumeOption->excludes(set.amplitudeOption);
    set.frequencyOption =
        command.add_option("--frequency", set.frequency, "Tone frequency in Hz, 1 or more [1000]");
    set.limitOption =
        command.add_option("--limit", set.limit, "Sweep upper limit in Hz, 1 or more [2000]");
    set.periodOption = command.add_option(
        "--period", set.period,
        "Sweep period in seconds, 1 to " + std::to_string(kMaxSweepSeconds) + " [2]");
}

// Names the values in the help text; every value is read as text and checked here.
void nameValues(CLI::App& command) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"generator", "GENERATOR"}, {"--amplitude", "A"},     {"--volume", "PERCENT"},
        {"--frequency", "HZ"},      {"--limit", "HZ"},        {"--period", "S"},
        {"--rest-every", "MIN"},    {"--rest-length", "MIN"}, {"--duration", "TIME"},
        {"--seconds", "N"},         {"--seed", "T"},          {"--output", "FILE"},
        {"--format", "FORMAT"},
    };
    for (CLI::Option* option : command.get_options()) {
        for (const auto& [name, value] : kNames) {
            if (option->check_name(name)) {
                option->type_name(value);
            }
        }
    }
}

std::uint64_t requireNumber(const std::string& text, const char* name, std::uint64_t min,
                            std::uint64_t max) {
    const auto value = parseWholeNumber(text, max);
    if (!value || *value < min) {
        throw Failure{std::string(name) + " must be a whole number from " + std::to_string(min) +
                      " to " + std::to_string(max) + ", not '" + text + "'"};
    }
    return *value;
}

GeneratorKind requireGenerator(const std::string& word) {
    for (GeneratorKind kind : {GeneratorKind::WhiteNoise, GeneratorKind::PinkNoise,
                               GeneratorKind::PureTone, GeneratorKind::FrequencySweep}) {
        if (word == generatorWord(kind)) {
            return kind;
        }
    }
    throw Failure{"unknown generator '" + word + "' (expected white, pink, tone or sweep)"};
}

SignalSettings readSignal(const OptionSet& set) {
    SignalSettings signal;
    signal.generator = requireGenerator(set.generator);
    if (given(set.amplitudeOption)) {
        signal.amplitude =
            static_cast<std::uint16_t>(requireNumber(set.amplitude, "--amplitude", 0, 65534));
    }
    if (given(set.volumeOption)) {
        signal.amplitude = volumeToAmplitude(
            static_cast<std::uint32_t>(requireNumber(set.volume, "--volume", 0, 100)));
    }
    // A setting the chosen generator never reads is most likely a mistake.
    if (given(set.frequencyOption)) {
        if (signal.generator != GeneratorKind::PureTone) {
            throw Failure{"--frequency applies only to the tone generator"};
        }
        signal.toneFrequency =
            static_cast<std::uint32_t>(requireNumber(set.frequency, "--frequency", 1, kMaxUint32));
    }
    if (given(set.limitOption) || given(set.periodOption)) {
        if (signal.generator != GeneratorKind::FrequencySweep) {
            throw Failure{std::string(given(set.limitOption) ? "--limit" : "--period") +
                          " applies only to the sweep generator"};
        }
    }
    if (given(set.limitOption)) {
        signal.sweepLimit =
            static_cast<std::uint32_t>(requireNumber(set.limit, "--limit", 1, kMaxUint32));
    }
    if (given(set.periodOption)) {
        signal.sweepSeconds =
            static_cast<std::uint32_t>(requireNumber(set.period, "--period", 1, kMaxSweepSeconds));
    }
    return signal;
}

PlaySettings readPlay(const OptionSet& set) {
    PlaySettings play;
    // Either rest option switches rests on; the other keeps the desktop program's default.
    if (given(set.restEveryOption)) {
        play.restEveryMinutes =
            static_cast<std::uint32_t>(requireNumber(set.restEvery, "--rest-every", 0, kMaxUint32));
        play.restEnabled = true;
    }
    if (given(set.restLengthOption)) {
        play.restLengthMinutes = static_cast<std::uint32_t>(
            requireNumber(set.restLength, "--rest-length", 0, kMaxUint32));
        play.restEnabled = true;
    }
    if (given(set.durationOption)) {
        play.durationSeconds = parseDuration(set.duration);
        if (!play.durationSeconds) {
            throw Failure{
                "--duration must be a whole number of seconds, or a whole number "
                "followed by s, m or h, from 1 s to " +
                std::to_string(kMaxDurationSeconds) + " s, not '" + set.duration + "'"};
        }
    }
    return play;
}

RenderSettings readRender(const OptionSet& set, const SignalSettings& signal) {
    RenderSettings render;
    render.seconds =
        static_cast<std::uint32_t>(requireNumber(set.seconds, "--seconds", 1, kMaxUint32));
    if (given(set.seedOption)) {
        render.seed = static_cast<std::uint32_t>(requireNumber(set.seed, "--seed", 0, kMaxUint32));
    }
    render.output = set.output;
    if (render.output.empty()) {
        throw Failure{"-o needs a file name, or - for standard output"};
    }
    if (given(set.formatOption)) {
        if (set.format == "wav") {
            render.format = FileFormat::Wav;
        } else if (set.format == "flac") {
            render.format = FileFormat::Flac;
        } else if (set.format == "raw") {
            render.format = FileFormat::Raw;
        } else {
            throw Failure{"unknown format '" + set.format + "' (expected wav, flac or raw)"};
        }
    } else if (render.output == "-") {
        render.format = FileFormat::Wav;
    } else if (const auto format = formatFromPath(render.output)) {
        render.format = *format;
    } else {
        throw Failure{"cannot tell the format from the name '" + render.output +
                      "' (use .wav, .flac or .raw, or --format)"};
    }
    if (render.format == FileFormat::Wav) {
        if (renderedFrameCount(signal, render.seconds) * 4 > kMaxWavDataBytes) {
            throw Failure{"--seconds " + set.seconds +
                          " is too long for a WAV file (4 GB at most); use flac or raw"};
        }
    }
    return render;
}

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

ParseResult usageError(const std::string& message) {
    ParseResult result;
    result.text = "vellumtone-cli: " + oneLine(message) + "\n";
    result.textIsError = true;
    result.exitCode = kUsageError;
    return result;
}

}  // namespace

std::optional<std::uint64_t> parseWholeNumber(std::string_view text, std::uint64_t max) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (max - digit) / 10) {
            return std::nullopt;  // larger than max, and never wraps around
        }
        value = value * 10 + digit;
    }
    return value;
}

std::optional<std::uint64_t> parseDuration(std::string_view text) {
    std::uint64_t unit = 1;
    if (!text.empty()) {
        switch (text.back()) {
            case 's':
                unit = 1;
                text.remove_suffix(1);
                break;
            case 'm':
                unit = 60;
                text.remove_suffix(1);
                break;
            case 'h':
                unit = 3600;
                text.remove_suffix(1);
                break;
            default:
                break;
        }
    }
    const auto count = parseWholeNumber(text, kMaxDurationSeconds / unit);
    if (!count || *count == 0) {
        return std::nullopt;
    }
    return *count * unit;
}

std::uint16_t volumeToAmplitude(std::uint32_t percent) {
    constexpr std::uint32_t kSliderMax = 32767;
    const std::uint32_t position = (std::min(percent, 100U) * kSliderMax + 50) / 100;
    return static_cast<std::uint16_t>(position * 2);
}

std::optional<FileFormat> formatFromPath(std::string_view path) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return std::nullopt;
    }
    std::string extension(path.substr(dot + 1));
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (extension == "wav") {
        return FileFormat::Wav;
    }
    if (extension == "flac") {
        return FileFormat::Flac;
    }
    if (extension == "raw") {
        return FileFormat::Raw;
    }
    return std::nullopt;
}

std::uint64_t renderedFrameCount(const SignalSettings& signal, std::uint32_t seconds) {
    const std::uint64_t blockSeconds =
        signal.generator == GeneratorKind::FrequencySweep ? signal.sweepSeconds : 1;
    const std::uint64_t blocks = (seconds + blockSeconds - 1) / blockSeconds;
    return blocks * blockSeconds * kFramesPerSecond;
}

std::string_view generatorWord(GeneratorKind kind) {
    switch (kind) {
        case GeneratorKind::WhiteNoise:
            return "white";
        case GeneratorKind::PinkNoise:
            return "pink";
        case GeneratorKind::PureTone:
            return "tone";
        case GeneratorKind::FrequencySweep:
            return "sweep";
        case GeneratorKind::None:
            break;
    }
    return "none";
}

ParseResult parseArguments(int argc, const char* const* argv) {
    CLI::App app{
        "Plays test signals endlessly for the burn-in of headphones and speakers, "
        "or renders them to a file.",
        "vellumtone-cli"};
    app.set_version_flag("--version", std::string("vellumtone-cli ") + version::kVersion);
    app.require_subcommand(1);

    OptionSet playSet;
    OptionSet renderSet;
    CLI::App* play = app.add_subcommand("play", "Play a generator through the default output");
    addSignalOptions(*play, playSet);
    playSet.restEveryOption = play->add_option(
        "--rest-every", playSet.restEvery,
        "Rest after this many minutes of playing, 0 or more [120]; switches rests on");
    playSet.restLengthOption =
        play->add_option("--rest-length", playSet.restLength,
                         "Minutes of silence per rest, 0 or more [30]; switches rests on");
    playSet.durationOption =
        play->add_option("--duration", playSet.duration,
                         "Stop after TIME: seconds, or a number with s, m or h [until Ctrl-C]");

    CLI::App* render = app.add_subcommand("render", "Render a generator to a file");
    addSignalOptions(*render, renderSet);
    render
        ->add_option("--seconds", renderSet.seconds, "Seconds of audio, rounded up to whole blocks")
        ->required();
    renderSet.seedOption = render->add_option(
        "--seed", renderSet.seed,
        "Calendar second the render's playback starts at [now]; equal seeds, equal samples");
    render->add_option("-o,--output", renderSet.output, "Output file, or - for standard output")
        ->required();
    renderSet.formatOption = render->add_option(
        "--format", renderSet.format, "wav, flac or raw (16-bit LE stereo) [from the extension]");

    // CLI11 would call both of these "A subcommand is required".
    if (argc < 2) {
        return usageError("a command is required: play or render (see vellumtone-cli --help)");
    }
    const std::string_view first = argv[1];
    if (!first.empty() && first[0] != '-' && first != "play" && first != "render") {
        return usageError("unknown command '" + std::string(first) + "' (expected play or render)");
    }

    nameValues(*play);
    nameValues(*render);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        ParseResult result;
        result.text = app.help();
        return result;
    } catch (const CLI::CallForVersion& version) {
        ParseResult result;
        result.text = std::string(version.what()) + "\n";
        return result;
    } catch (const CLI::ParseError& error) {
        return usageError(error.what());
    }

    try {
        Arguments arguments;
        if (play->parsed()) {
            arguments.command = Command::Play;
            arguments.signal = readSignal(playSet);
            arguments.play = readPlay(playSet);
        } else {
            arguments.command = Command::Render;
            arguments.signal = readSignal(renderSet);
            arguments.render = readRender(renderSet, arguments.signal);
        }
        ParseResult result;
        result.arguments = arguments;
        return result;
    } catch (const Failure& failure) {
        return usageError(failure.message);
    }
}

void applySignalSettings(SignalPlayer& player, const SignalSettings& signal) {
    player.chooseGenerator(signal.generator);
    player.setAmplitude(signal.amplitude);
    player.setToneFrequency(signal.toneFrequency);
    player.setSweep(signal.sweepSeconds, signal.sweepLimit);
}
