#!/usr/bin/env bash
# Builds Tolvek and starts it on the bundled sample project.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh" "$root/build"
exec "$root/build/tolvek" "$root/build/sample/Voorbeeld.tvk"
