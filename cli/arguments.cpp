#include "arguments.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <map>
#include <regex>

#include "engine/signal_format.h"
#include "engine/signal_player.h"
#include "option_checks.h"
#include "version.h"

namespace {

constexpr std::uint32_t kMax = 0xFFFFFFFF;

using enum GeneratorKind;

const std::map<std::string, GeneratorKind> kGenerators{
    {"white", WhiteNoise}, {"pink", PinkNoise}, {"tone", PureTone}, {"sweep", FrequencySweep}};
const std::map<std::string, FileFormat> kFormats{
    {"wav", FileFormat::Wav}, {"flac", FileFormat::Flac}, {"raw", FileFormat::Raw}};

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
    command.add_option("generator", signal.generator, "white, pink, tone or sweep")
        ->type_name("GENERATOR")
        ->check(CLI::IsMember(kGenerators));
    CLI::Option* amplitude = add(command, "--amplitude", signal.peakToPeak, "0-65534",
                                 "Peak-to-peak amplitude in sample units", bounded(0, 0, 65534));
    add(command, "--volume", signal.volume, "0-100", "Volume in percent of the largest amplitude",
        bounded(0, 0, 100))
        ->excludes(amplitude);
    add(command, "--frequency", signal.frequency, "HZ", "Tone frequency", bounded(0, 1, kMax));
    add(command, "--limit", signal.limit, "HZ", "Sweep upper limit", bounded(0, 1, kMax));
    add(command, "--period", signal.period, "TIME", "Sweep period, 1 s to 1 h",
        bounded(1, 1, kMaxSweepSeconds));
}

void addPlayOptions(CLI::App& play, Arguments& a) {
    add(play, "--rest-every", a.restEvery, "MINUTES",
        "Play this long between rests [" + std::to_string(SignalPlayer::kDefaultRestEveryMinutes) +
            "]; switches rests on",
        bounded(60, 0, kMax));
    add(play, "--rest-length", a.restLength, "MINUTES",
        "Rest this long each time [" + std::to_string(SignalPlayer::kDefaultRestLengthMinutes) +
            "]; switches rests on",
        bounded(60, 0, kMax));
    add(play, "--duration", a.durationSeconds, "TIME", "Stop after this long [until Ctrl-C]",
        bounded(1, 1, kMax));
    add(play, "--target", a.targetSeconds, "TIME",
        "Stop once this much has been heard in all (with --journal, the journal's total)",
        bounded(1, 1, kMax));
    play.add_option("--journal", a.journal,
                    "Add the time heard to journal NAME, one per pair of headphones or speakers")
        ->type_name("NAME")
        ->check([](const std::string& name) -> std::string {
            const bool plain = std::regex_match(name, std::regex(R"([\w-][\w.-]{0,99})"));
            return plain ? ""
                         : "must be up to 100 letters, digits, '.', '_' or '-', not "
                           "starting with '.', not " +
                               quoteValue(name);
        });
    play.add_option("--device", a.device, "Play on this output; list: show them [the default]")
        ->type_name("NAME");
    play.add_flag("-q,--quiet", a.quiet, "Print no status, only errors");
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
        throw UsageError("cannot tell the format from the name " + quoteValue(output) +
                         " (use .wav, .flac or .raw, or --format)");
    }
    return found->second;
}

}  // namespace

std::optional<Arguments> parseArguments(int argc, const char* const* argv) {
    // CLI11 would call both of these "A subcommand is required".
    const std::string first = argc > 1 ? argv[1] : "";
    if (first != "play" && first != "render" && first != "journal" && first != "help" &&
        !first.starts_with('-')) {
        throw UsageError(first.empty() ? "a command is required: play, render, journal or help"
                                       : "unknown command " + quoteValue(first) +
                                             " (expected play, render, journal or help)");
    }

    SignalPlayer& player = SignalPlayer::instance;
    Arguments a;
    Signal signal;
    std::string format;
    std::string topic;

    CLI::App app{
        "Plays test signals endlessly for the burn-in of headphones and speakers, "
        "or renders them to a file.",
        "vellumtone-cli"};
    app.footer(
        "TIME: 90 (seconds), 90s, 10m, 1h30m, 4d, 1.5h or 00:10:00. MINUTES: the same, a bare "
        "number counting minutes.\nExit status: 0 done, 1 failed while running, 2 bad command "
        "line.");
    app.set_version_flag("--version", std::string("vellumtone-cli ") + version::kVersion);
    app.set_help_all_flag("--help-all", "Print the help of every command");
    app.require_subcommand(1);

    CLI::App* play = app.add_subcommand("play", "Play a generator until stopped");
    addSignalOptions(*play, signal);
    addPlayOptions(*play, a);
    CLI::App* render = app.add_subcommand("render", "Render a generator to a file");
    addSignalOptions(*render, signal);
    add(*render, "--duration,--seconds", a.seconds, "TIME", "Rounded up to whole blocks",
        bounded(1, 1, kMax))
        ->required()
        ->default_str("");
    add(*render, "--seed", a.seed, "T",
        "Calendar second the render's playback starts at [now]; equal seeds, equal samples",
        bounded(0, 0, kMax));
    render->add_option("-o,--output", a.output, "Output file, or - for standard output")
        ->type_name("FILE")
        ->required();
    render->add_option("--format", format, "16-bit stereo wav, flac or raw [from the extension]")
        ->type_name("FORMAT")
        ->check(CLI::IsMember(kFormats));
    CLI::App* journals = app.add_subcommand("journal", "List the journals and their totals");
    CLI::App* help = app.add_subcommand("help", "Print the help of a command, or of all");
    help->add_option("command", topic)
        ->type_name("COMMAND")
        ->check(CLI::IsMember({"play", "render", "journal"}));

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {  // --help or --version, printed by exit()
        app.exit(done);
        return std::nullopt;
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }
    if (help->parsed()) {
        std::cout << (topic.empty() ? app.help() : app.get_subcommand(topic)->help());
        return std::nullopt;
    }
    a.command = journals->parsed()   ? Command::Journals
                : render->parsed()   ? Command::Render
                : a.device == "list" ? Command::Devices
                                     : Command::Play;
    if (a.command == Command::Journals || a.command == Command::Devices) {
        return a;
    }
    if (signal.generator.empty()) {
        throw UsageError("a generator is required: white, pink, tone or sweep");
    }
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
