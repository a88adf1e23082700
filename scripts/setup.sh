#!/usr/bin/env bash
# Installs every Debian package that building, running and testing MZorvany needs.
# Quick when everything is already there: apt is only called for what is missing.
#   scripts/setup.sh           what the build and the tests need
#   scripts/setup.sh --arm64   also the cross compiler, qemu and the :arm64 libraries
#   scripts/setup.sh --system  also what the system test needs to make and boot a Debian root
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config clang-format ccache
    # fuzzing: clang 14 with libFuzzer and the sanitizer runtimes
    clang-14 libclang-rt-14-dev
    # core tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # GPS: gpsd itself with socat to replay captures in tests
    gpsd socat
    # Qt front end, its sound, and a virtual display for screenshots
    qt6-base-dev qt6-multimedia-dev xvfb xauth trayer
    # sound player of the daemon
    alsa-utils
    # D-Bus backends (sd-bus), and a private bus with mock services for their tests
    libsystemd-dev dbus python3-dbusmock
    # procps for the benchmark script (ps)
    procps
    # iproute2: the delivery tests break loopback's routes inside a private network namespace
    iproute2
    # sd_notify for the service; manual pages; validators of what is installed
    help2man desktop-file-utils appstream systemd
    # the Debian package: dpkg-shlibdeps, and lintian to check it
    dpkg-dev lintian
)

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
for option in "$@"; do
    case $option in
        --arm64)
            packages+=(crossbuild-essential-arm64 qemu-user-static
                       libsystemd-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64
                       qt6-base-dev:arm64 qt6-multimedia-dev:arm64)
            if ! dpkg --print-foreign-architectures | grep -qx arm64; then
                "${sudo[@]}" dpkg --add-architecture arm64
            fi
            ;;
        # scripts/system-test.sh: the root is made with mmdebstrap and booted with
        # systemd-nspawn; util-linux's nsenter runs commands inside.
        --system) packages+=(mmdebstrap systemd-container debian-archive-keyring util-linux) ;;
        *) echo "usage: $0 [--arm64] [--system]" >&2; exit 64 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    # With a second architecture a name without one may list both; either will do.
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -qx "install ok installed" ||
        missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y --no-install-recommends -qq "${missing[@]}"
