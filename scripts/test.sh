#!/usr/bin/env bash
# Builds Tolvek and runs every test. GUI tests run offscreen; a virtual X
# server is started for the tests that want a real one.
#
# Then the whole suite is built a second time with AddressSanitizer and
# UndefinedBehaviorSanitizer (in build-asan/) and run again; this includes
# replaying every fuzz target's corpus and regression inputs. Set
# TOLVEK_SANITIZE_TESTS=0 to run the normal build only.
# Arguments are passed to ctest (both runs).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

bash "$root/scripts/build.sh" "$root/build"
(cd "$root/build" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(nproc)" "$@")

if [ "${TOLVEK_SANITIZE_TESTS:-1}" != 0 ]; then
    echo "== The same tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    bash "$root/scripts/build.sh" "$root/build-asan" -DTOLVEK_SANITIZE=ON
    (cd "$root/build-asan" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(nproc)" "$@")
fi
