#!/usr/bin/env bash
# The Windows program end to end under Wine, driven with X input like a user would: every text
# of its windows fits its control in the fonts Windows has; it opens centred with the keyboard
# on Play, refuses a bad tone frequency in a message box, keeps the frequency when the dialog
# is cancelled, plays the tone so that it reaches the sound server sample for sample, moves
# the keyboard to Stop, flushes at once on a volume change, goes silent on Stop, lets other
# processes open its event while it runs. Then it plays again from the keyboard, says "No
# audio output" without counting while the sound server is gone, plays the tone again once
# the server is back, stops from the keyboard while the server is gone again so that a click
# on Play right after starts a new playback, and ends with code 0 from File, Exit.
# Needs DISPLAY (1024 x 768, no window manager) and WINEPREFIX; it runs its own sound server.
# Usage: end_to_end_test.sh <folder with vellumtone.exe and window_probe.exe>
set -euo pipefail

bin=$1 here=$(cd "$(dirname "$0")" && pwd)
# For its folder, and to stop what it starts.
source "$here/../../../scripts/services.sh"
work=$services_dir

fail() { echo "FAIL: $*" >&2 && exit 1; }
probe() { wine "$bin/window_probe.exe" 2>/dev/null | tr -d '\r' || true; }
# Waits until the probe reports a line matching the pattern, e.g. "text 1012 Using: Pure tone";
# the second argument, if any, names the fault when it never does.
expect_line() {
    for _ in $(seq 40); do
        probe >"$work/probe" && grep -qxE "$1" "$work/probe" && return 0 || sleep 0.25
    done
    fail "${2:-never saw: $1} in $(cat "$work/probe")"
}
# Sends keys to the window of that title once it is on screen. Without a window manager
# nobody gives a new window the focus, so it is set each time.
keys() {
    local window
    window=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -1) || fail "no window \"$1\""
    xdotool windowfocus "$window" sleep 0.2 key --delay 60 "${@:2}"
}
# Clicks the panel's control by its ID, where the probe says it is.
click() {
    # shellcheck disable=SC2046 # the probe's "x y", as two words
    xdotool mousemove --sync $(probe | sed -n "s/^control $1 //p") click 1 || fail "no control $1"
}
capture_frames() { echo $(($(stat -c %s "$work/capture.raw") / 4)); }
# What reaches the default sink from now on, into the file given.
capture() {
    parec -d @DEFAULT_MONITOR@ --raw --format=s16le --rate=44100 --channels=2 >"$1" 2>/dev/null &
    service_pids+=($!) && capturing=$!
}
# A sound server of this test's own, to kill and start again.
start_server() { start_pulseaudio && server=${service_pids[-1]}; }
stop_server() { kill -9 "$server" && { wait "$server" 2>/dev/null || true; }; }

# The fonts Windows has (package fonts-wine): MS Sans Serif with its metrics.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" ||
    fail "Wine's fonts are missing: install fonts-wine"
fit=$(wine "$bin/window_probe.exe" fit | tr -d '\r')
grep -qx "fitted [0-9]* unfit 0" <<<"$fit" || fail "texts do not fit: $fit"

# What reaches the default sink, from before the program starts (which takes Wine seconds).
start_server
capture "$work/capture.raw"

wine "$bin/vellumtone.exe" &
service_pids+=($!) && program=$!
expect_line "window 362 234 300 300"
grep -qxF "event 1" "$work/probe" || fail "another process cannot open the event vellumtone_playing"
# The keyboard on Play, once Wine has activated the window.
expect_line "focus 1001"

# Generator, Pure test tone: 0 is refused in a message box with the program's caption, which
# Return closes.
keys "Vellumtone Generator 0.9" alt+g t
keys "Pure test tone setting" End BackSpace BackSpace BackSpace BackSpace 0 alt+o
keys "Vellumtone" Return
timeout 10 sh -c "while xdotool search --name '^Vellumtone\$' >/dev/null; do sleep 0.25; done" ||
    fail "the message box stayed open"
# The keyboard does not come back to the dialog by itself: back to the field with the mouse.
click 1013
keys "Pure test tone setting" End BackSpace 4 4 0 alt+o
expect_line "text 1012 Using: Pure tone"
# Cancel keeps 440 Hz although the field says 4400.
keys "Vellumtone Generator 0.9" alt+g t
keys "Pure test tone setting" End 0 alt+c

click 1001 && playAt=$(capture_frames)
expect_line "focus 1002"
sleep 5
# The click left of the thumb, which stands at 20000 of 32767, pages down by 3000.
click 1020 && volumeAt=$(capture_frames)
sleep 2
click 1002 && stopAt=$(capture_frames)
sleep 1.5 && kill "$capturing"
expect_line "text 1030 Stopped after 0:00:[0-9]{2}"
heard=$(sed -n 's/^text 1030 Stopped after 0:00:\([0-9]*\)$/\1/p' "$work/probe")

# Play from the keyboard, which is back on Play; the server goes away while it plays.
keys "Vellumtone Generator 0.9" space
expect_line "text 1030 Playing 0:00:0[1-9]"
stop_server
expect_line "text 1030 No audio output \(0:00:[0-9]{2} played\)"
outage=$(grep "^text 1030" "$work/probe")
sleep 2
probe | grep -qxF "$outage" ||
    fail "time without output counted as played: $outage, then $(probe | grep "^text 1030")"
start_server
capture "$work/capture2.raw"
expect_line "text 1030 Playing 0:00:[0-9]{2}"
sleep 3
# Gone again: Stop, from the keyboard, still ends the playback at once, before the program has
# even noticed, while the driver keeps its blocks: Play, clicked right after, starts a new one.
stop_server
keys "Vellumtone Generator 0.9" space
click 1001
expect_line "text 1030 (Playing 0:00:00|No audio output \(0:00:00 played\))" \
    "Play right after Stop started nothing: the Stop waited on blocks the device kept"

keys "Vellumtone Generator 0.9" alt+f e
timeout 10 tail --pid="$program" -f /dev/null || fail "File, Exit left the program running"
wait "$program" || fail "File, Exit ended with code $?"

python3 "$here/check_tone_capture.py" "$work/capture.raw" 440 40000 $((2 * 17000)) \
    "$playAt" "$volumeAt" "$stopAt" "$heard" "$work/capture2.raw"
