#!/usr/bin/env bash
# Sets up this machine, builds everything and runs Tockly.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset win32 >/dev/null
cmake --build --preset win32

echo "Built: build/win32/dist/Tockly.exe"
build/native/bin/tockly-image dump build/win32/tockly.image
