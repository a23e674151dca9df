#!/usr/bin/env bash
# How long `vellumtone-cli play` keeps sounding after a stop signal, as recorded from a
# private PulseAudio null sink: the recording's length when the signal is sent, against the
# last non-silent frame recorded. The recorder's own latency (--latency-msec=20) makes each
# figure approximate to a few tens of milliseconds. Target: under 150 ms.
#
#   bench/cli_stop_latency.sh [path/to/vellumtone-cli]   (default: the release build)
#   RUNS=5 bench/cli_stop_latency.sh
set -euo pipefail
cd "$(dirname "$0")/.."

cli=$(realpath "${1:-build/release/cli/vellumtone-cli}")
runs=${RUNS:-5}
[ -x "$cli" ] || { echo "no $cli: build it first" >&2; exit 1; }

source scripts/services.sh
start_pulseaudio
work=$services_dir/stop-latency
mkdir -p "$work"

for run in $(seq "$runs"); do
    capture=$work/capture-$run.raw
    parec -d "$(pactl get-default-sink).monitor" --raw --format=s16le --rate=44100 --channels=2 --latency-msec=20 \
        >"$capture" &
    recorder=$!
    # An idle null sink drops what plays before its monitor delivers: wait for data.
    while [ "$(stat -c %s "$capture")" -lt 17640 ]; do sleep 0.01; done
    SDL_AUDIODRIVER=pulseaudio "$cli" play tone --frequency 1000 >/dev/null &
    player=$!
    sleep 3.5
    at_signal=$(($(stat -c %s "$capture") / 4))
    # SIGTERM takes the same path as Ctrl-C's SIGINT, which a script's background job
    # inherits as ignored and so keeps ignoring.
    kill -TERM "$player"
    wait "$player"
    sleep 1
    kill "$recorder"
    wait "$recorder" 2>/dev/null || true
    last=$(od -An -v -td2 -w4 "$capture" | awk '$1 != 0 { last = NR } END { print last + 0 }')
    awk -v run="$run" -v last="$last" -v at="$at_signal" \
        'BEGIN { printf "run %d: sound for %.0f ms after SIGTERM\n", run, (last - at) * 1000 / 44100 }'
done
