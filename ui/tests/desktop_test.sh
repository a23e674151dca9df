#!/usr/bin/env bash
# The real desktop program under a window manager (openbox), no sound server yet, as a user
# starts it: the window's outer corner in the middle of a 1024 x 768 screen at (362, 234) and
# its outer size 300 x 300; the start-up error box over the middle of it; what a screen reader
# finds (accessibility_check.py); that white noise played from the keyboard reaches a sound
# server started after the program; that its close box ends it even while it plays, with
# code 0; and not a line on standard error. Usage: desktop_test.sh PROGRAM
set -euo pipefail
# A session bus of its own, for the screen reader's bus.
if [ -z "${DESKTOP_TEST_BUS:-}" ]; then
    DESKTOP_TEST_BUS=1 exec dbus-run-session -- "$0" "$@" 2> >(grep -v '^dbus-daemon\|^SpiRegistry' >&2)
fi
source "$(dirname "$0")/../../scripts/services.sh"
start_xvfb
openbox --sm-disable >/dev/null 2>&1 &
service_pids+=($!)
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do sleep 0.1; done
env -u NO_AT_BRIDGE PULSE_SERVER="unix:$services_dir/pulse/run/native" "$1" 2>"$services_dir/stderr" &
service_pids+=($!) && program=$!

# A window's outer rectangle, as "x y width height": the client's less the frame around it.
outer() {
    local x y w h left right top bottom
    read -r x y w h < <(xwininfo -id "$1" |
        awk '/Absolute upper-left [XY]|^ *(Width|Height):/ {printf "%s ", $NF} END {print ""}')
    IFS=', ' read -r left right top bottom <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | grep -o '[0-9, ]*$')"
    echo "$((x - ${left:-0})) $((y - ${top:-0})) $((w + ${left:-0} + ${right:-0})) $((h + ${top:-0} + ${bottom:-0}))"
}
fail() { echo "FAIL: $*" >&2; exit 1; }

main=$(timeout 20 xdotool search --sync --name '^Vellumtone Generator 0\.9$' | head -1)
box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vellumtone$' | head -1)
# The window is placed and sized once it is on screen; give it up to five seconds.
for _ in $(seq 50); do
    window=$(outer "$main") && [ "$window" = "362 234 300 300" ] && break || sleep 0.1
done
[ "$window" = "362 234 300 300" ] || fail "the window is at $window, not 362 234 300 300 (x y width height)"
read -r bx by bw bh <<<"$(outer "$box")"
dx=$((bx + bw / 2 - 512)) dy=$((by + bh / 2 - 384))
((dx * dx + dy * dy <= 32 * 32)) || fail "the error box's middle is ${dx},${dy} px off the window's"
/usr/bin/python3 "$(dirname "$0")/accessibility_check.py"
xdotool windowfocus --sync "$main" key alt+g sleep 0.5 key w sleep 0.5 key space
start_pulseaudio
timeout 10 sh -c 'until pactl list short sink-inputs | grep -q .; do sleep 0.1; done' ||
    fail "the playback never reached the sound server that came up after the program"
xdotool windowfocus --sync "$main" key alt+F4
timeout 5 tail --pid="$program" -f /dev/null || fail "the program still runs after its close box"
wait "$program" || fail "the close box ended the program with code $?"
[ ! -s "$services_dir/stderr" ] || fail "the program wrote to standard error: $(cat "$services_dir/stderr")"
