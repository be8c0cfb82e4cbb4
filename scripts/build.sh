#!/usr/bin/env bash
# Installs what is missing, then configures and builds incrementally.
# Usage: scripts/build.sh [build-folder] [extra cmake options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
build="${1:-$root/build}"
shift || true
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja "$@"
fi
cmake --build "$build" -j "$(nproc)"
