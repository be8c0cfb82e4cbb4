#!/usr/bin/env bash
# Builds Tolvek and runs its benchmark program several times (3 unless
# TOLVEK_BENCH_RUNS says otherwise), then prints the median of each ratio.
# The inputs (among them a 416 MB bitmap) are made in a temporary folder
# ($TMPDIR or /tmp) and removed again. Extra arguments go to the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh" "$root/build"
cmake --build "$root/build" --target tolvek-bench
runs="${TOLVEK_BENCH_RUNS:-3}"
results="$(mktemp -d)"
trap 'rm -rf "$results"' EXIT
files=()
for i in $(seq 1 "$runs"); do
    echo "=== Run $i of $runs ==="
    "$root/build/bench/tolvek-bench" --ratios="$results/run$i.txt" "$@"
    files+=("$results/run$i.txt")
done
"$root/build/bench/tolvek-bench" --summary "${files[@]}"
