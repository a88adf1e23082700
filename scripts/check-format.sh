#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it; prints
# each difference. `scripts/check-format.sh --fix` rewrites the files instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "check-format: not a git checkout; skipped" >&2
    exit 0
fi
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == "--fix" ]]; then
    clang-format -i "${sources[@]}"
else
    clang-format --dry-run --Werror "${sources[@]}"
fi
