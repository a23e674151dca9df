#!/usr/bin/env bash
# Audio benchmarks on a private PulseAudio with a null sink:
#  - whole-process CPU time and context switches per second while playing pink noise for
#    $SECONDS_TO_PLAY seconds (60 by default), for Vellumtone's player (bench/play_pink),
#    `vellumtone-cli play` (its status going to a log, a journal kept), SoX's `play` and
#    `paplay` of a WAV file, one after the other in the same run;
#  - the same for Vellumtone with the device open and nothing playing, and for the desktop
#    program left idle on a private X server;
#  - the stop latency: from the stop request to the last sound recorded, over $STOPS stops.
# Usage: bench/audio_cpu_bench.sh   (builds play_pink and the desktop program with the bench preset first)
set -euo pipefail
cd "$(dirname "$0")/.."

# perf and SoX are needed here only, not by the build or the tests.
for tool in perf:linux-perf sox:sox; do
    command -v "${tool%%:*}" >/dev/null || apt-get install -y -qq --no-install-recommends "${tool#*:}"
done

seconds=${SECONDS_TO_PLAY:-60}
stops=${STOPS:-20}

cmake --preset bench >/dev/null
cmake --build --preset bench --target play_pink vellumtone vellumtone-cli >/dev/null
player=build/bench/bench/play_pink
cli=build/bench/cli/vellumtone-cli
desktop=build/bench/ui/vellumtone

source scripts/services.sh
start_xvfb
start_pulseaudio

wav="$services_dir/pink.wav"
sox -q -n -r 44100 -c 2 -b 16 "$wav" synth "$seconds" pinknoise vol 0.3

# Runs perf stat with the given target (a command after --, or -p PID -- sleep N) and prints
# the CPU use (percent of one core) and context switches per second, counted over all of the
# target's threads from start to end.
measure() {
    local label=$1
    shift
    local out="$services_dir/perf.csv"
    local start end
    start=$(date +%s.%N)
    perf stat -x, -e task-clock,context-switches -o "$out" "$@" >/dev/null
    end=$(date +%s.%N)
    awk -F, -v label="$label" -v start="$start" -v end="$end" '
        $3 == "task-clock" { ms = $1 }
        $3 == "context-switches" { cs = $1 }
        END {
            wall = end - start
            printf "%-28s %6.2f s  CPU %5.2f %% of one core  %6.1f context switches/s\n",
                label, wall, ms / 10 / wall, cs / wall
        }' "$out"
}

echo "=== CPU and context switches, ${seconds} s each"
measure "vellumtone (pink noise)" -- "$player" "$seconds"
XDG_STATE_HOME="$services_dir" measure "vellumtone-cli (pink noise)" -- \
    "$cli" play pink --duration "$seconds" --journal bench
# (sh execs play, whose harmless warning about the ALSA sample size is dropped.)
measure "sox play (pink noise)" -- sh -c 'exec play -q -r 44100 -c 2 -n synth "$0" pinknoise 2>/dev/null' "$seconds"
measure "paplay (pink WAV)" -- paplay "$wav"
measure "vellumtone, device idle" -- "$player" --idle "$seconds"
# The desktop program idle, counted from 5 s after its start, when the window is up: what it
# costs while left alone, without the one-off start-up of GTK.
"$desktop" &
desktop_pid=$!
sleep 5
measure "desktop program idle" -p "$desktop_pid" -- sleep "$seconds"
kill "$desktop_pid"
wait "$desktop_pid" 2>/dev/null || true

echo "=== Stop latency"
"$player" --stop-latency "$stops"
