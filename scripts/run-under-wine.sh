#!/usr/bin/env bash
# Starts the built i686 Tockly (build/win32/dist) under 32-bit Wine: on $DISPLAY when there is one,
# otherwise on a virtual display of its own, printing where it wrote a screenshot of the running
# main window. Wine is started the way the tests start it (tests/wine/winenv.py): the Chinese
# locale, the font mapping, a null sound sink, and the emulator's fix where 32-bit programs run on
# qemu (scripts/wine32/setup.sh).
#
# usage: scripts/run-under-wine.sh [SECONDS]   on a virtual display: how long to keep it running
#                                              (default 20; on a real display it runs until closed)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=build/win32

if [ ! -f "$build/dist/corlb.xrt" ] || [ ! -f "$build/dist/Tockly.exe" ]; then
  echo "run-under-wine: $build/dist has no Tockly.exe and corlb.xrt; run scripts/run.sh" >&2
  exit 1
fi
out=$(cd "$build" && pwd)/run
mkdir -p "$out/app"
cp "$build/dist/Tockly.exe" "$build/dist/corlb.xrt" "$out/app/"

# On a real display Tockly runs until it is closed.
if [ -n "${DISPLAY:-}" ]; then
  export TOCKLY_WINE_DISPLAY=$DISPLAY
  exec python3 tests/wine/winenv.py run wine "$out" "$out/prefix" --sound -- \
    bash -c 'cd "$1" && exec "$TOCKLY_WINE" ./Tockly.exe' run "$out/app"
fi

# No display: a virtual one, a screenshot of the main window, then Tockly is closed.
export SHOT=$out/main-window.png SECONDS_TO_RUN=$seconds
exec timeout $((seconds + 600)) python3 tests/wine/winenv.py run wine "$out" "$out/prefix" --sound -- bash -c '
  cd "$(dirname "$SHOT")/app"
  "$TOCKLY_WINE" ./Tockly.exe </dev/null >/dev/null 2>&1 &
  tockly=$!
  for _ in $(seq 1 120); do
    window=$(xdotool search --name "^Tockly —— " 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.5
  done
  if [ -z "$window" ]; then
    echo "run-under-wine: the main window did not appear" >&2
    kill "$tockly" 2>/dev/null
    exit 1
  fi
  sleep 2
  import -window root -crop "$(xdotool getwindowgeometry --shell "$window" |
    awk -F= "/WIDTH/{w=\$2} /HEIGHT/{h=\$2} /^X/{x=\$2} /^Y/{y=\$2} END{print w \"x\" h \"+\" x \"+\" y}")" \
    +repage "$SHOT"
  echo "run-under-wine: Tockly is running; screenshot of its main window: $SHOT"
  sleep "$SECONDS_TO_RUN"
  kill "$tockly" 2>/dev/null
  wait "$tockly" 2>/dev/null
  exit 0
'
