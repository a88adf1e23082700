#!/usr/bin/env bash
# Measures the figures quoted in the README:
#   - the core's cost per tick, idle and during an alarm, and simulated ticks per second
#     (bench/CoreTick on simulated backends);
#   - mzorvanyd's CPU time, wake-ups and memory over a minute, idle (Frequency 36000, GPS
#     off), reporting every 10 s (Frequency 100) and during an alarm (a key held through a
#     FIFO, acknowledged by mzorvany-pult on loopback, follow-ups every 15 s), beside a bare
#     100 ms timerfd loop (what the tracker's loop was before it slept through quiet ticks)
#     measured in the same run;
#   - out of coverage: mzorvanyd on the route link with a report waiting all the time, in a
#     private network namespace whose loopback has lost its 127.0.0.1/8 address (so there is
#     no route to the control room), beside the same tracker with the network, its report
#     acknowledged by mzorvany-pult, over the same seconds (needs root and iproute2).
# Every figure is scaled to an hour.
# Usage: scripts/bench-daemon.sh [SECONDS]   (default 60)
# MZ_BENCH_BUILD=DIR measures an existing build instead of configuring build-bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${MZ_BENCH_BUILD:-$root/build-bench}
if [ -z "${MZ_BENCH_BUILD:-}" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMZORVANY_QT=OFF >/dev/null
    cmake --build "$build" --target CoreTick mzorvanyd mzorvany-pult -j2 >/dev/null
    echo "== core cost per tick (simulated backends)"
    "$build/bench/CoreTick" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
fi

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

# Each tracker has a settings folder of its own; reports go to the discard port on loopback
# unless a port is given. The command in launch (if any) starts it.
launch=()
start_daemon() {  # name frequency [port [more options]]
    mkdir -p "$work/$1/MZorvany"
    printf 'Frequency=%s\r\nMainServer=127.0.0.1\r\nPort=%s\r\nAlertPressTime=1\r\nPermittedKeys=112\r\n' \
        "$2" "${3:-9}" >"$work/$1/MZorvany/params.ini"
    XDG_DATA_HOME=$work/$1 "${launch[@]}" "$build/src/ui/headless/mzorvanyd" \
        --gps=sim:55.7539,37.6208,150 --modem=sim:080910101032547698 "${@:4}" >"$work/$1.out" 2>&1 &
    pids+=($!)
}
# A control room on loopback that acknowledges; its port goes into the variable named.
start_pult() {  # name variable
    "$build/tools/pult/mzorvany-pult" --listen 127.0.0.1:0 >"$work/$1.out" 2>"$work/$1.err" &
    pids+=($!)
    local port=
    for _ in $(seq 50); do
        port=$(sed -n 's/.*listening on [0-9.]*:\([0-9]*\).*/\1/p' "$work/$1.err")
        [ -n "$port" ] && break
        sleep 0.1
    done
    [ -n "$port" ] || { echo "mzorvany-pult did not start" >&2; exit 1; }
    printf -v "$2" '%s' "$port"
}

# Out of coverage and with the network: the same tracker on the route link, each with a
# test report posted; started first, so the waiting one is past its first minute (looks
# every tick for 5 s, then 1, 2, 4 … s apart) when the measurement starts and the
# measurement shows the steady state. unshare and sh exec the daemon: $! is its process.
start_pult coverage-pult coverage_port
launch=(unshare -n sh -c 'PATH=/usr/sbin:/sbin:$PATH; ip link set lo up &&
    ip addr del 127.0.0.1/8 dev lo && exec "$@"' sh)
start_daemon offline 36000 "$coverage_port" --link=route
offline=$!
launch=()
start_daemon online 36000 "$coverage_port" --link=route
online=$!
coverage_started=$SECONDS
sleep 1
for name in offline online; do
    XDG_DATA_HOME=$work/$name "$build/src/ui/headless/mzorvanyd" --command=test >/dev/null 2>&1 ||
        echo "warning: the test report could not be asked of the $name tracker" >&2
done

start_daemon idle 36000
daemon=$!
start_daemon busy 100
busy=$!

# The alarm: a control room that acknowledges, and F1 (virtual key 112) held for 1.5 s
# through a FIFO kept open (read-write, so opening it never blocks) for the whole run.
start_pult pult pult_port
mkfifo "$work/keys"
exec 3<>"$work/keys"
start_daemon alarm 36000 "$pult_port" --keys="$work/keys"
alarm=$!
key() {  # value: 1 down, 0 up; a struct input_event and its EV_SYN
    python3 -c 'import struct, sys
sys.stdout.buffer.write(struct.pack("llHHi", 0, 0, 1, 59, int(sys.argv[1]))
                        + struct.pack("llHHi", 0, 0, 0, 0, 0))' "$1" >&3
}
sleep 1
key 1
sleep 1.5
key 0
"$work/bare" &
pids+=($!)
bare=$!

ticks=$(getconf CLK_TCK)
cpu_ms() { awk -v t="$ticks" '{print ($14 + $15) * 1000 / t}' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
hwm_kb() { awk '/^VmHWM/ {print $2}' "/proc/$1/status"; }
# Every return from a sleep is a context switch; the voluntary ones are the wake-ups,
# counted over every thread of the process.
wakes() { cat /proc/$1/task/*/status | awk '/^voluntary_ctxt_switches/ {n += $2} END {print n}'; }
# Time on a CPU in ms from the scheduler's nanosecond count, over every thread: finer than
# utime+stime, which move in ticks of the kernel's clock (10 ms).
run_ms() { cat /proc/$1/task/*/schedstat | awk '{n += $1} END {printf "%.3f\n", n / 1e6}'; }

sleep 2  # start-up is not idling
sleep $((coverage_started + 70 - SECONDS > 0 ? coverage_started + 70 - SECONDS : 0))
grep -q 'Сообщение 122 передано' "$work/alarm.out" ||
    echo "warning: the alarm was not delivered before the measurement" >&2
grep -q 'Сообщение 699 передано' "$work/online.out" ||
    echo "warning: the tracker with the network did not deliver its report" >&2
d0=$(cpu_ms $daemon); b0=$(cpu_ms $bare); u0=$(cpu_ms $busy); a0=$(cpu_ms $alarm)
dw0=$(wakes $daemon); bw0=$(wakes $bare); uw0=$(wakes $busy); aw0=$(wakes $alarm)
o0=$(cpu_ms $offline); n0=$(cpu_ms $online); ow0=$(wakes $offline); nw0=$(wakes $online)
r0=$(for p in $daemon $busy $alarm $bare $offline $online; do run_ms $p; done)
sleep "$seconds"
d1=$(cpu_ms $daemon); b1=$(cpu_ms $bare); u1=$(cpu_ms $busy); a1=$(cpu_ms $alarm)
dw1=$(wakes $daemon); bw1=$(wakes $bare); uw1=$(wakes $busy); aw1=$(wakes $alarm)
o1=$(cpu_ms $offline); n1=$(cpu_ms $online); ow1=$(wakes $offline); nw1=$(wakes $online)
r1=$(for p in $daemon $busy $alarm $bare $offline $online; do run_ms $p; done)
grep -q 'Сообщение 699 передано' "$work/offline.out" &&
    echo "warning: the tracker without the network delivered its report" >&2
follow_ups=$(grep -c 'code=699.*ack=yes' "$work/pult.out" || true)

echo "== per hour, from ${seconds} s (same run)"
printf '%-38s %14s %14s %14s\n' program "wake-ups/hour" "CPU ms/hour" "run ms/hour"
set -- $r0 $r1
runs=("$@")
index=0
for row in "mzorvanyd-idle-Frequency-36000 $d0 $d1 $dw0 $dw1" \
    "mzorvanyd-Frequency-100 $u0 $u1 $uw0 $uw1" "mzorvanyd-during-an-alarm $a0 $a1 $aw0 $aw1" \
    "bare-100ms-timerfd-loop $b0 $b1 $bw0 $bw1" \
    "mzorvanyd-no-network-report-waiting $o0 $o1 $ow0 $ow1" \
    "mzorvanyd-network-report-delivered $n0 $n1 $nw0 $nw1"; do
    set -- $row
    awk -v n="$1" -v c0="$2" -v c1="$3" -v w0="$4" -v w1="$5" -v s="$seconds" \
        -v r0="${runs[index]}" -v r1="${runs[index + 6]}" \
        'BEGIN {printf "%-38s %14d %14.0f %14.1f\n", n, (w1 - w0) * 3600 / s, (c1 - c0) * 3600 / s,
                (r1 - r0) * 3600 / s}'
    index=$((index + 1))
done

echo "(the alarm: $follow_ups follow-ups acknowledged by the end)"

echo "== idle over ${seconds} s (same run)"
printf '%-22s %12s %14s %12s %12s\n' program "CPU ms" "CPU % of core" "RSS KiB" "peak KiB"
for row in "mzorvanyd $daemon $d0 $d1" "bare-timerfd-loop $bare $b0 $b1"; do
    set -- $row
    used=$(awk -v a="$3" -v b="$4" 'BEGIN {print b - a}')
    share=$(awk -v u="$used" -v s="$seconds" 'BEGIN {printf "%.3f", u / (s * 10)}')
    printf '%-22s %12s %14s %12s %12s\n' "$1" "$used" "$share" "$(rss_kb $2)" "$(hwm_kb $2)"
done
