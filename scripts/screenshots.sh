#!/usr/bin/env bash
# Takes the screenshots in docs/ on a private X server under openbox, so that the windows have
# a window manager's title bar: the main window at start-up, playing and resting, the two
# settings dialogs and the about box. The real program is driven from outside with xdotool,
# as a user would with the keyboard; SDL's dummy audio driver stands in for a sound card.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build/release}
if [ ! -x "$build/ui/vellumtone" ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target vellumtone
fi

source scripts/services.sh
start_xvfb
openbox --sm-disable >/dev/null 2>&1 &
service_pids+=($!)
export SDL_AUDIODRIVER=dummy
mkdir -p docs
main_title='^Vellumtone Generator 0\.9$'

# The window's outer rectangle, its frame included, as an ImageMagick geometry.
outer_geometry() {
    local info extents left=0 right=0 top=0 bottom=0
    info=$(xwininfo -id "$1")
    if extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -o '[0-9, ]*$'); then
        IFS=', ' read -r left right top bottom <<<"$extents"
    fi
    awk -v l="$left" -v r="$right" -v t="$top" -v b="$bottom" '
        /Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width:/{w=$NF} /Height:/{h=$NF}
        END{print w+l+r "x" h+t+b "+" x-l "+" y-t}' <<<"$info"
}

# shot NAME TITLE: saves the window with that title as docs/NAME.png.
shot() {
    local id
    id=$(timeout 20 xdotool search --sync --name "$2" | head -1)
    sleep 1  # let it draw
    import -window root -crop "$(outer_geometry "$id")" +repage "docs/$1.png"
    echo "docs/$1.png"
}

# Starts the program and waits until its window has the keyboard (Play has the focus).
start() {
    "$build/ui/vellumtone" &
    pid=$!
    window=$(timeout 20 xdotool search --sync --name "$main_title" | head -1)
    sleep 1
    xdotool windowactivate --sync "$window"
}
finish() {
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}
keys() { xdotool key --delay 150 "$@"; }

start
shot main-window "$main_title"
keys alt+g w space  # white noise, Play
sleep 4
shot playing "$main_title"
finish

# Rests after every 0 minutes for 30: the rest starts a second after Play.
start
keys alt+g p Tab Tab Tab ctrl+a 0 Tab ctrl+a 3 0 shift+Tab shift+Tab space shift+Tab shift+Tab space
sleep 4
shot resting "$main_title"
finish

for dialog in "t:tone-dialog:Pure test tone setting" "s:sweep-dialog:Frequency sweep"; do
    IFS=: read -r key name title <<<"$dialog"
    start
    keys alt+g "$key"
    shot "$name" "^$title$"
    finish
done
start
keys alt+a p
shot about-box '^About vellumtone generator$'
finish
