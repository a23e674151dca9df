// The built program end to end, run from bash as a user runs it, in a folder of its own:
// `render`'s samples against the reference generators in every format, and what a replaced,
// failed or interrupted render leaves behind; `play` through SDL's disk and dummy drivers,
// which keep real-time pace without a sound server, and on a private PulseAudio server.
#include <gmock/gmock.h>
#include <sndfile.hh>

#include <filesystem>
#include <utility>

#include "engine/testing/child_process.h"
#include "engine/testing/reference_signal.h"
#include "engine/testing/test_services.h"

namespace {

namespace fs = std::filesystem;
using testing::MatchesRegex;
using K = GeneratorKind;

// The time stamp of a line in a log.
const std::string kStamp = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ";

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
        // Byte for byte, every header field and every sample, against the file libsndfile
        // writes for the reference samples.
        const TempFolder folder;
        const std::string extension = tail.substr(tail.rfind('.'));
        const int format = extension == ".wav"    ? SF_FORMAT_WAV
                           : extension == ".flac" ? SF_FORMAT_FLAC
                                                  : SF_FORMAT_RAW;
        const std::vector<std::int16_t> frames =
            referencePlayback(settings, std::size_t{3} * 44100);
        SndfileHandle((folder.path / ("b" + extension)).c_str(), SFM_WRITE,
                      format | SF_FORMAT_PCM_16, 2, 44100)
            .writef(frames.data(), static_cast<sf_count_t>(frames.size() / 2));
        EXPECT_EQ(
            folder.sh("$cli render --seconds 3 " + tail + "\ncmp a" + extension + " b" + extension),
            "");
    }
}

// A replaced file keeps its mode and a link is written through (modes as octal, then sizes:
// 176400 bytes are a second of 16-bit stereo at 44,100 Hz); each failure says why in one line
// before its exit code, with none of the audio library's noise, and leaves nothing behind.
// script(1) gives the program a terminal and passes on its exit code. (A background job of sh
// ignores SIGINT, and so does the program then: SIGTERM interrupts.)
TEST(Render, ReplacesFilesWholeAndFailuresSayWhyLeavingNothing) {
    const std::string said = "vellumtone-cli: [^\n]*";
    EXPECT_THAT(
        TempFolder().sh(
            "umask 022; echo old >private.raw; chmod 600 private.raw; ln -s target.raw d.raw\n"
            "for f in private.raw d.raw new.raw; do $cli render tone --seconds 1 -o $f; done\n"
            "$cli render white --seconds 1 -o no/x.wav; echo $?\n"
            "(ulimit -f 900; $cli render white --seconds 9 -o x.wav); echo $?\n"
            "$cli render white --seconds 1 -o /dev/full --format flac; echo $?\n"
            "$cli render white --seconds 24348 -o x.wav; echo $?\n"
            "SDL_AUDIODRIVER=alsa $cli play white; echo $?\n"
            "for o in - /dev/tty; do script -qec \"$cli render white --seconds 1 --format raw -o "
            "$o\" "
            "/dev/null; echo $?; done\n"
            "$cli render white --seconds 3000 -o x.raw & sleep 0.3; kill $!; wait $! 2>/dev/null\n"
            "echo $?; find . ! -name . -printf '%P %y %m %s\\n' | sort"),
        MatchesRegex(said + "No such file or directory\n1\n" + said + "File too large\n1\n" + said +
                     "No space left on device\n1\n" + said + "too long for a WAV[^\n]*\n2\n" +
                     said +
                     "no PulseAudio or PipeWire server answered; ALSA fallback: [^\n]+\n1\n(" +
                     said + "to a terminal[^\n]*\r\n2\n){2}143\nd.raw l 777 10\n" +
                     "new.raw f 644 176400\nprivate.raw f 600 176400\ntarget.raw f 644 176400\n"));
}

// A duration ends it (SDL's disk driver, in place of a sound card, plays at real-time pace;
// the engine's own test holds its samples against the reference signal); on a terminal that cannot
// take escape codes (TERM=dumb), log lines; a hang-up inherited as ignored (nohup) stays ignored.
// On a terminal each line, rewritten after a carriage return, fills the width but one column, the
// label cut first so that the times stay whole, with no escape codes.
TEST(Play, PlaysItsDurationThroughHangUpAndFitsATerminal) {
    EXPECT_THAT(
        TempFolder().sh(
            "TERM=dumb script -qec \"trap '' HUP; SDL_AUDIODRIVER=disk "
            "SDL_DISKAUDIOFILE=heard.raw $cli play tone --duration 1 & sleep 0.3; kill -HUP "
            "\\$!; wait \\$!; echo \\$?\" /dev/null\n"
            "TERM=xterm script -qec \"stty cols 50; $cli play white --duration 1\" /dev/null"),
        MatchesRegex(kStamp + "tone 1000 Hz \\| Playing 0:00:00 \\| 0:00:0[01] left, ends " +
                     "[0-9:]{5}\r\n" + kStamp + "tone 1000 Hz \\| Stopped after 0:00:0[01]\r\n" +
                     "0\r\n(\rwhit \\| Playing 0:00:0[01] \\| 0:00:0[01] left, ends [0-9:]{5})+" +
                     "\rwhite noise \\| Stopped after 0:00:0[01] {14}\r\n"));
}

// The journal: a second process refused; saved when the playback starts, so that a kill -9
// finds it whole; saved at a stop signal, the standard output a closed pipe that neither kills
// nor ends the playback; replaced by a new file, never rewritten in place; the target stops the
// playback once the total reaches it, logged once per change of state, and a target already
// reached is said, not played; a corrupt journal is refused and left as it was.
TEST(Play, KeepsTheJournalAcrossRunsAndStopsAtTheTarget) {
    EXPECT_THAT(
        TempFolder().sh(
            "$cli play pink --journal a -q &\n"
            "for i in $(seq 50); do sleep 0.1; [ -e vellumtone/a.journal ] && break; done\n"
            "$cli play pink --journal a --duration 1 -q; echo $?\n"
            "kill -9 $!; wait $! 2>/dev/null; cd vellumtone; cat a.journal; ls -i a.journal >i\n"
            "{ $cli play white --journal a & sleep 1; kill $!; wait $!; echo $? >&2; } | true\n"
            "cat a.journal; $cli play pink --journal a --target 3; echo $?; cat a.journal\n"
            "$cli play pink --journal a --target 2; echo $?\n"
            "ls -i a.journal | cmp -s - i || echo replaced; $cli journal\n"
            "echo 'heard-ms 9' >a.journal; $cli play pink --journal a --duration 1; echo $?\n"
            "cat a.journal"),
        MatchesRegex(
            "vellumtone-cli: journal a is in use by another vellumtone-cli\n1\n"
            "vellumtone journal 1\nheard-ms [0-9]+\n0\n"
            "vellumtone journal 1\nheard-ms [1-9][0-9]{2,3}\n" +
            kStamp + "pink noise \\| Playing 0:00:00 \\| total 0:00:0[01] of 0:00:03, " +
            "ends [0-9:]{5}\n" + kStamp + "pink noise \\| Stopped after 0:00:0[12] \\| " +
            "total 0:00:03 of 0:00:03\n0\nvellumtone journal 1\nheard-ms 3[0-4][0-9]{2}\n" +
            kStamp + "pink noise \\| Stopped after 0:00:00 \\| total 0:00:03 of 0:00:02\n0\n" +
            "replaced\na +0:00:03 heard\nvellumtone-cli: journal a "
            "\\([^)]*/vellumtone/a.journal\\) " +
            "is corrupt; it is left as it is\n1\nheard-ms 9\n"));
}

// On a private PulseAudio server with a second null sink: --device plays there, and nothing
// reaches the default sink. Stopped (SIGSTOP) for 3 s, past the 2 s the server holds, the
// server runs dry; stopped as soon as it runs again, the journal holds what the sink played
// (within 0.5 s), not the time that passed.
TEST(Play, PlaysOnTheNamedDeviceAloneAndTalliesWhatItPlayedThroughAStop) {
    SKIP_OR_FAIL_UNLESS(ChildProcess({"sh", "-c", "command -v pulseaudio"}).wait() == 0,
                        "pulseaudio");
    EXPECT_THAT(
        TempFolder().sh(
            "services_dir=$PWD/services; . " VELLUMTONE_SERVICES_SCRIPT "; start_pulseaudio\n"
            "pactl load-module module-null-sink sink_name=second >/dev/null\n"
            "$cli play --device list\n"
            "for sink in nullout second; do parec -d $sink.monitor >$sink.raw 2>/dev/null & done\n"
            "until [ $(cat *.raw | wc -c) -gt 100000 ]; do sleep 0.1; done\n"
            "$cli play tone --device second --journal s -q & sleep 1.5; kill -STOP $!; sleep 3\n"
            "kill -TERM $!; kill -CONT $!; wait $!; echo $?; sleep 0.3\n"
            "$cli play tone --device third; echo $?\n"
            "for sink in nullout second; do echo $sink $(od -An -v -td2 $sink.raw | tr -s ' ' "
            "'\\n' | grep -cvx ' *0*'); done | awk -v heard=$(sed -n 's/heard-ms //p' "
            "vellumtone/s.journal) '$2 { d = heard - $2 * 500 / 44100; "
            "print $1, (d < 500 && d > -500 ? \"heard\" : \"counted \" heard \" ms\") }'; "
            "kill %1 %2"),
        MatchesRegex("\\* nullout\tNull Output\n  second\tNull Output\n0\n"
                     "vellumtone-cli: no output named 'third' \\([^\n]*\n1\nsecond heard\n"));
}

// The manual page holds every option of both commands, their examples and the exit statuses.
TEST(ManPage, HoldsTheOptionsOfBothCommands) {
    EXPECT_EQ(
        TempFolder().sh("zcat " VELLUMTONE_CLI_MAN_PAGE " | sed 's/\\\\-/-/g' >page\n"
                        "for part in EXAMPLES 'EXIT STATUS' journal --help-all --rest-every "
                        "--rest-length --duration --target --journal --device --quiet "
                        "--amplitude --volume --frequency --limit --period --seconds --seed "
                        "--output --format; do grep -qe \"$part\" page || echo \"$part\"; done"),
        "");
}

// `help` is the whole manual, as --help-all; `help render` the render command's part of it.
TEST(Help, OfAllOrOfOneCommand) {
    EXPECT_EQ(TempFolder().sh("$cli help | cmp - <($cli --help-all) && echo all\n"
                              "$cli help render | cmp - <($cli render --help) && echo render"),
              "all\nrender\n");
}

}  // namespace
