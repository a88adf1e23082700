#!/usr/bin/env bash
# Installs what is missing, builds, and runs the tracker.
#
#   scripts/run.sh                      a demonstration: mzorvanyd with a simulated GPS
#                                       and SIM reporting every 10 seconds to
#                                       mzorvany-pult on loopback; Ctrl-C ends it
#   scripts/run.sh --duration 60        the same, ending by itself after 60 seconds
#   scripts/run.sh -- OPTIONS...        pass mzorvanyd's own options (for example
#                                       --gps=gpsd --modem=at:/dev/ttyUSB2
#                                       --keys=/dev/input/event0); they override the
#                                       simulated defaults
#   scripts/run.sh --own-settings -- OPTIONS...
#                                       use your own settings folder and servers
#                                       instead of the demonstration's, without a pult
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

duration=
own_settings=false
while [[ $# -gt 0 ]]; do
    case "$1" in
        --duration) duration=${2:?--duration wants seconds}; shift 2 ;;
        --own-settings) own_settings=true; shift ;;
        --) shift; break ;;
        -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "run.sh: unknown option $1 (try --help)" >&2; exit 64 ;;
    esac
done
daemon_options=("$@")

"$root/scripts/setup.sh"
build=${MZ_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target mzorvanyd mzorvany-pult
daemon=$build/src/ui/headless/mzorvanyd
pult=$build/tools/pult/mzorvany-pult

pids=()
work=
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [[ -n "$work" ]] && rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 0' INT TERM

if $own_settings; then
    tracker=("$daemon" "${daemon_options[@]}")
    env_prefix=()
else
    work=$(mktemp -d)
    # The control room: prints every report and acknowledges it.
    "$pult" --listen 127.0.0.1:0 2>"$work/pult.err" > >(sed -u 's/^/pult: /') &
    pids+=($!)
    port=
    for _ in $(seq 100); do
        port=$(sed -n 's/.*listening on [0-9.]*:\([0-9]*\).*/\1/p' "$work/pult.err")
        [[ -n "$port" ]] && break
        sleep 0.1
    done
    [[ -n "$port" ]] || { echo "mzorvany-pult did not start:" >&2; cat "$work/pult.err" >&2; exit 1; }
    mkdir -p "$work/data/MZorvany"
    printf 'MainServer=127.0.0.1\r\nPort=%s\r\nFrequency=100\r\nAlertPressTime=3\r\nLogEnabled=0\r\n' \
        "$port" >"$work/data/MZorvany/params.ini"
    echo "Demonstration: a report every 10 seconds from a simulated GPS and SIM to a"
    echo "control room on 127.0.0.1:$port. Lines from the tracker carry a time; the"
    echo "control room's start with 'pult:'. In another terminal, while this runs:"
    echo "  XDG_DATA_HOME=$work/data $daemon --command=test"
    echo "Ctrl-C ends it."
    # The control room is on loopback: whatever the phone's network does, the link is up.
    tracker=("$daemon" --gps=sim:55.7539,37.6208,150 --modem=sim:080910101032547698
             --link=direct "${daemon_options[@]}")
    env_prefix=(env "XDG_DATA_HOME=$work/data")
fi

"${env_prefix[@]}" "${tracker[@]}" &
tracker_pid=$!
pids+=("$tracker_pid")
if [[ -n "$duration" ]]; then
    ( sleep "$duration"; kill -TERM "$tracker_pid" 2>/dev/null ) &
    pids+=($!)
fi
status=0
wait "$tracker_pid" || status=$?
exit "$status"
