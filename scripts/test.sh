#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build (with the
# benchmarks compiled), the AddressSanitizer + UBSan build, the ThreadSanitizer build of
# the engine, and the Windows cross build with its tests under Wine and its zip package.
# The GUI tests get a private X server, the audio tests a private PulseAudio.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
source scripts/services.sh
start_xvfb
start_pulseaudio
# The GUI and audio tests fail rather than skip when they find no display or sound server.
export VELLUMTONE_REQUIRE_SERVICES=1

for preset in release asan tsan; do
    echo "=== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

echo "=== windows"
start_wine
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows
(cd build/windows && cpack >/dev/null && ls vellumtone-*-win64.zip)
