#!/usr/bin/env bash
# Sets up this machine, builds everything and runs Tockly under Wine: on $DISPLAY when there is one,
# otherwise on a virtual display, printing where it wrote a screenshot of the running main window.
# Extra arguments go to run-under-wine.sh (on a virtual display: how many seconds to keep it running).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native
# The shipped files: build/win32/dist/Tockly.exe and corlb.xrt.
cmake --preset win32 >/dev/null
cmake --build --preset win32

echo "Built: build/win32/dist/Tockly.exe and build/win32/dist/corlb.xrt"
exec bash scripts/run-under-wine.sh "$@"
