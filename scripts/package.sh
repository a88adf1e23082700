#!/usr/bin/env bash
# Builds the Debian packages into packages/: scripts/package.sh [amd64] [arm64] [--test]
# Both architectures when none is named. arm64 is cross-compiled with Debian's multiarch
# :arm64 development packages; --test also runs its unit and simulated-world tests under
# qemu-user-static. Installs what it lacks first (scripts/setup.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/packages

arches=()
test_arm64=0
for argument in "$@"; do
    case $argument in
        amd64 | arm64) arches+=("$argument") ;;
        --test) test_arm64=1 ;;
        *) echo "usage: $0 [amd64] [arm64] [--test]" >&2; exit 64 ;;
    esac
done
[[ ${#arches[@]} -gt 0 ]] || arches=(amd64 arm64)
native=$(dpkg --print-architecture)

if [[ " ${arches[*]} " == *" arm64 "* ]]; then
    "$root/scripts/setup.sh" --arm64
else
    "$root/scripts/setup.sh"
fi

# Where a Debian system keeps configuration and units (bookworm's systemd: /lib).
debian_options=(
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
    -DCMAKE_INSTALL_PREFIX=/usr
    -DCMAKE_INSTALL_SYSCONFDIR=/etc
    -DMZORVANY_SYSTEMD_SYSTEM_UNIT_DIR=/lib/systemd/system
    -DMZORVANY_SYSTEMD_USER_UNIT_DIR=/usr/lib/systemd/user
    # cpack installs only what was built here, not every test program
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
)
command -v ccache >/dev/null && debian_options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

mkdir -p "$out"
for arch in "${arches[@]}"; do
    started=$SECONDS
    dir=$root/build-deb-$arch
    options=("${debian_options[@]}")
    if [[ $arch != "$native" ]]; then
        [[ $arch == arm64 ]] || { echo "cannot cross-build for $arch" >&2; exit 64; }
        options+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake")
    fi
    echo "== $arch: building"
    cmake -S "$root" -B "$dir" -G Ninja "${options[@]}" >/dev/null
    targets=(mzorvanyd mzorvany-pult mzorvany-man mzorvany-changelog)
    grep -q '^MZORVANY_QT:BOOL=ON' "$dir/CMakeCache.txt" && targets+=(mzorvany)
    if [[ $arch == arm64 && $test_arm64 == 1 ]]; then
        for folder in "$root"/tests/unit/*/; do
            targets+=("unit_$(basename "$folder")")
        done
        targets+=(sim_scenarios)
    fi
    cmake --build "$dir" --target "${targets[@]}"

    if [[ $arch == arm64 && $test_arm64 == 1 ]]; then
        echo "== arm64: unit and simulated-world tests under qemu-aarch64-static"
        tests_started=$SECONDS
        failed=0
        for program in "${targets[@]}"; do
            [[ $program == unit_* || $program == sim_scenarios ]] || continue
            binary=$(find "$dir/tests" -type f -name "$program" -perm -u+x | head -n 1)
            if ! qemu-aarch64-static "$binary" --gtest_brief=1; then
                echo "FAILED on arm64: $program" >&2
                failed=1
            fi
        done
        echo "== arm64: tests took $((SECONDS - tests_started)) s"
        [[ $failed == 0 ]] || exit 1
    fi

    echo "== $arch: packaging"
    rm -rf "$dir/cpack"
    (cd "$dir" && cpack -G DEB -B "$dir/cpack" >/dev/null)
    cp "$dir"/cpack/*.deb "$out/"
    echo "== $arch: $(cd "$dir/cpack" && ls ./*.deb) in $((SECONDS - started)) s"
done
ls -l "$out"/*.deb
