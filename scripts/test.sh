#!/usr/bin/env bash
# Installs what is missing (the test and cross-build tools too), builds, and runs every test:
# the release build and its packages, the AddressSanitizer + UBSan build and the
# ThreadSanitizer build of the engine; the benchmarks are built too, and the Windows cross
# build with its tests under Wine and its zip package.
# The GUI tests get a private X server, the audio tests a private PulseAudio.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
source scripts/services.sh
start_xvfb
start_pulseaudio
# The GUI and audio tests fail rather than skip when they find no display or sound server.
export VELLUMTONE_REQUIRE_SERVICES=1

jobs=$(nproc)
for preset in release asan tsan; do
    echo "=== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --parallel "$jobs"
    ctest --preset "$preset" --parallel "$jobs"
    if [ "$preset" = release ]; then
        echo "=== package"
        ctest --preset package
    fi
done

# The benchmarks are not run here, but they must keep building.
echo "=== bench (build only)"
cmake --preset bench >/dev/null
cmake --build --preset bench --parallel "$jobs" --target generators_bench play_pink

echo "=== windows"
start_wine
cmake --preset windows >/dev/null
cmake --build --preset windows --parallel "$jobs"
ctest --preset windows --parallel "$jobs"
(cd build/windows && cpack >/dev/null && ls vellumtone-*-win64.zip)
