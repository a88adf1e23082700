#!/usr/bin/env bash
# Idle cost of the Qt tracker, hidden behind its tray icon (Frequency 36000, GPS off),
# beside an empty Qt Widgets program with a 100 ms timer (what the tracker's loop was
# before it slept through quiet ticks), both measured over the same interval on one X
# server: CPU share, memory, and wake-ups and CPU per hour.
# Usage: scripts/bench-qt.sh [SECONDS]   (default 60)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
seconds=${1:-60}

cmake -S "$here" -B "$build" -G Ninja -DMZORVANY_QT=ON >/dev/null
cmake --build "$build" --target mzorvany mzorvany-qt-baseline -j2 >/dev/null

if [[ -z "${INSIDE_XVFB:-}" ]]; then
    exec env INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 480x800x24" "$0" "$@"
fi

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME/MZorvany"
printf 'MainServer=127.0.0.1\r\nFrequency=36000\r\n' >"$XDG_DATA_HOME/MZorvany/params.ini"

if command -v trayer >/dev/null; then
    trayer --edge top --align right --widthtype pixel --width 64 --height 32 &
    sleep 1
else
    echo "note: trayer not installed; the tracker starts shown instead of hidden" >&2
fi

"$build/src/ui/qt/mzorvany" --gps=none --link=direct >"$work/mzorvany.log" 2>&1 &
tracker=$!
"$build/src/ui/qt/mzorvany-qt-baseline" &
baseline=$!
sleep 5  # start-up is not idle

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
# The voluntary context switches of every thread (Qt's X connection has one of its own).
wakes() { cat /proc/$1/task/*/status | awk '/^voluntary_ctxt_switches/ {n += $2} END {print n}'; }

t0=$(date +%s.%N); a0=$(cpu_ticks $tracker); b0=$(cpu_ticks $baseline)
aw0=$(wakes $tracker); bw0=$(wakes $baseline)
sleep "$seconds"
t1=$(date +%s.%N); a1=$(cpu_ticks $tracker); b1=$(cpu_ticks $baseline)
aw1=$(wakes $tracker); bw1=$(wakes $baseline)
hz=$(getconf CLK_TCK)

report() {
    awk -v name="$1" -v d="$(($3 - $2))" -v hz="$hz" -v t0="$t0" -v t1="$t1" -v rss="$4" \
        'BEGIN { printf "%-22s CPU %6.2f %%   RSS %7.1f MiB\n", name, 100 * d / hz / (t1 - t0), rss / 1024 }'
}
echo "idle over ${seconds} s, Qt $(qtpaths6 --qt-version 2>/dev/null || echo 6), $(nproc) CPUs:"
report "mzorvany (hidden)" "$a0" "$a1" "$(rss_kib $tracker)"
report "Qt 100 ms timer only" "$b0" "$b1" "$(rss_kib $baseline)"

per_hour() {
    awk -v name="$1" -v w="$(($3 - $2))" -v d="$(($5 - $4))" -v hz="$hz" -v t0="$t0" -v t1="$t1" \
        'BEGIN { printf "%-22s %8d wake-ups/hour   CPU %6.0f ms/hour\n", name, w * 3600 / (t1 - t0), d * 1000 / hz * 3600 / (t1 - t0) }'
}
echo "per hour, from the same ${seconds} s:"
per_hour "mzorvany (hidden)" "$aw0" "$aw1" "$a0" "$a1"
per_hour "Qt 100 ms timer only" "$bw0" "$bw1" "$b0" "$b1"
