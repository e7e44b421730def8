#!/usr/bin/env bash
# Runs Tockly.exe under Wine with stand-in hosts: beside the executable, in the install directory
# named by the registry, refusing, without the export, and none at all. Checks the exit code, what
# the host's entry was handed, and the error box.
# usage (through tests/wine/winenv.py run, which gives the display, prefix and loader):
#   launcher_test.sh TOCKLY_EXE IMAGE HOST_WORKING HOST_REFUSING HOST_NO_EXPORT WORK_DIR
set -uo pipefail
wine=${TOCKLY_WINE:?run this through tests/wine/winenv.py run}

if [ $# -ne 6 ]; then
  echo "usage: $0 TOCKLY_EXE IMAGE HOST_WORKING HOST_REFUSING HOST_NO_EXPORT WORK_DIR" >&2
  exit 2
fi
exe=$1 image=$2 host_working=$3 host_refusing=$4 host_no_export=$5 work=$6
command -v xdotool >/dev/null || { echo "FAIL: xdotool is not installed"; exit 1; }

rm -rf "$work"
mkdir -p "$work"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
winpath() { timeout 30 "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

record="$work/record.bin"
export TOCKLY_TEST_HOST_RECORD
TOCKLY_TEST_HOST_RECORD=$(winpath "$record")
[ -n "$TOCKLY_TEST_HOST_RECORD" ] || { echo "FAIL: winepath gave nothing"; exit 1; }

install_dir="$work/install"
mkdir -p "$install_dir"
set_install_path() {
  timeout 60 "$wine" reg add 'HKCU\Software\Quorva\Z\Install' /v Path /d "$1" /f >/dev/null 2>&1 ||
    fail "could not write the registry value"
}

# app_dir NAME [HOST_DLL]: a folder with Tockly.exe and, if given, the host as corlb.xrt.
app_dir() {
  local dir="$work/$1"
  mkdir -p "$dir"
  cp "$exe" "$dir/Tockly.exe"
  [ $# -ge 2 ] && cp "$2" "$dir/corlb.xrt"
  echo "$dir"
}

# run_case NAME DIR EXPECTED_EXIT BOX(yes|no) RECORD(yes|no)
run_case() {
  local name=$1 dir=$2 expected_exit=$3 expect_box=$4 expect_record=$5
  rm -f "$record"
  (cd "$dir" && exec timeout 60 "$wine" ./Tockly.exe) &
  local pid=$! saw_box=no window
  while kill -0 "$pid" 2>/dev/null; do
    window=$(timeout 5 xdotool search --name '^Error$' 2>/dev/null | head -n 1)
    if [ -n "$window" ]; then
      saw_box=yes
      timeout 5 xdotool windowfocus "$window" >/dev/null 2>&1
      timeout 5 xdotool key --window "$window" Return >/dev/null 2>&1
      timeout 5 xdotool key Return >/dev/null 2>&1
    fi
    sleep 0.3
  done
  wait "$pid"
  local code=$?
  [ "$code" = "$expected_exit" ] || fail "$name: exit code $code, expected $expected_exit"
  [ "$saw_box" = "$expect_box" ] || fail "$name: error box shown: $saw_box, expected $expect_box"
  if [ "$expect_record" = yes ]; then
    local size
    size=$(stat -c %s "$image")
    [ "$size" -gt 16 ] && size=16
    if [ ! -f "$record" ]; then
      fail "$name: the host's entry was never called"
    elif ! cmp -s -n "$size" "$record" "$image"; then
      fail "$name: the host's entry was handed $(head -c 16 "$record" | od -An -c | tr -s ' ')"
    fi
  elif [ -f "$record" ]; then
    fail "$name: a host's entry was called"
  fi
  echo "$name: exit $code, error box $saw_box"
}

beside=$(app_dir beside "$host_working")
bare=$(app_dir bare)
refusing=$(app_dir refusing "$host_refusing")
no_export=$(app_dir no-export "$host_no_export")
cp "$host_working" "$install_dir/corlb.xdv"

run_case "host beside the executable" "$beside" 0 no yes
run_case "no host anywhere" "$bare" 255 yes no
set_install_path "$(winpath "$install_dir")"
run_case "host in the install directory" "$bare" 0 no yes
run_case "host beside refusing: install directory not tried" "$refusing" 255 yes no
run_case "host beside without GetNewSock" "$no_export" 255 yes no

if [ $failures -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all launcher cases passed"
