#!/usr/bin/env bash
# Installs what is missing, builds the release program and starts it. Without a graphical
# desktop the program says so in one line and exits.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target vellumtone
exec build/release/ui/vellumtone
