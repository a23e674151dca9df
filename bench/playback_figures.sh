#!/usr/bin/env bash
# Play to first sound for every signal, the peak memory with the longest sweep, how long a
# Stop during the pause after a volume change leaves the sound on, and how late a rest starts
# and ends at the sink (two minutes), on a private PulseAudio null sink. Pass another build's
# playback_figures to compare the two.
#
#   bench/playback_figures.sh [path/to/playback_figures]   (default: the bench build)
set -euo pipefail
cd "$(dirname "$0")/.."

program=$(realpath "${1:-build/bench/bench/playback_figures}")
[ -x "$program" ] || { echo "no $program: build it first" >&2; exit 1; }

source scripts/services.sh
start_pulseaudio
"$program" --first-sound
"$program" --pause-stop "${RUNS:-5}"
"$program" --rest
