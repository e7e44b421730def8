#!/usr/bin/env bash
# Builds the 32-bit image code test (its own CMake project, -m32, static) and runs it on Tockly's
# image under user-mode emulation. Exits 77 (skipped) when the emulator or the 32-bit toolchain
# is missing; under CI=true that is a failure instead.
# Usage: run.sh <cmake> <c++ compiler> <build folder> <image file>
set -uo pipefail

cmake_cmd=$1
cxx=$2
build=$3
image=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

skip() {
  if [ "${CI:-}" = true ]; then
    echo "FAIL (cannot run under CI): $*"
    exit 1
  fi
  echo "SKIP: $*"
  exit 77
}

emulator=$(command -v qemu-i386 || true)
[ -n "$emulator" ] || skip "qemu-i386 not found (Debian package qemu-user)"
mkdir -p "$build"
probe="$build/probe"
if ! echo 'int main() { return 0; }' | "$cxx" -x c++ -m32 -static -o "$probe" - 2>"$build/probe.log"; then
  cat "$build/probe.log"
  skip "$cxx cannot link a static 32-bit program (Debian package g++-multilib)"
fi
if [ ! -f "$image" ]; then
  echo "FAIL: no image at $image (the native build writes it)"
  exit 1
fi

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
"$cmake_cmd" -S "$here/program" -B "$build/m32" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$cxx" >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log"
  echo "FAIL: configuring the 32-bit program"
  exit 1
}
"$cmake_cmd" --build "$build/m32" -j2 || {
  echo "FAIL: building the 32-bit program"
  exit 1
}
exec "$emulator" "$build/m32/image_code_test" "$image"
