#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages Vellumtone needs, and only those that are
# missing: with everything present it returns at once.
#   scripts/deps.sh        what building and running both programs need (about 1 GiB)
#   scripts/deps.sh test   that, and what the tests, the benchmarks and the Windows build need
set -euo pipefail

# One group a line.
run_packages=(
    build-essential cmake pkg-config          # the build
    libpulse-dev                              # audio output
    libsdl2-dev                               # audio output where no sound server runs
    libsystemd-dev                            # the sleep inhibitor, through logind
    libwxgtk3.2-dev libgtk-3-dev              # the desktop program
    fonts-liberation2                         # the font its layout is measured in
    libcli11-dev libsndfile1-dev              # the command-line tool
    libgtest-dev                              # looked for when the build is configured
    dpkg-dev file help2man                    # man pages, the .deb packages and their flags
)
test_packages=(
    libbenchmark-dev                          # benchmarks
    xvfb xauth                                # an X server for the GUI tests
    pulseaudio pulseaudio-utils               # a private sound server for the audio tests
    dbus-daemon python3-dbusmock              # a private bus with a mock logind
    openbox xdotool x11-utils                 # the window under a window manager, driven from outside
    at-spi2-core python3-pyatspi              # what a screen reader sees of it
    lintian appstream desktop-file-utils      # the packages' checks
    g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64  # the Windows program
    wine wine64 python3 fonts-wine            # its tests, under Wine, in the fonts Windows has
)

packages=("${run_packages[@]}")
case "${1:-}" in
    "") ;;
    test) packages+=("${test_packages[@]}") ;;
    *) echo "usage: scripts/deps.sh [test]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
((${#missing[@]} > 0)) || exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

# Another package manager (unattended upgrades at boot, say) may hold apt's locks for a while:
# wait for it, but not for ever.
lock_wait=${VELLUMTONE_APT_LOCK_WAIT:-600}
deadline=$((SECONDS + lock_wait))
apt_get() {
    local log told=""
    log=$(mktemp)
    until "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@" 2>"$log"; do
        if ! grep -q 'Could not get lock\|Unable to lock' "$log"; then
            cat "$log" >&2
            rm -f "$log"
            return 1
        fi
        if ((SECONDS >= deadline)); then
            echo "Another package manager has held apt's lock for more than $lock_wait s;" \
                "run this again once it has finished." >&2
            rm -f "$log"
            return 1
        fi
        [ -n "$told" ] || echo "Waiting for another package manager to release apt's lock..." >&2
        told=yes
        sleep 5
    done
    rm -f "$log"
}

echo "Installing: ${missing[*]}"
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}"
