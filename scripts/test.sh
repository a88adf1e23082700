#!/usr/bin/env bash
# The project's tests.
#   scripts/test.sh          installs what is missing, checks the formatting, makes one build
#                            (build/) and runs every unit, simulated-world and integration test
#   scripts/test.sh --full   the same, then the matrix CI runs: the sanitizer build
#                            (AddressSanitizer + UndefinedBehaviorSanitizer) and its tests, the
#                            Release build, the fuzz targets briefly, the Debian packages (arm64
#                            tests under qemu, lintian, dpkg) and the booted-system test
# Every step runs even when an earlier one failed; the exit status says whether all passed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
full=0
case ${1:-} in
    --full) full=1 ;;
    "") ;;
    *) echo "usage: $0 [--full]" >&2; exit 64 ;;
esac
"$root/scripts/setup.sh"

jobs=$(nproc)
# Every build below (packages and fuzz targets too) hashes paths relative to the tree, so a
# clone in another folder compiles from what an earlier run left in the compiler cache.
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
status=0
started=$SECONDS
step() { echo "== $1 ($((SECONDS - started)) s)"; }
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

step "formatting (clang-format)"
"$root/scripts/check-format.sh" || status=1
step "build"
"$root/scripts/build.sh" "$root/build" || status=1
step "tests"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs" || status=1

if [[ $full == 1 ]]; then
    step "sanitizer build"
    "$root/scripts/build.sh" "$root/build-asan" -DMZORVANY_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug ||
        status=1
    step "tests (sanitizer build)"
    ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs" || status=1
    # Built, not tested: the optimiser's own warnings must not break a package or benchmark build.
    step "Release build"
    "$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release || status=1
    # Each fuzz target briefly on its seed corpus: a parser that regresses is caught at once.
    step "fuzz targets (clang, ${MZ_FUZZ_SECONDS:-5} s each)"
    "$root/scripts/fuzz.sh" "${MZ_FUZZ_SECONDS:-5}" || status=1
    step "Debian packages"
    "$root/scripts/ci-package.sh" || status=1
    if [[ -x $root/scripts/system-test.sh ]]; then
        step "booted-system test"
        "$root/scripts/system-test.sh" || status=1
    fi
fi
step "done: $([[ $status == 0 ]] && echo passed || echo FAILED)"
exit $status
