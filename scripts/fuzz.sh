#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (address and undefined-
# behaviour checks) in build-fuzz/ and runs each for a given time.
#
#   scripts/fuzz.sh SECONDS [target...]     (default: every target)
#
# Each target starts from its corpus in the repository (tests/fuzz/corpus/
# <target>) and its regression inputs, and keeps what it learns in
# build-fuzz/fuzz-work/<target>/corpus, so a second run goes on where the
# first stopped. An input that crashes, leaks, runs out of memory or time is
# kept under build-fuzz/fuzz-work/<target>/artifacts/ and the target is
# started again for the rest of its time.
#
# After the run, per target:
# - The corpus in the repository is minimised anew (libFuzzer's -merge=1):
#   the seed files we made by hand (any name that is not a SHA-1) always
#   stay; of the learned inputs (named by their SHA-1) only those that add
#   coverage to the seeds and to each other are kept, the smallest first,
#   at most FUZZ_KEEP_FILES (150) and FUZZ_KEEP_BYTES (1 MiB) per target, so
#   the repository stays small. The whole learned corpus stays in build-fuzz.
# - The figures are recorded (FUZZ_RECORD=0 leaves them alone, for trials):
#   tests/fuzz/totals.tsv holds each target's running totals, tests/fuzz/
#   findings.tsv every failing input ever found and whether it still fails
#   (each open one is run again at every run), and one row per target is
#   appended to the table in README.md. A time-out whose input runs within
#   the limit when tried again on its own is not counted as a finding.
#
# FUZZ_JOBS=2 runs two targets at a time (the default is one).
# A target's time is cut into rounds of FUZZ_ROUND_SECONDS (900), each a fresh
# process on the corpus learned so far: the sanitizer's store of allocation
# stacks only grows within a process, and after 20 minutes adding to it took
# 35 to 43% of the data file target's time (13% in a fresh process). SIGUSR1
# to a fuzzer ends its target for this run, as it did before.
# tests/fuzz/<target>.options holds extra libFuzzer options of a target, one a
# line (helpcontext: chmlib runs in a child that may ask for gigabytes; the
# child, a copy of the fuzzer, must not report that as the fuzzer's own).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:?usage: scripts/fuzz.sh SECONDS [target...]}"
shift
build="${FUZZ_BUILD:-$root/build-fuzz}"
jobs="${FUZZ_JOBS:-1}"
round_seconds="${FUZZ_ROUND_SECONDS:-900}"
keep_files="${FUZZ_KEEP_FILES:-150}"
keep_bytes="${FUZZ_KEEP_BYTES:-1048576}"
record="${FUZZ_RECORD:-1}"
# The limits of every run, also when a corpus is merged or a finding checked.
limits=(-timeout=25 -rss_limit_mb=2048 -max_len=65536)

if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DTOLVEK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        || exit 1
fi
if [ "$#" -gt 0 ]; then
    targets=("$@")
else
    mapfile -t targets < <(sed -n 's/^tolvek_fuzz_target(\([a-z0-9_]*\).*/\1/p' "$root/tests/fuzz/CMakeLists.txt")
fi
# FUZZ_NO_BUILD=1 runs the fuzzers as last built (while the sources change).
if [ "${FUZZ_NO_BUILD:-0}" != 1 ]; then
    # The helper too: the photo, help and PDF targets start it, and without
    # it they would only ever see "cannot start the helper".
    ninja -C "$build" tolvek-decode "${targets[@]/#/fuzz_}" || exit 1
fi

work="$build/fuzz-work"
mkdir -p "$work"
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}"
export QT_QPA_PLATFORM=offscreen

# Options of one target (tests/fuzz/<target>.options), one per line.
target_options() {
    extra=()
    [ -f "$root/tests/fuzz/$1.options" ] && mapfile -t extra < "$root/tests/fuzz/$1.options"
}

run_target() {
    local name="$1" dir="$work/$1"
    rm -rf "$dir/logs"
    mkdir -p "$dir/corpus" "$dir/artifacts" "$dir/logs"
    local extra
    target_options "$name"
    local seeds="$root/tests/fuzz/corpus/$name" regressions="$root/tests/fuzz/regressions/$name"
    local start end left executions=0 round=0 failures=0 status asked began
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
        asked=$((left < round_seconds ? left : round_seconds))
        began=$(date +%s)
        "$build/tests/fuzz/fuzz_$name" -max_total_time="$asked" "${limits[@]}" \
            -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "${extra[@]}" "${dirs[@]}" >"$log" 2>&1
        status=$?
        local n
        n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        if [ -z "$n" ]; then
            # A crash ends the run before its final statistics: take the last status line.
            n=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
        fi
        executions=$((executions + ${n:-0}))
        if [ "$status" -eq 0 ]; then
            # Ended early without a failure (SIGUSR1, SIGINT): the target is done.
            [ $(($(date +%s) - began + 5)) -lt "$asked" ] && break
        else
            failures=$((failures + 1))
            [ "$failures" -ge 50 ] && break
        fi
    done
    local ran=$(($(date +%s) - start))
    # Edges: each round loads the whole corpus, so the highest count is the
    # coverage of everything learned so far.
    local edges
    edges=$(cat "$dir"/logs/run-*.log 2>/dev/null | grep -o ' cov: [0-9]*' | awk '{ if ($2 > m) m = $2 } END { print m + 0 }')
    local crashes leaks ooms timeouts slow
    crashes=$(find "$dir/artifacts" -newer "$dir/started" -name 'crash-*' | wc -l)
    leaks=$(find "$dir/artifacts" -newer "$dir/started" -name 'leak-*' | wc -l)
    ooms=$(find "$dir/artifacts" -newer "$dir/started" -name 'oom-*' | wc -l)
    timeouts=$(find "$dir/artifacts" -newer "$dir/started" -name 'timeout-*' | wc -l)
    # Inputs that took over a second: kept for a look, not failures.
    slow=$(find "$dir/artifacts" -newer "$dir/started" -name 'slow-unit-*' | wc -l)
    printf '%s\t%s\t%s\t%s\n' "$name" "$ran" "$executions" "$edges" >"$dir/figures.tsv"
    printf '%-14s %8s %14s %7s %8s %6s %6s %9s %5s %7s\n' "$name" "$ran" "$executions" "$edges" "$crashes" "$leaks" \
        "$ooms" "$timeouts" "$slow" "$(find "$dir/corpus" -type f | wc -l)" >"$dir/summary.txt"
}

# Minimises the repository's corpus of a target: hand-made seeds stay, learned
# inputs only where they add coverage, within the limits above.
keep_corpus() {
    local name="$1" dir="$work/$1" repo="$root/tests/fuzz/corpus/$1"
    local keep="$dir/keep" learned="$dir/learned"
    local extra
    target_options "$name"
    rm -rf "$keep" "$learned"
    mkdir -p "$keep" "$learned" "$repo"
    local f base
    for f in "$repo"/*; do
        [ -f "$f" ] || continue
        base="$(basename "$f")"
        if [[ "$base" =~ ^[0-9a-f]{40}$ ]]; then
            cp "$f" "$learned/"
        else
            cp "$f" "$keep/"
        fi
    done
    if ! "$build/tests/fuzz/fuzz_$name" -merge=1 "${limits[@]}" "${extra[@]}" "$keep" "$learned" "$dir/corpus" \
        >"$dir/logs/merge.log" 2>&1; then
        echo "$name: merging the corpus failed (see $dir/logs/merge.log); the repository's corpus is left as it was" >&2
        return
    fi
    # The smallest first, up to the limits: the merge took the smallest of
    # equal coverage too, so what is dropped is what the larger ones add.
    local files=0 bytes=0 size
    while read -r size f; do
        if [ "$files" -ge "$keep_files" ] || [ $((bytes + size)) -gt "$keep_bytes" ]; then
            rm -f "$f"
            continue
        fi
        files=$((files + 1))
        bytes=$((bytes + size))
    done < <(find "$keep" -type f -regextype posix-extended -regex '.*/[0-9a-f]{40}' -printf '%s %p\n' | sort -n -k1,1 -k2,2)
    find "$repo" -type f -regextype posix-extended -regex '.*/[0-9a-f]{40}' -delete
    find "$keep" -type f -regextype posix-extended -regex '.*/[0-9a-f]{40}' -exec cp {} "$repo/" \;
}

# Whether a failing input still fails the target as it is built now.
still_fails() {
    local name="$1" input="$2" extra
    target_options "$name"
    ! "$build/tests/fuzz/fuzz_$name" "${limits[@]}" "${extra[@]}" "$input" >/dev/null 2>&1
}

# What a failing input is: "library" when the first frame of its stack that
# is neither the sanitizer's nor the C or C++ runtime's lies in a system
# library (the program runs those libraries in its decoding helper, which
# contains their failures); "unrepeated" when it passes on its own (a read
# past a buffer that hit mapped memory this time); else "open".
failure_kind() {
    local name="$1" input="$2" extra output frame
    target_options "$name"
    if output=$("$build/tests/fuzz/fuzz_$name" "${limits[@]}" "${extra[@]}" "$input" 2>&1); then
        echo unrepeated
        return
    fi
    frame=$(grep -E '^ +#[0-9]+ 0x' <<<"$output" \
        | grep -v -E ' in __(interceptor|asan|sanitizer|ubsan|lsan)_|/(libc|libm|libstdc\+\+|libgcc_s)\.so|ld-linux' \
        | head -1)
    case "$frame" in
    *" (/lib/"* | *" (/usr/lib/"*) echo library ;;
    *) echo open ;;
    esac
}

record_run() {
    local today totals="$root/tests/fuzz/totals.tsv" findings="$root/tests/fuzz/findings.tsv"
    today=$(date +%Y-%m-%d)
    [ -f "$totals" ] || printf 'target\truns\tseconds\texecutions\n' >"$totals"
    [ -f "$findings" ] || printf 'target\tinput\tfound\tstatus\n' >"$findings"
    local rows="" t
    for t in "${targets[@]}"; do
        local dir="$work/$t" name ran executions edges
        [ -f "$dir/figures.tsv" ] || continue
        IFS=$'\t' read -r name ran executions edges <"$dir/figures.tsv"
        # Running totals.
        local runs=0 total_seconds=0 total=0
        read -r runs total_seconds total < <(awk -F'\t' -v t="$t" '$1 == t { print $2, $3, $4 }' "$totals")
        runs=$((${runs:-0} + 1))
        total_seconds=$((${total_seconds:-0} + ran))
        total=$((${total:-0} + executions))
        awk -F'\t' -v t="$t" '$1 != t' "$totals" >"$totals.new"
        printf '%s\t%s\t%s\t%s\n' "$t" "$runs" "$total_seconds" "$total" >>"$totals.new"
        mv "$totals.new" "$totals"
        # Findings of this run, then every open one checked again.
        local f
        while read -r f; do
            # A time-out that does not come back when the input is run again
            # on its own was the machine's (a stopped or starved fuzzer), not
            # the input's: it stays in the run's summary, not in the findings.
            if [[ "$(basename "$f")" == timeout-* ]] && ! still_fails "$t" "$f"; then
                echo "$t: $(basename "$f") does not time out again; not a finding"
                continue
            fi
            grep -q -P "^$t\t$(basename "$f")\t" "$findings" \
                || printf '%s\t%s\t%s\t%s\n' "$t" "$(basename "$f")" "$today" "$(failure_kind "$t" "$f")" >>"$findings"
        done < <(find "$dir/artifacts" -newer "$dir/started" -type f ! -name 'slow-unit-*')
        awk -F'\t' -v OFS='\t' -v t="$t" '$1 == t && $4 == "open" { print $2 }' "$findings" | while read -r f; do
            if [ -f "$dir/artifacts/$f" ] && ! still_fails "$t" "$dir/artifacts/$f"; then
                awk -F'\t' -v OFS='\t' -v t="$t" -v f="$f" '$1 == t && $2 == f { $4 = "fixed" } { print }' \
                    "$findings" >"$findings.new" && mv "$findings.new" "$findings"
            fi
        done
        local found fixed open kept
        found=$(awk -F'\t' -v t="$t" '$1 == t' "$findings" | wc -l)
        fixed=$(awk -F'\t' -v t="$t" '$1 == t && $4 == "fixed"' "$findings" | wc -l)
        open=$(awk -F'\t' -v t="$t" '$1 == t && $4 == "open"' "$findings" | wc -l)
        kept=$(find "$root/tests/fuzz/corpus/$t" -type f | wc -l)
        rows+=$(printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |' "$today" "$t" "$ran" "$executions" \
            "$total" "$edges" "$kept" "$found" "$fixed" "$open")$'\n'
    done
    # The rows go in above the table's end mark.
    local readme="$root/README.md"
    if grep -q '^<!-- fuzz-table-end -->$' "$readme"; then
        awk -v rows="$rows" '/^<!-- fuzz-table-end -->$/ { printf "%s", rows } { print }' "$readme" >"$readme.new" \
            && mv "$readme.new" "$readme"
    else
        echo "README.md has no fuzz table end mark; rows not added:" >&2
        printf '%s' "$rows" >&2
    fi
}

header=$(printf '%-14s %8s %14s %7s %8s %6s %6s %9s %5s %7s' target seconds executions edges crashes leaks ooms \
    timeouts slow corpus)
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

for t in "${targets[@]}"; do
    keep_corpus "$t"
done
[ "$record" = 1 ] && record_run

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
