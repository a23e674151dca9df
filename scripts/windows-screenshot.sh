#!/usr/bin/env bash
# Takes docs/windows.png: the Windows program at start-up, under Wine's own desktop, which
# draws title bars (a bare X server has no window manager to draw them).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -d /usr/share/wine/fonts ] || ! command -v import >/dev/null; then
    apt-get install -y -qq --no-install-recommends fonts-wine imagemagick
fi
build=build/windows
if [ ! -f "$build/ui/win32/vellumtone.exe" ]; then
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target vellumtone
fi

source scripts/services.sh
start_xvfb
start_wine
start_pulseaudio
# Wine's own fonts (package fonts-wine): Marlett draws the caption buttons, MS Sans Serif
# has the metrics the window templates were laid out in.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
wine explorer /desktop=vellumtone,1024x768 "$build/ui/win32/vellumtone.exe" &
# Wine's desktop is one X window: wait until the program has drawn in it.
for _ in $(seq 100); do
    wine "$build/ui/win32/window_probe.exe" 2>/dev/null | grep -q "^window 362 234" && break
    sleep 0.2
done
sleep 1
# The main window is 300 x 300 at (362, 234); a margin shows its frame whole.
import -window root -crop 320x320+352+224 +repage docs/windows.png
wineserver -k
echo docs/windows.png
