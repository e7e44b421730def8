#!/usr/bin/env bash
# Runs the host contract suite against the Windows host under Wine. Passes the suite's exit code
# through.
# usage (through tests/wine/winenv.py run, which gives the display, prefix and loader):
#   run_contract_test.sh CONTRACT_EXE WORK_DIR [GTEST_ARGS...]
set -uo pipefail
wine=${TOCKLY_WINE:?run this through tests/wine/winenv.py run}

if [ $# -lt 2 ]; then
  echo "usage: $0 CONTRACT_EXE WORK_DIR [GTEST_ARGS...]" >&2
  exit 2
fi
exe=$1 work=$2
shift 2
if [ ! -f "$exe" ]; then
  echo "FAIL: $exe does not exist"
  exit 2
fi
export GTEST_COLOR=no

# The program's folder is the executable's: a fresh one, whose name is GBK text with a blank,
# so that the program-directory command and the INI file pass through the GBK conversion.
mkdir -p "$work"
folder="$(cd "$work" && pwd)/程序 目录"
rm -rf "$folder"
mkdir -p "$folder"
cp "$exe" "$folder/"

started=$SECONDS
(cd "$folder" && exec timeout 600 "$wine" "./$(basename "$exe")" "$@")
status=$?
echo "the suite ran for $((SECONDS - started)) s under $wine on display $DISPLAY"
if [ $status -eq 124 ]; then
  echo "FAIL: the contract suite ran out of time"
fi
exit $status
