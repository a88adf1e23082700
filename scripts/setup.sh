#!/usr/bin/env bash
# Installs every Debian package that building, running and testing MZorvany needs.
# Quick when everything is already there: apt is only called for what is missing.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config clang-format
    # fuzzing: clang 14 with libFuzzer and the sanitizer runtimes
    clang-14 libclang-rt-14-dev
    # core tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # GPS: gpsd's client library, and gpsd itself with socat to replay captures in tests
    libgps-dev gpsd gpsd-clients socat
    # Qt front end, its sound, and a virtual display for screenshots
    qt6-base-dev qt6-multimedia-dev xvfb xauth trayer
    # sound player of the daemon
    alsa-utils
    # procps for the benchmark script (ps)
    procps
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y --no-install-recommends -qq "${missing[@]}"
