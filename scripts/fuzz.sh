#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset), replays each target's seed corpus, then fuzzes each
# target for SECONDS (default 60), printing executions and executions per second per target.
# New inputs go to a scratch folder; the checked-in seed corpora are not changed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

# TOCKLY_FUZZ_BUILD_DIR builds elsewhere than the preset's folder.
build_dir="${TOCKLY_FUZZ_BUILD_DIR:-build/fuzz}"
cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2

bin="$build_dir/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
shopt -s nullglob
targets=("$bin"/fuzz_*)
if [ "${#targets[@]}" -eq 0 ]; then
  echo "fuzz: no targets in $bin" >&2
  exit 1
fi

status=0
summary=()
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus="tests/fuzz/corpus/${name#fuzz_}"
  mkdir -p "$work/$name/corpus" "$work/$name/artifacts"
  seeds=()
  if [ -d "$corpus" ]; then
    seeds=("$corpus"/*)
  fi
  echo "== $name: replaying ${#seeds[@]} seeds"
  if [ "${#seeds[@]}" -gt 0 ] && ! "$target" "${seeds[@]}" >"$work/$name/replay.log" 2>&1; then
    cat "$work/$name/replay.log" >&2
    echo "fuzz: $name failed on its seed corpus" >&2
    status=1
    continue
  fi
  echo "== $name: fuzzing for ${seconds} s"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/$name/artifacts/" \
      "$work/$name/corpus" ${seeds:+"$corpus"} >"$work/$name/fuzz.log" 2>&1; then
    tail -n 60 "$work/$name/fuzz.log" >&2
    mkdir -p "$build_dir/artifacts"
    cp "$work/$name/artifacts/"* "$build_dir/artifacts/" 2>/dev/null || true
    echo "fuzz: $name found a failure (input kept in $build_dir/artifacts/)" >&2
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$name/fuzz.log" | grep -o '[0-9]*$' || echo 0)
  secs=$(grep -o 'stat::total_time_seconds\|Done [0-9]* runs in [0-9]* second' "$work/$name/fuzz.log" | tail -n1 |
         grep -o '[0-9]* second' | grep -o '[0-9]*' || true)
  [ -n "$secs" ] && [ "$secs" -gt 0 ] || secs=$seconds
  summary+=("$(printf '%-20s %12s executions %10s exec/s' "$name" "$runs" "$(( runs / secs ))")")
done

echo "== fuzz summary (${seconds} s per target)"
printf '%s\n' "${summary[@]}"
exit $status
