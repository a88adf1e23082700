#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in the normal build
# and in the sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

jobs=$(nproc)
"$root/scripts/build.sh" "$root/build"
"$root/scripts/build.sh" "$root/build-asan" -DMZORVANY_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
echo "== tests (normal build)"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs" || status=1
echo "== tests (sanitizer build)"
ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs" || status=1
exit $status
