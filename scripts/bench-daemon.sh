#!/usr/bin/env bash
# Measures the figures quoted in the README:
#   - the core's cost per tick, idle and during an alarm, and simulated ticks per second
#     (bench/CoreTick on simulated backends);
#   - mzorvanyd's CPU time and memory over a minute of idling, beside a bare 100 ms
#     timerfd loop measured in the same run.
# Usage: scripts/bench-daemon.sh [SECONDS]   (default 60)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$root/build-bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMZORVANY_QT=OFF >/dev/null
cmake --build "$build" --target CoreTick mzorvanyd -j2 >/dev/null

echo "== core cost per tick (simulated backends)"
"$build/bench/CoreTick" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

work=$(mktemp -d)
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
pids=()

# The bare loop: what any program waking every 100 ms costs at least.
cat >"$work/bare.cpp" <<'CPP'
#include <sys/timerfd.h>
#include <poll.h>
#include <unistd.h>
#include <cstdint>
int main() {
    int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK);
    itimerspec timing{{0, 100000000}, {0, 100000000}};
    timerfd_settime(fd, 0, &timing, nullptr);
    pollfd wait{fd, POLLIN, 0};
    for (;;) {
        poll(&wait, 1, -1);
        std::uint64_t expirations;
        if (read(fd, &expirations, sizeof expirations) < 0) return 1;
    }
}
CPP
c++ -O2 -o "$work/bare" "$work/bare.cpp"

mkdir -p "$work/data/MZorvany"
printf 'Frequency=144000\r\nMainServer=127.0.0.1\r\nPort=9\r\n' >"$work/data/MZorvany/params.ini"
XDG_DATA_HOME=$work/data "$build/src/ui/headless/mzorvanyd" --gps=sim:55.7539,37.6208,150 \
    --modem=sim:080910101032547698 >"$work/daemon.out" 2>&1 &
pids+=($!)
daemon=$!
"$work/bare" &
pids+=($!)
bare=$!

ticks=$(getconf CLK_TCK)
cpu_ms() { awk -v t="$ticks" '{print ($14 + $15) * 1000 / t}' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
hwm_kb() { awk '/^VmHWM/ {print $2}' "/proc/$1/status"; }

sleep 2  # start-up is not idling
d0=$(cpu_ms $daemon); b0=$(cpu_ms $bare)
sleep "$seconds"
d1=$(cpu_ms $daemon); b1=$(cpu_ms $bare)

echo "== idle over ${seconds} s (same run)"
printf '%-22s %12s %14s %12s %12s\n' program "CPU ms" "CPU % of core" "RSS KiB" "peak KiB"
for row in "mzorvanyd $daemon $d0 $d1" "bare-timerfd-loop $bare $b0 $b1"; do
    set -- $row
    used=$(awk -v a="$3" -v b="$4" 'BEGIN {print b - a}')
    share=$(awk -v u="$used" -v s="$seconds" 'BEGIN {printf "%.3f", u / (s * 10)}')
    printf '%-22s %12s %14s %12s %12s\n' "$1" "$used" "$share" "$(rss_kb $2)" "$(hwm_kb $2)"
done
