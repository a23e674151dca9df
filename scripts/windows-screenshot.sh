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
# Wine's desktop is one X window, and its windows are out of reach of programs started outside
# it: give the program time to come up and draw, even on a busy machine.
sleep 10
# The main window is 300 x 300 at (362, 234); a margin shows its frame whole.
import -window root -crop 320x320+352+224 +repage docs/windows.png
wineserver -k
echo docs/windows.png
