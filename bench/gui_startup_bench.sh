#!/usr/bin/env bash
# Start-up of the desktop program on a private X server: the time from exec to the main
# window mapped on the screen (seen from outside: `xdotool search --onlyvisible` asked every
# few milliseconds, as its own --sync polls only twice a second), and its resident memory a
# second later.
# Targets: at most 150 ms and 45 MB. Usage: bench/gui_startup_bench.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-10}
build=${BUILD_DIR:-build/release}
if [ ! -x "$build/ui/vellumtone" ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target vellumtone
fi

source scripts/services.sh
start_xvfb
export SDL_AUDIODRIVER=dummy

times=()
rss=()
for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$build/ui/vellumtone" &
    pid=$!
    shown=""
    for _ in $(seq 2000); do
        if xdotool search --onlyvisible --name '^Vellumtone Generator' >/dev/null 2>&1; then
            shown=$(date +%s%N)
            break
        fi
        sleep 0.002
    done
    [ -n "$shown" ] || { echo "the window was not shown" >&2; kill "$pid"; exit 1; }
    sleep 1
    rss+=("$(awk '/^VmRSS:/{print $2}' "/proc/$pid/status")")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    times+=($(((shown - start) / 1000000)))
done

sorted_times=$(printf '%s\n' "${times[@]}" | sort -n)
sorted_rss=$(printf '%s\n' "${rss[@]}" | sort -n)
median() { awk '{a[NR]=$1} END{print (NR%2) ? a[(NR+1)/2] : int((a[NR/2]+a[NR/2+1])/2)}'; }
echo "runs: $runs"
echo "exec to window shown (ms): median $(median <<<"$sorted_times"), min $(head -1 <<<"$sorted_times"), max $(tail -1 <<<"$sorted_times")"
echo "resident memory after start (MB): median $(( $(median <<<"$sorted_rss") / 1024 )), max $(( $(tail -1 <<<"$sorted_rss") / 1024 ))"
