#!/usr/bin/env bash
# Writes PNG pictures of the Qt tracker (idle, alarm, log shown, each options page, in
# Russian and English) into docs/screenshots/. Runs offscreen; no display is needed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
out=${1:-$here/docs/screenshots}

cmake -S "$here" -B "$build" -G Ninja -DMZORVANY_QT=ON >/dev/null
cmake --build "$build" --target mzorvany-screenshots -j2
QT_QPA_PLATFORM=offscreen "$build/src/ui/qt/mzorvany-screenshots" "$out"
