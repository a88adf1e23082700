#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh [DIR] [extra cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
shift || true
# Paths inside the tree are hashed relative to it, so a clone in another folder, or a
# worktree, finds what an earlier build put in the cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
launcher=()
# A second build of the same sources (another folder, a later run) comes from the cache.
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir"
