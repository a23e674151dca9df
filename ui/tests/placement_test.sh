#!/usr/bin/env bash
# The desktop program's window in the middle of a 1024 x 768 screen, its outer top-left corner
# at (362, 234): on a bare X server, and under openbox, which keeps a window where the X
# window was created unless the program moves it. Usage: placement_test.sh PROGRAM
set -euo pipefail
program=$1
source "$(dirname "$0")/../../scripts/services.sh"
for tool in Xvfb openbox xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/deps.sh installs it)" >&2; exit 1; }
done
start_xvfb
export SDL_AUDIODRIVER=dummy

# The outer corner: the client's corner less the frame the window manager draws around it.
outer_corner() {
    local info left=0 top=0 x y
    info=$(xwininfo -id "$1")
    x=$(awk '/Absolute upper-left X/{print $NF}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/{print $NF}' <<<"$info")
    if extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -o '[0-9, ]*$'); then
        IFS=', ' read -r left _ top _ <<<"$extents"
    fi
    echo "$((x - ${left:-0})),$((y - ${top:-0}))"
}

check() {
    local label=$1 pid id corner=""
    "$program" &
    pid=$!
    id=$(timeout 20 xdotool search --sync --name '^Vellumtone Generator 0\.9$' | head -1)
    # The window is moved once it is on screen; give it up to five seconds.
    for _ in $(seq 50); do
        corner=$(outer_corner "$id")
        [ "$corner" = "362,234" ] && break
        sleep 0.1
    done
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    if [ "$corner" != "362,234" ]; then
        echo "FAIL $label: the window's corner is at $corner, not 362,234" >&2
        return 1
    fi
    echo "ok $label: 362,234"
}

check "without a window manager"
openbox --sm-disable >/dev/null 2>&1 &
service_pids+=($!)
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
check "under openbox"
