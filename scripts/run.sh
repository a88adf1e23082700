#!/usr/bin/env bash
# Installs what is missing, builds, and runs the tracker.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
echo "Built everything in $root/build."
