// The built program end to end, run from bash as a user runs it, in a folder of its own:
// `render`'s samples against the reference generators in every format, and what a replaced,
// failed or interrupted render leaves behind; `play` through SDL's disk and dummy drivers,
// which keep real-time pace without a sound server.
#include <gmock/gmock.h>
#include <sndfile.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>
#include <utility>

#include "engine/testing/child_process.h"
#include "engine/testing/reference_signal.h"
#include "engine/testing/test_services.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::MatchesRegex;
using K = GeneratorKind;

// The time stamp of a line in a log.
const std::string kStamp = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder, removed with everything in it when the test ends.
struct TempFolder {
    std::string pattern = (fs::temp_directory_path() / "vellumtone-cli-test.XXXXXX").string();
    const fs::path path = mkdtemp(pattern.data());  // the pattern's X replaced
    ~TempFolder() { fs::remove_all(path); }

    // Runs the script with bash in this folder, $cli naming the program, and gives what it
    // printed on either output as it came (add "echo $?" for an exit code). The audio goes
    // through SDL's dummy driver unless the script says otherwise.
    std::string sh(const std::string& script) const {
        ChildProcess child({"env", "cli=" + std::string(VELLUMTONE_CLI_PATH),
                            "SDL_AUDIODRIVER=dummy", "PULSE_SERVER=unix:/none",
                            "XDG_STATE_HOME=" + path.string(), "timeout", "60", "bash", "-c",
                            "exec 2>&1; cd \"$0\"\n" + script, path});
        child.wait();
        return child.output();
    }
};

// The file libsndfile writes for these frames, in the format its extension names.
std::string encode(const std::vector<std::int16_t>& frames, const fs::path& path) {
    const std::map<fs::path, int> formats{
        {".wav", SF_FORMAT_WAV}, {".flac", SF_FORMAT_FLAC}, {".raw", SF_FORMAT_RAW}};
    SF_INFO info{0, 44100, 2, formats.at(path.extension()) | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    sf_writef_short(file, frames.data(), static_cast<sf_count_t>(frames.size() / 2));
    sf_close(file);
    return readFile(path);
}

TEST(Render, WritesWhatLibsndfileWritesForTheReferenceSamples) {
    // The settings and the command ("-o -" goes into a pipe), for 3 seconds: whole blocks of
    // the sweep make 4.
    for (const auto& [settings, tail] : std::vector<std::pair<ReferenceSettings, std::string>>{
             {{.kind = K::WhiteNoise, .seed = 1700000000}, "white --seed 1700000000 -o a.wav"},
             {{.kind = K::PinkNoise, .amplitude = 65534, .seed = 99},
              "pink --volume 100 --seed 99 -o a.flac"},
             {{.kind = K::PureTone, .amplitude = 65534, .toneFrequency = 440, .seed = 0},
              "tone --frequency 440 --amplitude 65534 --seed 0 -o a.raw"},
             {{.kind = K::FrequencySweep, .amplitude = 777, .seed = 5},
              "sweep --period 2 --amplitude 777 --seed 5 --format wav -o - | cat >a.wav"},
             {{.kind = K::FrequencySweep, .seed = 5}, "sweep --seed 5 --format flac -o - >a.flac"},
         }) {
        SCOPED_TRACE(tail);
        const TempFolder folder;
        ASSERT_EQ(folder.sh("$cli render --seconds 3 " + tail), "");
        // Byte for byte: every header field, and every sample, is checked.
        const fs::path file = fs::directory_iterator(folder.path)->path();
        EXPECT_TRUE(readFile(file) == encode(referencePlayback(settings, std::size_t{3} * 44100),
                                             folder.path / "b" += file.extension()));
    }
}

// Modes as octal, then sizes: 176400 bytes are a second of 16-bit stereo at 44,100 Hz.
TEST(Render, ReplacingAFileKeepsItsModeAndWritesThroughLinks) {
    EXPECT_EQ(TempFolder().sh("umask 022; echo old >private.raw; chmod 600 private.raw\n"
                              "ln -s target.raw dangling.raw; for f in private.raw dangling.raw "
                              "new.raw; do $cli render tone --seconds 1 -o $f; done\n"
                              "find . ! -name . -printf '%P %y %m %s\\n' | sort"),
              "dangling.raw l 777 10\nnew.raw f 644 176400\nprivate.raw f 600 176400\n"
              "target.raw f 644 176400\n");
}

// Without any output, play says so in one line with none of the audio library's noise. script(1)
// gives the program a terminal and passes on its exit code. (A background job of
// sh ignores SIGINT, and so does the program then: SIGTERM interrupts.)
TEST(Render, FailuresSayWhyInOneLineAndLeaveNothing) {
    TempFolder folder;
    const std::string onATerminal = "script -qec \"$cli render white --seconds 1 --format raw -o ";
    // The command, its exit code and what its one line of error says (empty: no line), which
    // comes before the exit code.
    for (const auto& [command, exitCode, mentions] :
         std::vector<std::tuple<std::string, int, std::string>>{
             {"$cli render white --seconds 1 -o no/x.wav", 1, "No such file or directory"},
             {"ulimit -f 900; $cli render white --seconds 9 -o x.wav", 1, "File too large"},
             {"$cli render white --seconds 1 -o /dev/full --format flac", 1, "No space left"},
             {"$cli render white --seconds 24348 -o x.wav", 2, "too long for a WAV"},
             {"SDL_AUDIODRIVER=alsa $cli play white", 1,
              "no PulseAudio or PipeWire server answered; ALSA fallback: [^\n]"},
             {onATerminal + "-\" /dev/null", 2, "to a terminal"},
             {onATerminal + "/dev/tty\" /dev/null", 2, "to a terminal"},
             {"$cli render white --seconds 3000 -o x.raw & sleep 0.3; kill $!; wait $! 2>/dev/null",
              128 + SIGTERM, ""},
         }) {
        SCOPED_TRACE(command);
        const std::string said =
            mentions.empty() ? "" : "vellumtone-cli: [^\n]*" + mentions + "[^\n]*\n";
        EXPECT_THAT(folder.sh(command + "\necho $?"),
                    MatchesRegex(said + std::to_string(exitCode) + "\n"));
        EXPECT_TRUE(fs::is_empty(folder.path));
    }
}

// A duration ends it, the tone heard sample for sample; on a terminal that cannot take escape
// codes (TERM=dumb), log lines; a hang-up inherited as ignored (nohup) stays ignored; a closed
// standard output neither kills it nor ends it; on a terminal the status line fits the width, the
// label giving way first, with no escape codes.
TEST(Play, PlaysItsDurationSampleForSampleThroughHangUpAndAClosedPipeAndFitsATerminal) {
    TempFolder folder;
    // SDL's disk driver plays at real-time pace into a file. A loaded machine may leave it
    // short of blocks.
    EXPECT_THAT(
        folder.sh("TERM=dumb script -qec \"trap '' HUP; SDL_AUDIODRIVER=disk "
                  "SDL_DISKAUDIOFILE=heard.raw $cli play tone --duration 1 & sleep 0.3; kill -HUP "
                  "\\$!; wait \\$!; echo \\$?\" /dev/null"),
        MatchesRegex(kStamp + "tone 1000 Hz \\| Playing 0:00:00 \\| 0:00:0[01] left, ends " +
                     "[0-9:]{5}\r\n" + kStamp +
                     "tone 1000 Hz \\| Stopped after 0:00:0[01]\r\n0\r\n"));
    // The file holds silence, then the tone from its first frame (0 on both channels) to the
    // stop, sample for sample.
    const std::string heard = readFile(folder.path / "heard.raw");
    const std::size_t from = heard.find_first_not_of('\0') / 4 * 4 - 4;
    const std::size_t to = heard.find_last_not_of('\0') / 4 * 4 + 4;
    ASSERT_TRUE(from < to && to - from >= std::size_t{22050} * 4);
    const auto tone = referencePlayback({.kind = K::PureTone}, (to - from) / 4);
    EXPECT_EQ(heard.compare(from, to - from, reinterpret_cast<const char*>(tone.data()), to - from),
              0);
    // Not killed by SIGPIPE, nor ended: it heard its second.
    EXPECT_THAT(folder.sh("{ $cli play white --duration 1 --journal p; echo $? >&2; } | true\n"
                          "cat vellumtone/p.journal"),
                MatchesRegex("0\nvellumtone journal 1\nheard-ms ([5-9][0-9]{2}|1[0-9]{3})\n"));
    // Each line, rewritten after a carriage return, ends one column short of the width: the
    // label is cut, the times are whole.
    EXPECT_THAT(folder.sh("script -qec \"stty cols 50; $cli play white --duration 1\" /dev/null"),
                testing::AllOf(
                    testing::Not(testing::ContainsRegex("[^\r\n]{50}|\x1b")),
                    testing::ContainsRegex("\rwhit \\| Playing 0:00:00 \\| 0:00:0[01] left, ends "),
                    HasSubstr("\rwhite noise | Stopped after 0:00:0")));
}

// The journal keeps the heard total across runs, saved at a stop signal and kept whole through
// a kill -9, in a file replaced whole; the target stops the playback once the total reaches it; a
// corrupt journal and a second process on one journal are refused, the file left as it was.
TEST(Play, KeepsTheJournalAcrossRunsAndStopsAtTheTarget) {
    TempFolder folder;
    EXPECT_THAT(folder.sh("$cli play pink --journal a -q & sleep 1; kill $!; wait $!; echo $?; cd "
                          "vellumtone; cat a.journal; ls -i a.journal >inode\n"
                          "$cli play pink --journal a --target 4 -q & sleep 0.5\n"
                          "$cli play pink --journal a --duration 9; echo $?\n"
                          "{ kill -9 $!; wait $!; } 2>/dev/null; cat a.journal; $cli journal; ls"),
                MatchesRegex("0\nvellumtone journal 1\nheard-ms [1-9][0-9]{2,3}\n"
                             "vellumtone-cli: journal a is in use by another vellumtone-cli\n1\n"
                             "vellumtone journal 1\nheard-ms [1-9][0-9]{2,3}\n"
                             "a +0:00:0[01] heard\na.journal\na.lock\ninode\n"));
    // Saved as a new file renamed over the old one, never rewritten in place.
    EXPECT_THAT(
        folder.sh("cd vellumtone; $cli play pink --journal a --target 2; echo $?; cat "
                  "a.journal; ls -i a.journal | cmp -s - inode || echo replaced"),
        MatchesRegex(kStamp + "pink noise \\| Playing 0:00:00 \\| total 0:00:0[01] of " +
                     "0:00:02, ends [0-9:]{5}\n" + kStamp +
                     "pink noise \\| Stopped after 0:00:0[12] \\| total 0:00:02 of 0:00:02\n" +
                     "0\nvellumtone journal 1\nheard-ms 2[0-4][0-9]{2}\nreplaced\n"));
    EXPECT_EQ(folder.sh("cd vellumtone; echo 'heard-ms 9' >a.journal; "
                        "$cli play pink --journal a; echo $?; cat a.journal"),
              "vellumtone-cli: journal a (" + (folder.path / "vellumtone/a.journal").string() +
                  ") is corrupt; it is left as it is\n1\nheard-ms 9\n");
}

// On a private PulseAudio server with a second null sink: --device plays there, and nothing
// reaches the default sink.
TEST(Play, PlaysOnTheNamedDeviceAlone) {
    SKIP_OR_FAIL_UNLESS(ChildProcess({"sh", "-c", "command -v pulseaudio"}).wait() == 0,
                        "pulseaudio");
    TempFolder folder;
    EXPECT_THAT(
        folder.sh(
            "services_dir=$PWD/services; . " VELLUMTONE_SERVICES_SCRIPT "; start_pulseaudio\n"
            "pactl load-module module-null-sink sink_name=second >/dev/null\n"
            "$cli play --device list\n"
            "for sink in nullout second; do parec -d $sink.monitor >$sink.raw 2>/dev/null & done\n"
            "until [ $(cat *.raw | wc -c) -gt 100000 ]; do sleep 0.1; done\n"
            "$cli play tone --device second --duration 2 --quiet; echo $?\n"
            "$cli play tone --device third; echo $?\n"
            "for sink in nullout second; do od -An -v -td2 $sink.raw | tr -s ' ' '\\n' "
            "| grep -qvx '0*' && echo $sink heard; done; kill %1 %2"),
        MatchesRegex("\\* nullout\tNull Output\n  second\tNull Output\n0\n"
                     "vellumtone-cli: no output named 'third' \\([^\n]*\n1\nsecond heard\n"));
}

// The manual page holds every option of both commands, their examples and the exit statuses.
TEST(ManPage, HoldsTheOptionsOfBothCommands) {
    const std::string page =
        TempFolder().sh("zcat " VELLUMTONE_CLI_MAN_PAGE " | sed 's/\\\\-/-/g'");
    for (const char* part :
         {"EXAMPLES",      "EXIT STATUS", "journal",  "--help-all",  "--rest-every",
          "--rest-length", "--duration",  "--target", "--journal",   "--device",
          "--quiet",       "--amplitude", "--volume", "--frequency", "--limit",
          "--period",      "--seconds",   "--seed",   "--output",    "--format"}) {
        EXPECT_THAT(page, HasSubstr(part));
    }
}

}  // namespace
