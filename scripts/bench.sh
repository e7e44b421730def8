#!/usr/bin/env bash
# Tockly's performance table: tick, save, start-up and memory at 1,000, 10,000 and 100,000 rows
# (and an empty table) on the headless host (Google Benchmark), and, with --wine, the same sizes of
# the shipped i686 build under Wine; with --jitter, also days of late timer messages on the headless
# host, Tockly's tick beside a free-running 1000 ms timer.
#
#   bash scripts/bench.sh [--wine] [--jitter [DAYS]] [--rows 0,1000,10000,100000]
#
# Needs what scripts/install-deps.sh installs; builds the native (and with --wine the win32)
# preset first.
set -euo pipefail
cd "$(dirname "$0")/.."

wine=0
jitter_days=0
rows="0,1000,10000,100000"
while [ $# -gt 0 ]; do
  case "$1" in
    --wine) wine=1 ;;
    --jitter)
      jitter_days=30
      if [ $# -gt 1 ] && [[ "$2" =~ ^[0-9]+$ ]]; then jitter_days=$2; shift; fi ;;
    --rows) rows=$2; shift ;;
    *) echo "usage: bench.sh [--wine] [--jitter [DAYS]] [--rows 0,1000,...]" >&2; exit 2 ;;
  esac
  shift
done

out=build/bench
mkdir -p "$out"
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target tockly-bench tockly-jitter >/dev/null

filter="BM_(Tick|Save|WriteFile|StartUp)/($(echo "$rows" | tr ',' '|'))\$"
build/native/bin/tockly-bench --benchmark_filter="$filter" --benchmark_min_time=0.5 \
  --benchmark_format=json --benchmark_out="$out/headless.json" --benchmark_out_format=json >/dev/null

: > "$out/wine.txt"
if [ "$wine" = 1 ]; then
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j2 >/dev/null
  loader=$(sed -n 's/^TOCKLY_WINE:[A-Z]*=//p' build/win32/CMakeCache.txt)
  python3 tests/wine/wine_bench.py "${loader:-wine}" build/win32/dist build/win32/bin/tockly-driver.exe \
    build/win32/bin/tockly-stand-in.exe build/win32/tests/wine/form-expectations.json \
    "$PWD/$out/wine" "$PWD/$out/wine-prefix" "$rows" | tee "$out/wine.txt"
fi

python3 - "$out/headless.json" "$out/wine.txt" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
by = {}
for b in runs:
    name, rows = b["name"].split("/")[:2]
    unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    by.setdefault(int(rows), {})[name] = (b["real_time"] * unit, b["cpu_time"] * unit, b.get("heap_MB"))
wine = {}
empty_kb = None
for line in open(sys.argv[2]):
    line = line.strip()
    if line.startswith("{"):
        f = json.loads(line)
        if "rows" in f:
            wine[f["rows"]] = f
        else:
            empty_kb = f.get("empty_program_private_kb")
print(f"machine: {json.load(open(sys.argv[1]))['context'].get('num_cpus')} CPUs, "
      f"load {json.load(open(sys.argv[1]))['context'].get('load_avg')}")
head = ("| rows | tick ms | tick ns/row | save ms | × file write | start-up ms | heap MB |")
sep = "| ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
if wine:
    head += (" Wine start-up s | × empty | Wine heap MB | Wine private MB over empty | Wine tick ms |"
             " Wine lag median / p99 / max ms | Wine save ms | Wine add to disk ms | Wine save to disk ms |"
             " Wine × file write |")
    sep += " ---: | ---: | ---: | ---: | ---: | --- | ---: | ---: | ---: | ---: |"
print(head)
print(sep)
base = wine.get(0, {}).get("startup_s")
for rows in sorted(by):
    r = by[rows]
    tick = r.get("BM_Tick", (0, 0, None))
    save = r.get("BM_Save", (0, 0, None))
    start = r.get("BM_StartUp", (0, 0, None))
    write = r.get("BM_WriteFile", (0, 0, None))
    save_ratio = f"{save[0] / write[0]:.2f}" if write[0] else "-"
    per_row = f"{tick[1] * 1e6 / rows:.0f}" if rows else "-"
    line = (f"| {rows} | {tick[1]:.3f} | {per_row} | {save[1]:.2f} | {save_ratio} | {start[1]:.2f} | "
            f"{(start[2] or 0):.1f} |")
    if wine:
        w = wine.get(rows, {})
        ratio = f"{w['startup_s'] / base:.2f}" if base and w.get("startup_s") else "-"
        heap = f"{w['heap_bytes'] / 2**20:.1f}" if w.get("heap_bytes") is not None else "-"
        private = f"{w['own_kb'] / 1024:.1f}" if w.get("own_kb") is not None else "-"
        lag = f"{w['lag_median_ms']} / {w['lag_p99_ms']} / {w['lag_max_ms']}" if "lag_median_ms" in w else "-"
        disk = w.get("save_total_ms")
        write_ratio = f"{disk / w['file_write_ms']:.2f}" if disk is not None and w.get("file_write_ms") else "-"
        line += (f" {w.get('startup_s', '-')} | {ratio} | {heap} | {private} | {w.get('tick_median_ms', '-')} | {lag} | "
                 f"{w.get('save_ms', '-')} | {w.get('add_total_ms', '-')} | {'-' if disk is None else disk} | "
                 f"{write_ratio} |")
    print(line)
print()
print("Headless times are CPU time of one tick (none due), one save of the whole table, and start-up to the")
print("main window open; heap: what start-up leaves in use. × file write: a save's wall time against writing")
print("the same data.ini bytes to the file directly (temporary file, flush, rename).")
if wine:
    print("Wine: start-up is the median of several starts taken in turn, from the process's start to the main")
    print("window shown; heap: bytes in use on the process's heaps when the main window is shown (from the")
    print("trace); private over empty: the process's private memory on this system, 20 s after start, minus an")
    print(f"empty Win32 program's (a window, no table: {empty_kb} KB) under the same Wine; tick and save: the")
    print("event's length on the window thread (the save: 删除时间 with no row selected, the file unchanged); add")
    print("to disk: 添加时间 from its click until the writer thread has replaced data.ini; save to disk: the same")
    print("from the new row's insert into the list box, where the save begins; × file write: the save to disk")
    print("against the same bytes written by the host's own file replacement alone; lag: the tick's arrival after")
    print("the second boundary (from the trace, after the first 5 s). Saves and adds: medians of five.")
PY

if [ "$jitter_days" != 0 ]; then
  echo
  build/native/bin/tockly-jitter --days "$jitter_days" --rows 300
fi
