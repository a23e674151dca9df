#!/usr/bin/env bash
# The Windows program end to end under Wine, driven with X input like a user would: it opens
# centred, refuses a bad tone frequency with its message, plays a 440 Hz tone that reaches
# the sound server sample for sample, restarts it after a volume change with one block and a
# pause, goes silent on Stop, lets other processes open its event while it runs, and ends
# with code 0 from File, Exit.
# Needs DISPLAY (1024 x 768, no window manager), a PulseAudio server and WINEPREFIX.
# Usage: end_to_end_test.sh <folder with vellumtone.exe and window_probe.exe>
set -euo pipefail

bin=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
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
# Sends keys to the window of that title. Without a window manager nobody gives a new
# window the focus, so it is set each time.
keys() {
    local window
    window=$(xdotool search --name "^$1\$" | head -1)
    [ -n "$window" ] || fail "no window \"$1\""
    xdotool windowfocus "$window" sleep 0.2 key --delay 60 "${@:2}"
}
# Clicks the panel's control by its ID, where the probe says it is.
click() {
    local x y
    read -r x y < <(probe | sed -n "s/^control $1 //p")
    xdotool mousemove --sync "$x" "$y" click 1
}
capture_frames() { echo $(($(stat -c %s "$work/capture.raw") / 4)); }

# What reaches the default sink, from before the program starts.
sink=$(pactl get-default-sink)
parec -d "$sink.monitor" --raw --format=s16le --rate=44100 --channels=2 >"$work/capture.raw" &
pids+=($!)
for _ in $(seq 100); do
    [ "$(capture_frames)" -gt 4410 ] && break
    sleep 0.05
done

wine "$bin/vellumtone.exe" &
program=$!
pids+=($program)
expect_line "window 362 234 300 300"
grep -qxF "event 1" "$work/probe" || fail "another process cannot open the event vellumtone_playing"
grep -qxF "status Please select the generator from menu" "$work/probe" || fail "status line"

# Generator, Pure test tone: 0 is refused with its message, 440 is taken.
keys "Vellumtone Generator 0.9" alt+g t
keys "Pure test tone setting" End BackSpace BackSpace BackSpace BackSpace 0 alt+o
expect_line "message Frequency should be larger than zero."
keys "Vellumtone" Return
for _ in $(seq 40); do
    probe | grep -q "^message" || break
    sleep 0.25
done
probe | grep "^message" && fail "Return did not close the message box"
# The OK button has kept the focus: back to the field, as typed, with the mouse.
click 1013
keys "Pure test tone setting" End BackSpace 4 4 0 alt+o
expect_line "status Using: Pure tone"

click 1001
playAt=$(capture_frames)
sleep 5
probe | grep -q "^burnin Playing 0:00:0[3-9]$" || fail "no burn-in time while playing"
click 1020
volumeAt=$(capture_frames)
slider=$(probe | sed -n 's/^slider //p')
[ "$slider" != 20000 ] || fail "the slider did not move"
sleep 5
click 1002
stopAt=$(capture_frames)
sleep 1.5
probe | grep -q "^burnin Stopped after 0:00:" || fail "the burn-in status does not say it stopped"

keys "Vellumtone Generator 0.9" alt+f e
status=0
wait "$program" || status=$?
[ "$status" -eq 0 ] || fail "File, Exit ended with code $status"
probe >"$work/probe"
grep -qxF "event 0" "$work/probe" || fail "the event outlived the program"

python3 "$here/check_tone_capture.py" "$work/capture.raw" 440 40000 $((slider * 2)) \
    "$playAt" "$volumeAt" "$stopAt"
