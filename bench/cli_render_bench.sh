#!/usr/bin/env bash
# Render throughput of vellumtone-cli per generator, in seconds of audio per CPU second
# (user + system), side by side with SoX writing the nearest signal to a WAV file in the
# same run. Each figure is the best of several runs. SoX has no periodic sweep; its linear
# sweep from 0 to 2000 Hz over the whole file stands in for ours.
#
#   bench/cli_render_bench.sh [path/to/vellumtone-cli]   (default: the release build)
#   SECONDS_OF_AUDIO=600 RUNS=3 bench/cli_render_bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."

cli=${1:-build/release/cli/vellumtone-cli}
audio=${SECONDS_OF_AUDIO:-600}
runs=${RUNS:-3}
[ -x "$cli" ] || { echo "no $cli: build it first (cmake --preset release && cmake --build --preset release)" >&2; exit 1; }
command -v sox >/dev/null || { echo "SoX is not installed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints the least CPU time (user + system, seconds) of $runs runs of the command.
best_cpu() {
    local best=""
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%U %S" -o "$work/time" "$@" >/dev/null 2>"$work/err" ||
            { cat "$work/err" "$work/time" >&2; exit 1; }
        local cpu
        cpu=$(awk '{ printf "%.3f", $1 + $2 }' "$work/time")
        if [ -z "$best" ] || awk -v a="$cpu" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$cpu
        fi
    done
    echo "$best"
}

rate() { awk -v s="$audio" -v c="$1" 'BEGIN { if (c < 0.001) c = 0.001; printf "%.0f", s / c }'; }

printf "%-8s %-22s %12s %14s %12s %14s %8s\n" signal "SoX signal" "cli CPU s" "cli audio s/s" \
    "SoX CPU s" "SoX audio s/s" "ratio"
while read -r generator sox_signal; do
    cli_cpu=$(best_cpu "$cli" render "$generator" --seconds "$audio" --seed 1 -o "$work/cli.wav")
    # shellcheck disable=SC2086 # the SoX signal is several words
    sox_cpu=$(best_cpu sox -D -r 44100 -c 1 -n -b 16 -c 2 "$work/sox.wav" synth "$audio" $sox_signal)
    cli_rate=$(rate "$cli_cpu")
    sox_rate=$(rate "$sox_cpu")
    ratio=$(awk -v a="$cli_rate" -v b="$sox_rate" 'BEGIN { printf "%.1fx", a / b }')
    printf "%-8s %-22s %12s %14s %12s %14s %8s\n" "$generator" "$sox_signal" "$cli_cpu" "$cli_rate" \
        "$sox_cpu" "$sox_rate" "$ratio"
done <<'SIGNALS'
white whitenoise
pink pinknoise
tone sine 1000
sweep sine 0:2000
SIGNALS
echo "($audio s of audio per render, best of $runs runs, WAV files on $(df -P "$work" | awk 'NR==2 { print $1 }'))"
