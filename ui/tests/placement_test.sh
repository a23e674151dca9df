#!/usr/bin/env bash
# The desktop program's window in the middle of a 1024 x 768 screen, its outer top-left corner
# at (362, 234), under openbox, which keeps a window where the X window was created unless the
# program moves it (on a bare X server it stands there anyway). Usage: placement_test.sh PROGRAM
set -euo pipefail
source "$(dirname "$0")/../../scripts/services.sh"
start_xvfb
openbox --sm-disable >/dev/null 2>&1 &
service_pids+=($!)
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do sleep 0.1; done
SDL_AUDIODRIVER=dummy "$1" &
service_pids+=($!)
id=$(timeout 20 xdotool search --sync --name '^Vellumtone Generator 0\.9$' | head -1)
# The window is moved once it is on screen; give it up to five seconds. Its outer corner is the
# client's corner less the frame the window manager draws around it.
for _ in $(seq 50); do
    read -r x y < <(xwininfo -id "$id" | awk '/Absolute upper-left [XY]/{printf "%s ", $NF} END {print ""}')
    IFS=', ' read -r left _ top _ <<<"$(xprop -id "$id" _NET_FRAME_EXTENTS | grep -o '[0-9, ]*$')"
    corner="$((x - ${left:-0})),$((y - ${top:-0}))"
    [ "$corner" = "362,234" ] && exit 0
    sleep 0.1
done
echo "FAIL: the window's corner is at $corner, not 362,234" >&2
exit 1
