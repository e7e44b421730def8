#!/usr/bin/env bash
# Runs the host contract suite against the Windows host under Wine, on a virtual display of its own
# (the cases open real windows). Passes the suite's exit code through.
# usage: run_contract_test.sh CONTRACT_EXE WORK_DIR [GTEST_ARGS...]
# TOCKLY_WINE names the Wine loader for the build's architecture: `wine` for the i686 build, `wine64`
# (or its full path) for the x86_64 twin. Exit code 77: this machine cannot run the test (skipped).
# The Wine prefix is made once in WORK_DIR and reused by later runs of the same build folder.
set -uo pipefail
wine=${TOCKLY_WINE:-wine}

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

for tool in "$wine" wineserver Xvfb timeout; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
# Wine's 32-bit loader needs a kernel that runs 32-bit programs, which not every machine has.
if ! timeout 30 "$wine" --version >/dev/null 2>&1; then
  echo "skipped: $wine cannot run here (32-bit Windows programs need a kernel that runs 32-bit Linux programs)"
  exit 77
fi

mkdir -p "$work"
work=$(cd "$work" && pwd)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" GTEST_COLOR=no
# A Chinese locale, where there is one: the folder name below reaches Wine as UTF-8.
if locale -a 2>/dev/null | grep -qix 'zh_CN.utf-\?8'; then
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
fi

xvfb_pid=
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
}
trap cleanup EXIT
trap "exit 1" TERM INT

# A server left over from an earlier run would keep its old display.
timeout 30 wineserver -k >/dev/null 2>&1
if [ ! -f "$WINEPREFIX/.tockly-contract-ready" ]; then
  rm -rf "$WINEPREFIX"
  started=$SECONDS
  # No display while the prefix is made: nothing may wait for one.
  if ! env -u DISPLAY timeout 240 "$wine" wineboot -i >/dev/null 2>&1; then
    echo "FAIL: wineboot could not set up a prefix in $WINEPREFIX"
    exit 1
  fi
  # No window manager runs on the virtual display: Wine places and frames the windows itself,
  # instead of waiting two seconds at every hide for a manager to answer.
  if ! env -u DISPLAY timeout 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1; then
    echo "FAIL: could not set up the Wine prefix's display driver"
    exit 1
  fi
  timeout 60 wineserver -w >/dev/null 2>&1
  touch "$WINEPREFIX/.tockly-contract-ready"
  echo "made a Wine prefix in $((SECONDS - started)) s"
fi

# A display of our own, on a free number that the server picks itself.
display_file="$work/display"
rm -f "$display_file"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$display_file" ]; then
  echo "skipped: Xvfb did not start"
  exit 77
fi
export DISPLAY=":$(tr -d '[:space:]' <"$display_file")"

# The program's folder is the executable's: a fresh one, whose name is GBK text with a blank,
# so that the program-directory command and the INI file pass through the GBK conversion.
folder="$work/程序 目录"
rm -rf "$folder"
mkdir -p "$folder"
cp "$exe" "$folder/"

started=$SECONDS
(cd "$folder" && exec timeout 300 "$wine" "./$(basename "$exe")" "$@")
status=$?
echo "the suite ran for $((SECONDS - started)) s under $wine on display $DISPLAY"
if [ $status -eq 124 ]; then
  echo "FAIL: the contract suite ran out of time"
fi
exit $status
