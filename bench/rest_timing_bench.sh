#!/usr/bin/env bash
# Where a rest starts and ends at the sink: plays a tone with `vellumtone-cli play --rest-every 1
# --rest-length 1` into a private null sink, records the sink's monitor, and prints, counted
# from the first sound, when the sound stops for the rest and when it resumes, and how late
# each is against the schedule: the rest is due 60 s after the reference (the calendar second in
# which the playback started) and ends 120 s after it. Each recorded frame's calendar time is counted
# back from the moment the recording ends (give or take parec's 20 ms). Pass another build's
# vellumtone-cli to compare the two.
#
#   bench/rest_timing_bench.sh [path/to/vellumtone-cli]   (default: the release build)
set -euo pipefail
cd "$(dirname "$0")/.."

cli=$(realpath "${1:-build/release/cli/vellumtone-cli}")
[ -x "$cli" ] || { echo "no $cli: build it first" >&2; exit 1; }

source scripts/services.sh
start_pulseaudio
capture=$services_dir/rest.raw
parec -d "$(pactl get-default-sink).monitor" --raw --format=s16le --rate=44100 --channels=2 \
    --latency-msec=20 >"$capture" &
recorder=$!
# An idle null sink drops what plays before its monitor delivers: wait for data.
while [ "$(stat -c %s "$capture" 2>/dev/null || echo 0)" -lt 17640 ]; do sleep 0.01; done
"$cli" play tone --rest-every 1 --rest-length 1 --duration 135 >/dev/null
sleep 1
ended=$(date +%s.%N)
frames=$(($(stat -c %s "$capture") / 4))
kill "$recorder"
wait "$recorder" 2>/dev/null || true
# Runs of sound, in 10 ms steps: a gap of a second or more is the rest.
od -An -v -td2 -w1764 "$capture" | awk -v ended="$ended" -v frames="$frames" '
    function at(row) { return ended - (frames - (row - 1) * 441) / 44100 }
    { loud = 0; for (i = 1; i <= NF; i++) if ($i != 0) { loud = 1; break } }
    loud && first == "" { first = NR }
    loud && last != "" && NR - last > 100 && restStart == "" { restStart = last; restEnd = NR }
    loud { last = NR }
    END {
        printf "rest starts %.2f s and ends %.2f s after the first sound\n",
            (restStart - first + 1) / 100, (restEnd - first) / 100
        # The playback starts a few ms before its first sound: the reference is that second.
        reference = int(at(first) - 0.05)
        printf "against the schedule: the rest starts %.2f s late and ends %.2f s late\n",
            at(restStart + 1) - (reference + 60), at(restEnd) - (reference + 120)
    }'
