#include "arguments.h"

#include <CLI/CLI.hpp>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <regex>

#include "engine/signal_format.h"
#include "engine/signal_player.h"
#include "ui/common/field_checks.h"
#include "version.h"

namespace {

constexpr std::uint32_t kMax = 0xFFFFFFFF;

using enum GeneratorKind;

// A time as people write it: 90, 90s, 10m, 1h30m, 4d, 1.5h or 00:10:00, in whole seconds; a
// bare number counts `bareUnit` seconds. None when it is not one.
std::optional<std::uint64_t> parseDuration(const std::string& text, std::uint64_t bareUnit) {
    // At most 12 digits before the point and 9 after: no number overflows. Then H:MM:SS or M:SS.
    static const std::string n = R"((\d{1,12}(?:\.\d{1,9})?))";
    static const std::regex time("(?:" + n + "d)?(?:" + n + "h)?(?:" + n + "m)?(?:" + n + "s)?|" +
                                 n + R"(|(?:(\d{1,9}):([0-5]\d)|(\d{1,9})):([0-5]\d))");
    std::smatch m;
    if (text.empty() || !std::regex_match(text, m, time)) {
        return std::nullopt;
    }
    // Each group's unit in seconds: d, h, m, s, a bare number, then the clock's fields.
    const std::array<long double, 10> unit{
        0, 86400, 3600, 60, 1, static_cast<long double>(bareUnit), 3600, 60, 60, 1};
    long double seconds = 0;
    for (std::size_t group = 1; group < unit.size(); ++group) {
        seconds += m[group].matched ? std::stold(m[group]) * unit.at(group) : 0;
    }
    // Fractions only where they make whole seconds: 1.5h, not 1.5s.
    if (std::fabs(seconds - std::round(seconds)) > 1e-6L) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(std::round(seconds));
}

// Adds an option whose text is converted to plain decimal digits, or refused naming the range:
// with unit 0 a whole number from min to max; else a duration in units of `unit` seconds (60:
// whole minutes, which a bare number then counts) from min to max units. On its own CLI11
// would also take signs, fractions, hex (0x10) and octal (010); from_chars reads plain
// decimal digits and nothing else. The help shows the value as `type`.
template <typename T>
CLI::Option* add(CLI::App& command, const char* name, T& target, const char* type,
                 const std::string& help, std::uint64_t unit, std::uint64_t min,
                 std::uint64_t max) {
    const std::string range = "from " + std::to_string(min) + " to " + std::to_string(max);
    const std::string times = "90s, 10m, 1h30m, 4d, 1.5h or 00:10:00, " + range;
    const std::string expected = unit == 0 ? "whole number " + range
                                 : unit == 1
                                     ? "time such as 90, " + times + " seconds"
                                     : "time such as 90 (minutes), " + times + " whole minutes";
    const auto check = [=](std::string& text) -> std::string {
        std::uint64_t value = max + 1;  // refused unless read whole
        if (unit != 0) {
            const std::optional<std::uint64_t> seconds = parseDuration(text, unit);
            value = seconds && *seconds % unit == 0 ? *seconds / unit : value;
        } else if (const char* end = text.data() + text.size();
                   std::from_chars(text.data(), end, value).ptr != end) {
            value = max + 1;
        }
        if (value < min || value > max) {
            return "must be a " + expected + ", not " + quoteValue(text);
        }
        text = std::to_string(value);
        return {};
    };
    return command.add_option(name, target, help)
        ->type_name(type)
        ->transform(CLI::Validator(check, "", ""))
        ->capture_default_str();
}

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
                                 "Peak-to-peak amplitude in sample units", 0, 0, 65534);
    add(command, "--volume", signal.volume, "0-100", "Volume in percent of the largest amplitude",
        0, 0, 100)
        ->excludes(amplitude);
    add(command, "--frequency", signal.frequency, "HZ", "Tone frequency", 0, 1, kMax);
    add(command, "--limit", signal.limit, "HZ", "Sweep upper limit", 0, 1, kMax);
    add(command, "--period", signal.period, "TIME", "Sweep period, 1 s to 1 h", 1, 1,
        kMaxSweepSeconds);
}

void addPlayOptions(CLI::App& play, Arguments& a) {
    add(play, "--rest-every", a.restEvery, "MINUTES",
        "Play this long between rests; switches rests on", 60, 0, kMax)
        ->default_str(std::to_string(SignalPlayer::kDefaultRestEveryMinutes));
    add(play, "--rest-length", a.restLength, "MINUTES",
        "Rest this long each time; switches rests on", 60, 0, kMax)
        ->default_str(std::to_string(SignalPlayer::kDefaultRestLengthMinutes));
    add(play, "--duration", a.durationSeconds, "TIME", "Stop after this long [until Ctrl-C]", 1, 1,
        kMax);
    add(play, "--target", a.targetSeconds, "TIME",
        "Stop once this much has been heard in all (with --journal, the journal's total)", 1, 1,
        kMax);
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
    add(*render, "--duration,--seconds", a.durationSeconds, "TIME", "Rounded up to whole blocks", 1,
        1, kMax)
        ->required()
        ->default_str("");
    add(*render, "--seed", a.seed, "T",
        "Calendar second the render's playback starts at [now]; equal seeds, equal samples", 0, 0,
        kMax);
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
        app.clear();  // else CLI11 gives the help of the command parsed, "help" itself
        std::cout << (topic.empty() ? app.help("", CLI::AppFormatMode::All)
                                    : app.get_subcommand(topic)->help(app.get_name()));
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
    // A setting the chosen generator never reads is most likely a mistake.
    for (const auto& [option, needs] :
         {std::pair{"--frequency", "tone"}, {"--limit", "sweep"}, {"--period", "sweep"}}) {
        if ((play->parsed() ? play : render)->count(option) > 0 && signal.generator != needs) {
            throw UsageError(std::string(option) + " applies only to the " + needs + " generator");
        }
    }
    if (a.command == Command::Render) {
        // The format --format names, or else the file name's extension; WAV on standard output.
        std::string named =
            std::filesystem::path(a.output == "-" ? "-.wav" : a.output).extension().string();
        const auto found =
            kFormats.find(format.empty() ? CLI::detail::to_lower(named.erase(0, 1)) : format);
        if (found == kFormats.end()) {
            throw UsageError("cannot tell the format from the name " + quoteValue(a.output) +
                             " (use .wav, .flac or .raw, or --format)");
        }
        a.format = found->second;
    }
    player.chooseGenerator(kGenerators.at(signal.generator));
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

std::string printable(const std::string& text, std::size_t limit) {
    std::string out;
    for (const char c : text) {
        char escaped[8] = {c, '\0'};
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(c));
        }
        out += escaped;
    }
    return leadingChars(out, limit).size() < out.size()
               ? std::string(leadingChars(out, limit - 3)) + "..."
               : out;
}

std::string quoteValue(const std::string& text) {
    return "'" + printable(text, 40) + "'";
}
