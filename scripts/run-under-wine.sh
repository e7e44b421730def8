#!/usr/bin/env bash
# Starts the built Tockly under Wine: on $DISPLAY when there is one, otherwise on a virtual display
# of its own, printing where it wrote a screenshot of the running main window.
#
# It runs the x86_64 twin (build/win64) under 64-bit Wine when this machine cannot run 32-bit
# Linux programs, which 32-bit Wine needs; the twin is built from the same sources as the shipped
# i686 Tockly.exe and corlb.xrt. Where 32-bit Wine works, the i686 build (build/win32) runs.
#
# usage: scripts/run-under-wine.sh [SECONDS]   on a virtual display: how long to keep it running
#                                              (default 20; on a real display it runs until closed)
# TOCKLY_WIN64_BUILD names another x86_64 build folder than build/win64.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-20}

if wine --version >/dev/null 2>&1 && [ -f build/win32/dist/corlb.xrt ]; then
  wine=wine build=build/win32
else
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  build=${TOCKLY_WIN64_BUILD:-build/win64}
  echo "run-under-wine: 32-bit Wine cannot run here; running the x86_64 twin under $wine"
  if [ ! -f "$build/dist/corlb.xrt" ]; then
    { [ -x build/native/bin/tockly-image ] ||
        { cmake --preset native >/dev/null && cmake --build --preset native --target tockly-image; }; } &&
      cmake --preset win64 >/dev/null && cmake --build --preset win64 --target Tockly corlb || exit 1
  fi
fi
[ -x "$wine" ] || command -v "$wine" >/dev/null || { echo "run-under-wine: $wine is not installed" >&2; exit 1; }

out=$(cd "$build" && pwd)/run
prefix=$out/prefix
mkdir -p "$out/app"
cp "$build/dist/Tockly.exe" "$build/dist/corlb.xrt" "$out/app/"
if [ ! -d "$prefix/drive_c" ]; then
  echo "run-under-wine: making a Wine prefix in $prefix (about a minute, once)"
  timeout 300 python3 tests/wine/winenv.py prefix "$wine" "$prefix" || exit 1
fi
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

if [ -n "${DISPLAY:-}" ]; then
  cd "$out/app" && exec "$wine" ./Tockly.exe
fi

# No display: a virtual one, a screenshot of the main window, then Tockly is closed.
export SHOT=$out/main-window.png SECONDS_TO_RUN=$seconds WINE=$wine
exec timeout $((seconds + 120)) xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  cd "$(dirname "$SHOT")/app"
  "$WINE" ./Tockly.exe </dev/null >/dev/null 2>&1 &
  tockly=$!
  for _ in $(seq 1 60); do
    window=$(xdotool search --name "^Tockly —— " 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.5
  done
  if [ -z "$window" ]; then
    echo "run-under-wine: the main window did not appear" >&2
    kill "$tockly" 2>/dev/null; wineserver -k; exit 1
  fi
  sleep 2
  import -window root -crop "$(xdotool getwindowgeometry --shell "$window" |
    awk -F= "/WIDTH/{w=\$2} /HEIGHT/{h=\$2} /^X/{x=\$2} /^Y/{y=\$2} END{print w \"x\" h \"+\" x \"+\" y}")" \
    +repage "$SHOT"
  echo "run-under-wine: Tockly is running; screenshot of its main window: $SHOT"
  sleep "$SECONDS_TO_RUN"
  kill "$tockly" 2>/dev/null
  wineserver -k
'
