#!/usr/bin/env bash
# A longer fuzzing campaign than the CI run: builds the libFuzzer targets (fuzz preset) and runs each
# target, one after another on one core, for SECONDS (default 1800) or until it has executed RUNS
# inputs (default: no limit), whichever comes first. Prints each target's executions and failures.
#   scripts/fuzz-campaign.sh SECONDS [RUNS] [TARGET...]      e.g. scripts/fuzz-campaign.sh 1800 10000000
# Each target's corpus grows in build/fuzz/campaign/<target>/corpus (seeded from tests/fuzz/corpus)
# and is kept between campaigns; failing inputs land in build/fuzz/campaign/<target>/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-1800}"
runs="${2:-0}"
shift $(( $# < 2 ? $# : 2 ))

build_dir="${TOCKLY_FUZZ_BUILD_DIR:-build/fuzz}"
cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2

if [ "$#" -gt 0 ]; then
  targets=()
  for name in "$@"; do targets+=("$build_dir/bin/$name"); done
else
  shopt -s nullglob
  targets=("$build_dir"/bin/fuzz_*)
fi
[ "${#targets[@]}" -gt 0 ] || { echo "fuzz-campaign: no targets in $build_dir/bin" >&2; exit 1; }

status=0
summary=()
for target in "${targets[@]}"; do
  name=$(basename "$target")
  dir="$build_dir/campaign/$name"
  seeds="tests/fuzz/corpus/${name#fuzz_}"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  limit=()
  [ "$runs" -gt 0 ] && limit=(-runs="$runs")
  echo "== $name: up to ${seconds} s${limit:+ or $runs executions}"
  started=$(date +%s)
  failures=0
  if ! "$target" -max_total_time="$seconds" "${limit[@]}" -print_final_stats=1 \
      -artifact_prefix="$dir/artifacts/" "$dir/corpus" $( [ -d "$seeds" ] && echo "$seeds" ) \
      >"$dir/campaign.log" 2>&1; then
    tail -n 60 "$dir/campaign.log" >&2
    echo "fuzz-campaign: $name found a failure (input kept in $dir/artifacts/)" >&2
    failures=1
    status=1
  fi
  elapsed=$(( $(date +%s) - started ))
  executed=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$dir/campaign.log" | grep -o '[0-9]*$' || echo 0)
  summary+=("$(printf '%-20s %12s executions in %5s s  %10s exec/s  %s failures' \
    "$name" "$executed" "$elapsed" "$(( executed / (elapsed > 0 ? elapsed : 1) ))" "$failures")")
done

echo "== fuzz campaign summary"
printf '%s\n' "${summary[@]}"
exit $status
