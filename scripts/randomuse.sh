#!/usr/bin/env bash
# Runs the random use of the main window (tests/app/tst_randomuse) for a
# given time with fresh seeds, seed after seed from a random first one.
#
#   scripts/randomuse.sh MINUTES [first-seed]
#
# RANDOMUSE_BUILD picks the build (default build/; build-asan/ runs it under
# AddressSanitizer and UndefinedBehaviorSanitizer), RANDOMUSE_STEPS the steps
# per seed (default 200). The log goes to <build>/randomuse-<first seed>.log;
# a failing seed prints the steps that repeat it:
#   TOLVEK_RANDOMUSE_SEED=<seed> TOLVEK_RANDOMUSE_STEPS=<n> <build>/tests/app/tst_randomuse
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
minutes="${1:?usage: scripts/randomuse.sh MINUTES [first-seed]}"
seed="${2:-$(od -An -N3 -tu4 /dev/urandom | tr -d ' ')}"
build="${RANDOMUSE_BUILD:-$root/build}"
cmake --build "$build" --target tst_randomuse || exit 1

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}"
# QtTest ends a test function after five minutes unless told otherwise.
export QTEST_FUNCTION_TIMEOUT=$(((minutes * 60 + 600) * 1000))
log="$build/randomuse-$seed.log"
echo "random use for $minutes minutes from seed $seed; log in $log"
TOLVEK_RANDOMUSE_SEED="$seed" TOLVEK_RANDOMUSE_SECONDS=$((minutes * 60)) \
    TOLVEK_RANDOMUSE_STEPS="${RANDOMUSE_STEPS:-200}" "$build/tests/app/tst_randomuse" -maxwarnings 0 >"$log" 2>&1
status=$?
grep -v -E '^(QWARN|QDEBUG)' "$log" | grep -E -A60 '^(FAIL|QINFO)|random use:' | head -120
exit "$status"
