#!/usr/bin/env bash
# Builds Tolvek and runs every test. GUI tests run offscreen; a virtual X
# server is started for the tests that want a real one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh" "$root/build"
cd "$root/build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(nproc)" "$@"
