#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (address and undefined-
# behaviour checks) in build-fuzz/ and runs each for a given time.
#
#   scripts/fuzz.sh SECONDS [target...]     (default: every target)
#
# Each target starts from its seed corpus (tests/fuzz/corpus/<target>) and its
# regression inputs, and keeps what it learns in build-fuzz/fuzz-work/<target>/
# corpus, so a second run goes on where the first stopped. An input that
# crashes, leaks, runs out of memory or time is kept under
# build-fuzz/fuzz-work/<target>/artifacts/ and the target is started again for
# the rest of its time. At the end a table gives, per target, the seconds run,
# the executions and the failing inputs of this run by kind.
#
# FUZZ_JOBS=2 runs two targets at a time (the default is one).
# tests/fuzz/<target>.options holds extra libFuzzer options of a target, one a
# line (helpcontext: chmlib runs in a child that may ask for gigabytes; the
# child, a copy of the fuzzer, must not report that as the fuzzer's own).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:?usage: scripts/fuzz.sh SECONDS [target...]}"
shift
build="${FUZZ_BUILD:-$root/build-fuzz}"
jobs="${FUZZ_JOBS:-1}"

if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DTOLVEK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        || exit 1
fi
if [ "$#" -gt 0 ]; then
    targets=("$@")
else
    mapfile -t targets < <(sed -n 's/^tolvek_fuzz_target(\([a-z0-9_]*\).*/\1/p' "$root/tests/fuzz/CMakeLists.txt")
fi
ninja -C "$build" "${targets[@]/#/fuzz_}" || exit 1

work="$build/fuzz-work"
mkdir -p "$work"
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}"
export QT_QPA_PLATFORM=offscreen

run_target() {
    local name="$1" dir="$work/$1"
    rm -rf "$dir/logs"
    mkdir -p "$dir/corpus" "$dir/artifacts" "$dir/logs"
    # Options of one target (tests/fuzz/<target>.options), one per line.
    local extra=()
    [ -f "$root/tests/fuzz/$name.options" ] && mapfile -t extra < "$root/tests/fuzz/$name.options"
    local seeds="$root/tests/fuzz/corpus/$name" regressions="$root/tests/fuzz/regressions/$name"
    local start end left executions=0 round=0 status
    start=$(date +%s)
    touch "$dir/started"
    end=$((start + seconds))
    while :; do
        left=$((end - $(date +%s)))
        [ "$left" -gt 0 ] || break
        round=$((round + 1))
        local log="$dir/logs/run-$round.log" dirs=("$dir/corpus")
        [ -d "$seeds" ] && dirs+=("$seeds")
        [ -d "$regressions" ] && dirs+=("$regressions")
        "$build/tests/fuzz/fuzz_$name" -max_total_time="$left" -timeout=25 -rss_limit_mb=2048 -max_len=65536 \
            -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "${extra[@]}" "${dirs[@]}" >"$log" 2>&1
        status=$?
        local n
        n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        if [ -z "$n" ]; then
            # A crash ends the run before its final statistics: take the last status line.
            n=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
        fi
        executions=$((executions + ${n:-0}))
        [ "$status" -eq 0 ] && break
        [ "$round" -ge 50 ] && break
    done
    local ran=$(( $(date +%s) - start ))
    local crashes leaks ooms timeouts slow
    crashes=$(find "$dir/artifacts" -newer "$dir/started" -name 'crash-*' | wc -l)
    leaks=$(find "$dir/artifacts" -newer "$dir/started" -name 'leak-*' | wc -l)
    ooms=$(find "$dir/artifacts" -newer "$dir/started" -name 'oom-*' | wc -l)
    timeouts=$(find "$dir/artifacts" -newer "$dir/started" -name 'timeout-*' | wc -l)
    # Inputs that took over a second: kept for a look, not failures.
    slow=$(find "$dir/artifacts" -newer "$dir/started" -name 'slow-unit-*' | wc -l)
    printf '%-14s %8s %14s %8s %6s %6s %9s %5s %7s\n' "$name" "$ran" "$executions" "$crashes" "$leaks" "$ooms" \
        "$timeouts" "$slow" "$(find "$dir/corpus" -type f | wc -l)" >"$dir/summary.txt"
}

header=$(printf '%-14s %8s %14s %8s %6s %6s %9s %5s %7s' target seconds executions crashes leaks ooms timeouts slow corpus)
running=0
for t in "${targets[@]}"; do
    run_target "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

echo "$header" | tee "$work/report.txt"
failed=0
for t in "${targets[@]}"; do
    cat "$work/$t/summary.txt" | tee -a "$work/report.txt"
    if [ -n "$(find "$work/$t/artifacts" -newer "$work/$t/started" -type f ! -name 'slow-unit-*')" ]; then
        failed=1
    fi
done
echo "(failing inputs of this run; kept in $work/<target>/artifacts)"
exit "$failed"
