#!/usr/bin/env bash
# Installs what building and running need (not the test tools), builds both programs in
# build/release with what `cmake --install build/release` installs, and starts the desktop
# program. Without a graphical desktop it says so in one line and exits.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --parallel "$(nproc)" --target vellumtone vellumtone-cli package_files
exec build/release/ui/vellumtone
