#!/usr/bin/env bash
# Takes the screenshots in docs/ on a private X server: the main window at start-up and
# while playing, the two settings dialogs and the about box. The program runs with SDL's
# dummy audio driver, so no sound server is needed, and a showcase variable that only this
# script sets brings each window up.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v import >/dev/null || ! command -v xwininfo >/dev/null; then
    apt-get install -y -qq --no-install-recommends imagemagick x11-utils
fi
build=${BUILD_DIR:-build/release}
if [ ! -x "$build/ui/vellumtone" ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target vellumtone
fi

source scripts/services.sh
start_xvfb
export SDL_AUDIODRIVER=dummy
mkdir -p docs

# shot NAME SHOWCASE WINDOW-TITLE: starts the program, waits for the window with that title
# and saves it as docs/NAME.png.
shot() {
    local name=$1 showcase=$2 title=$3
    VELLUMTONE_SHOWCASE=$showcase "$build/ui/vellumtone" &
    local pid=$!
    local geometry=""
    for _ in $(seq 100); do
        if info=$(xwininfo -name "$title" 2>/dev/null); then
            geometry=$(awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
                            /Width:/{w=$NF} /Height:/{h=$NF} END{print w "x" h "+" x "+" y}' <<<"$info")
            break
        fi
        sleep 0.1
    done
    [ -n "$geometry" ] || { echo "no window \"$title\"" >&2; kill "$pid"; return 1; }
    # Let it draw (and the playback start).
    sleep 1
    import -window root -crop "$geometry" +repage "docs/$name.png"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "docs/$name.png ($geometry)"
}

shot main-window none "Vellumtone Generator 0.9"
shot playing playing "Vellumtone Generator 0.9"
shot tone-dialog tone "Pure test tone setting"
shot sweep-dialog sweep "Frequency sweep"
shot about-box about "About vellumtone generator"
