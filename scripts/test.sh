#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test twice:
# in the normal build and in the sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer).
# A Release build is made as well, without running its tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

jobs=$(nproc)
status=0
echo "== formatting (clang-format)"
"$root/scripts/check-format.sh" || status=1
"$root/scripts/build.sh" "$root/build"
"$root/scripts/build.sh" "$root/build-asan" -DMZORVANY_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
# Built, not tested: the optimiser's own warnings must not break a package or benchmark build.
"$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
echo "== tests (normal build)"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs" || status=1
echo "== tests (sanitizer build)"
ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs" || status=1
# The fuzz targets, built with clang, each run briefly on its seed corpus: a parser that
# regresses is caught at once.
echo "== fuzz targets (clang, ${MZ_FUZZ_SECONDS:-5} s each)"
"$root/scripts/fuzz.sh" "${MZ_FUZZ_SECONDS:-5}" || status=1
exit $status
