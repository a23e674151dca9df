#include "arguments.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <filesystem>
#include <map>

#include "engine/signal_format.h"
#include "engine/signal_player.h"
#include "version.h"

namespace {

constexpr std::uint32_t kMaxUint32 = 0xFFFFFFFF;

using enum GeneratorKind;

const std::map<std::string, GeneratorKind> kGenerators{
    {"white", WhiteNoise}, {"pink", PinkNoise}, {"tone", PureTone}, {"sweep", FrequencySweep}};
const std::map<std::string, FileFormat> kFormats{
    {"wav", FileFormat::Wav}, {"flac", FileFormat::Flac}, {"raw", FileFormat::Raw}};

// A number option, named valueName in the help: digits only, from min to max, and with
// timeUnits a trailing s, m or h. On its own CLI11 would also take signs, fractions, hex (0x10)
// and octal (010); from_chars reads plain decimal digits and nothing else. The conversion
// gets plain decimal seconds.
template <typename T>
CLI::Option* number(CLI::App& command, const char* name, T& target, const char* valueName,
                    const std::string& help, std::uint64_t min, std::uint64_t max = kMaxUint32,
                    bool timeUnits = false) {
    const auto whole = [=](std::string& text) -> std::string {
        const std::size_t units =
            timeUnits && !text.empty() ? std::string("smh").find(text.back()) : 3;
        const std::uint64_t unit = units == 1 ? 60 : units == 2 ? 3600 : 1;
        const char* end = text.data() + text.size() - (units < 3 ? 1 : 0);
        std::uint64_t value = 0;
        const auto read = std::from_chars(text.data(), end, value);
        if (read.ec == std::errc{} && read.ptr == end && value <= max / unit &&
            value * unit >= min) {
            text = std::to_string(value * unit);
            return {};
        }
        return "must be a whole number" +
               std::string(timeUnits ? " of seconds, or one followed by s, m or h," : "") +
               " from " + std::to_string(min) + " to " + std::to_string(max) + ", not '" + text +
               "'";
    };
    return command.add_option(name, target, help)
        ->type_name(valueName)
        ->transform(CLI::Validator(whole, "", ""));
}

// The signal's settings as typed, starting from the engine's defaults.
struct Signal {
    std::string generator;
    std::uint16_t peakToPeak = SignalPlayer::kDefaultAmplitude;
    std::optional<std::uint32_t> volume;
    std::uint32_t frequency = SignalPlayer::kDefaultToneFrequency;
    std::uint32_t limit = SignalPlayer::kDefaultSweepLimit;
    std::uint32_t period = SignalPlayer::kDefaultSweepSeconds;
};

void addSignalOptions(CLI::App& command, Signal& signal) {
    command.add_option("generator", signal.generator)
        ->required()
        ->type_name("GENERATOR")
        ->check(CLI::IsMember(kGenerators));
    CLI::Option* amplitudeOption =
        number(command, "--amplitude", signal.peakToPeak, "A",
               "Peak-to-peak amplitude in sample units, 0 to 65534", 0, 65534)
            ->capture_default_str();
    number(command, "--volume", signal.volume, "PERCENT",
           "Volume in percent of the largest amplitude, 0 to 100", 0, 100)
        ->excludes(amplitudeOption);
    number(command, "--frequency", signal.frequency, "HZ", "Tone frequency in Hz", 1)
        ->capture_default_str();
    number(command, "--limit", signal.limit, "HZ", "Sweep upper limit in Hz", 1)
        ->capture_default_str();
    number(command, "--period", signal.period, "S",
           "Sweep period in seconds, 1 to " + std::to_string(kMaxSweepSeconds), 1, kMaxSweepSeconds)
        ->capture_default_str();
}

// A setting the chosen generator never reads is most likely a mistake.
void checkSettingsFitTheGenerator(const CLI::App& command, GeneratorKind kind) {
    for (const auto& [option, needs] : {std::pair{"--frequency", PureTone},
                                        {"--limit", FrequencySweep},
                                        {"--period", FrequencySweep}}) {
        if (command.count(option) > 0 && kind != needs) {
            throw UsageError(std::string(option) + " applies only to the " +
                             (needs == PureTone ? "tone" : "sweep") + " generator");
        }
    }
}

// The format --format names, or else the file name's extension; WAV on standard output.
FileFormat formatOf(const std::string& output, std::string format) {
    if (output.empty()) {
        throw UsageError("-o needs a file name, or - for standard output");
    }
    if (format.empty()) {
        format = output == "-" ? ".wav" : std::filesystem::path(output).extension().string();
        format = CLI::detail::to_lower(format.erase(0, 1));  // without the dot
    }
    const auto found = kFormats.find(format);
    if (found == kFormats.end()) {
        throw UsageError("cannot tell the format from the name '" + output +
                         "' (use .wav, .flac or .raw, or --format)");
    }
    return found->second;
}

}  // namespace

std::optional<Arguments> parseArguments(int argc, const char* const* argv) {
    // CLI11 would call both of these "A subcommand is required".
    const std::string first = argc > 1 ? argv[1] : "";
    if (first != "play" && first != "render" && !first.starts_with('-')) {
        throw UsageError(first.empty()
                             ? "a command is required: play or render (see vellumtone-cli --help)"
                             : "unknown command '" + first + "' (expected play or render)");
    }

    SignalPlayer& player = SignalPlayer::instance;
    Arguments a;
    Signal signal;
    std::string format;

    CLI::App app{
        "Plays test signals endlessly for the burn-in of headphones and speakers, "
        "or renders them to a file.\n"
        "Exit codes: 0 done, 1 failed while running (no audio output, a file that cannot be "
        "written), 2 bad command line.",
        "vellumtone-cli"};
    app.set_version_flag("--version", std::string("vellumtone-cli ") + version::kVersion);
    app.require_subcommand(1);

    CLI::App* play = app.add_subcommand("play", "Play a generator through the default output");
    addSignalOptions(*play, signal);
    number(*play, "--rest-every", a.restEvery, "MIN",
           "Rest after this many minutes of playing [" +
               std::to_string(SignalPlayer::kDefaultRestEveryMinutes) + "]; switches rests on",
           0);
    number(*play, "--rest-length", a.restLength, "MIN",
           "Minutes of silence per rest [" +
               std::to_string(SignalPlayer::kDefaultRestLengthMinutes) + "]; switches rests on",
           0);
    number(*play, "--duration", a.durationSeconds, "TIME",
           "Stop after TIME: seconds, or a number with s, m or h [until Ctrl-C]", 1, kMaxUint32,
           true);

    CLI::App* render = app.add_subcommand("render", "Render a generator to a file");
    addSignalOptions(*render, signal);
    number(*render, "--seconds", a.seconds, "N", "Seconds of audio, rounded up to whole blocks", 1)
        ->required();
    number(*render, "--seed", a.seed, "T",
           "Calendar second the render's playback starts at [now]; equal seeds, equal samples", 0);
    render->add_option("-o,--output", a.output, "Output file, or - for standard output")
        ->type_name("FILE")
        ->required();
    render->add_option("--format", format, "16-bit stereo wav, flac or raw [from the extension]")
        ->type_name("FORMAT")
        ->check(CLI::IsMember(kFormats));

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {  // --help or --version, printed by exit()
        app.exit(done);
        return std::nullopt;
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }

    a.command = play->parsed() ? Command::Play : Command::Render;
    const GeneratorKind kind = kGenerators.at(signal.generator);
    checkSettingsFitTheGenerator(play->parsed() ? *play : *render, kind);
    if (a.command == Command::Render) {
        a.format = formatOf(a.output, format);
    }
    player.chooseGenerator(kind);
    if (signal.volume) {
        // As the desktop program's slider: 0 to 32767, rounded to the nearest step.
        player.setVolumePosition((*signal.volume * 32767 + 50) / 100);
    } else {
        player.setAmplitude(signal.peakToPeak);
    }
    player.setToneFrequency(signal.frequency);
    player.setSweep(signal.period, signal.limit);
    return a;
}
