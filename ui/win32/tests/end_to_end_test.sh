#!/usr/bin/env bash
# The Windows program end to end under Wine, driven with X input like a user would: it opens
# centred, refuses a bad tone frequency in a message box, keeps the frequency when the dialog
# is cancelled, plays the tone so that it reaches the sound server sample for sample, flushes
# at once on a volume change, goes silent on Stop, lets other processes open its event while
# it runs, and ends with code 0 from File, Exit.
# Needs DISPLAY (1024 x 768, no window manager), a PulseAudio server and WINEPREFIX.
# Usage: end_to_end_test.sh <folder with vellumtone.exe and window_probe.exe>
set -euo pipefail

bin=$1
here=$(cd "$(dirname "$0")" && pwd)
# For its folder, and to stop what it starts.
source "$here/../../../scripts/services.sh"
work=$services_dir

fail() { echo "FAIL: $*" >&2 && exit 1; }
probe() { wine "$bin/window_probe.exe" 2>/dev/null | tr -d '\r' || true; }
# Waits until the probe reports a line, e.g. "status Using: Pure tone".
expect_line() {
    for _ in $(seq 40); do
        probe >"$work/probe"
        grep -qxF "$1" "$work/probe" && return 0
        sleep 0.25
    done
    cat "$work/probe" >&2
    fail "never saw: $1"
}
# Sends keys to the window of that title once it is on screen. Without a window manager
# nobody gives a new window the focus, so it is set each time.
keys() {
    local window
    window=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -1) ||
        fail "no window \"$1\""
    xdotool windowfocus "$window" sleep 0.2 key --delay 60 "${@:2}"
}
# Clicks the panel's control by its ID, where the probe says it is.
click() {
    local x y
    read -r x y < <(probe | sed -n "s/^control $1 //p") || fail "no control $1 to click"
    xdotool mousemove --sync "$x" "$y" click 1
}
capture_frames() { echo $(($(stat -c %s "$work/capture.raw") / 4)); }

# What reaches the default sink, from before the program starts (which takes Wine seconds).
parec -d @DEFAULT_MONITOR@ --raw --format=s16le --rate=44100 --channels=2 >"$work/capture.raw" &
service_pids+=($!)

wine "$bin/vellumtone.exe" &
program=$!
service_pids+=($program)
expect_line "window 362 234 300 300"
grep -qxF "event 1" "$work/probe" || fail "another process cannot open the event vellumtone_playing"

# Generator, Pure test tone: 0 is refused in a message box with the program's caption, which
# Return closes.
keys "Vellumtone Generator 0.9" alt+g t
keys "Pure test tone setting" End BackSpace BackSpace BackSpace BackSpace 0 alt+o
keys "Vellumtone" Return
for _ in $(seq 40); do
    xdotool search --name '^Vellumtone$' >/dev/null || break
    sleep 0.25
done
# The keyboard does not come back to the dialog by itself: back to the field with the mouse.
click 1013
keys "Pure test tone setting" End BackSpace 4 4 0 alt+o
expect_line "status Using: Pure tone"
# Cancel keeps 440 Hz although the field says 4400.
keys "Vellumtone Generator 0.9" alt+g t
keys "Pure test tone setting" End 0 alt+c

click 1001
playAt=$(capture_frames)
sleep 5
probe | grep -q "^burnin Playing 0:00:0[3-9]$" || fail "no burn-in time while playing"
# The click left of the thumb, which stands at 20000 of 32767, pages down by 3000.
click 1020
volumeAt=$(capture_frames)
sleep 2
click 1002
stopAt=$(capture_frames)
sleep 1.5

keys "Vellumtone Generator 0.9" alt+f e
wait "$program" || fail "File, Exit ended with code $?"

python3 "$here/check_tone_capture.py" "$work/capture.raw" 440 40000 $((2 * 17000)) \
    "$playAt" "$volumeAt" "$stopAt"
