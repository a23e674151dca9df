#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building and testing Vellumtone need, and
# only those that are missing: with everything present it returns at once.
set -euo pipefail

packages=(
    build-essential cmake pkg-config          # the build
    libpulse-dev                              # audio output
    libsdl2-dev                               # audio output where no sound server runs
    libsystemd-dev                            # the sleep inhibitor, through logind
    libwxgtk3.2-dev libgtk-3-dev              # the desktop program
    fonts-liberation2                         # the font its layout is measured in
    libcli11-dev libsndfile1-dev              # the command-line tool
    libgtest-dev libbenchmark-dev             # tests and benchmarks
    xvfb xauth                                # an X server for the GUI tests
    pulseaudio pulseaudio-utils               # a private sound server for the audio tests
    dbus-daemon python3-dbusmock              # a private bus with a mock logind
    openbox xdotool x11-utils                 # the window under a window manager, driven from outside
    dpkg-dev file help2man                    # the .deb: library dependencies, man pages
    lintian appstream desktop-file-utils      # its checks
    g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64  # the Windows program
    wine wine64 python3 fonts-wine            # its tests, under Wine, in the fonts Windows has
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
