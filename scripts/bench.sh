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

# The exported web page at the key limit (99,999 photos on a 14000 by 9900
# plan) in Chromium, the plan's export against libvips, and Lighthouse's
# scores of the sample's page and of that one: tests/web/bench.js.
if command -v node >/dev/null && command -v chromium >/dev/null && [ -d "$root/tests/web/node_modules" ]; then
    echo "=== Web page ==="
    web="$(mktemp -d)"
    cmake --build "$root/build" --target tolvek-render sample
    node "$root/tests/web/bench.js" --render "$root/build/tools/tolvek-render" \
        --sample "$root/build/sample/Voorbeeld.tvk" --work "$web/werk"
    rm -rf "$web"
fi
