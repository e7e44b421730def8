#!/usr/bin/env bash
# Sets up this machine, builds every preset and runs every test: unit and scenario tests
# (also under ASan+UBSan), the Windows build's tests under Wine, and a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

bash scripts/install-deps.sh

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native -j2

echo "== native build under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan
ctest --preset native-asan -j2

echo "== the shipped i686 Windows build and its tests under 32-bit Wine"
cmake --preset win32 >/dev/null
cmake --build --preset win32
ctest --preset win32

echo "== fuzzing"
bash scripts/fuzz.sh "${TOCKLY_FUZZ_SECONDS:-60}"

echo "== all tests done in $(( $(date +%s) - start )) s"
