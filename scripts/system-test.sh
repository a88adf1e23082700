#!/usr/bin/env bash
# The packages on a live Debian 12: a root made with mmdebstrap (systemd, dbus, polkitd,
# NetworkManager, ModemManager, iproute2) is booted with systemd-nspawn on a private
# network, the amd64 packages are installed in it offline with apt, and the tracker is
# checked there as a user would, with mzorvany-pult as the control room on 127.0.0.1.
# One PASS or FAIL line per check; exits 1 on any failure. Runs as root:
#   scripts/system-test.sh [DEB...]     (default: packages/, built first when missing)
# The made root is kept in ${XDG_CACHE_HOME:-~/.cache}/mzorvany-system-test/, keyed by its
# package list, so a second run skips the bootstrap. Every wait is bounded; the container
# is halted and everything made is removed at the end, also on a failure or Ctrl-C.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
started=$SECONDS
suite=bookworm
arch=amd64
base_packages=(systemd dbus polkitd network-manager modemmanager iproute2)
user=alice      # the tracker's user: the system unit, then a user unit
other=bob       # a second user: the tracker without a watchdog, then at removal
imsi_sim=080910101032547698
tracker_options="--modem=sim:$imsi_sim --gps=sim:55.75,37.62"

say() { echo "== $*"; }
die() { echo "system-test: $*" >&2; exit 1; }
[[ $(id -u) -eq 0 ]] || die "needs root (mmdebstrap, systemd-nspawn, nsenter)"
[[ $(dpkg --print-architecture) == "$arch" ]] || die "runs on $arch only"
"$root/scripts/setup.sh" --system

version=$(sed -n 's/^project(MZorvany VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
if [[ $# -gt 0 ]]; then
    debs=("$@")
else
    debs=("$root/packages/mzorvany-common_${version}_all.deb"
          "$root/packages/mzorvanyd_${version}_${arch}.deb"
          "$root/packages/mzorvany-pult_${version}_${arch}.deb")
    for deb in "${debs[@]}"; do
        [[ -f $deb ]] || { "$root/scripts/package.sh" "$arch"; break; }
    done
fi
for deb in "${debs[@]}"; do [[ -f $deb ]] || die "no package $deb"; done

# Debian's mirrors as this machine's apt knows them, for the suite under test.
sources=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(ORIGIN)' 'Created-By: Packages' |
    while read -r uri release origin; do
        [[ $origin == Debian ]] || continue
        case $release in
            *-security) echo "deb $uri $suite-security main" ;;
            *-backports | *-proposed-updates) ;;
            *-updates) echo "deb $uri $suite-updates main" ;;
            *) echo "deb $uri $suite main" ;;
        esac
    done | sort -u)
[[ -n $sources ]] || die "apt knows no Debian mirror (/etc/apt/sources.list*)"

# ---- the cached root -------------------------------------------------------------------
cache=${XDG_CACHE_HOME:-$HOME/.cache}/mzorvany-system-test
# Keeps apt's lists: apt in the root resolves the packages' dependencies. No fsync, and
# no manual pages or translations: the root is made again when anything goes wrong.
bootstrap=(--variant=apt --arch="$arch" --include="$(IFS=,; echo "${base_packages[*]}")"
           --skip=cleanup/apt/lists --dpkgopt=force-unsafe-io
           --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*'
           --aptopt='Acquire::Languages "none"')
key=$(printf '%s\n' "$suite" "${bootstrap[@]}" "$sources" | sha256sum | cut -c1-16)
base=$cache/$key
if [[ ! -f $base/done ]]; then
    say "making the $suite root (cold cache: a few minutes)"
    rm -rf "$cache" && mkdir -p "$base"
    bootstrap_started=$SECONDS
    timeout 900 mmdebstrap --quiet "${bootstrap[@]}" "$suite" "$base/root" - <<<"$sources" ||
        die "mmdebstrap failed"
    touch "$base/done"
    say "root made in $((SECONDS - bootstrap_started)) s"
fi
mkdir -p "$base/archives"

# ---- this run's copy of it, and the container ---------------------------------------------
work=$(mktemp -d /var/tmp/mzorvany-system-test.XXXXXX)
tree=$work/tree
nspawn_pid=
leader=
cleanup() {
    local status=$?
    trap - EXIT INT TERM
    if [[ -n $nspawn_pid ]] && kill -0 "$nspawn_pid" 2>/dev/null; then
        # SIGTERM asks the container to power off; it gets 30 s.
        kill -TERM "$nspawn_pid" 2>/dev/null || true
        for _ in $(seq 60); do kill -0 "$nspawn_pid" 2>/dev/null || break; sleep 0.5; done
        kill -KILL "$nspawn_pid" 2>/dev/null || true
        wait "$nspawn_pid" 2>/dev/null || true
    fi
    mountpoint -q "$tree" && { umount "$tree" 2>/dev/null || umount -l "$tree"; }
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$work"/{upper,overlay-work,tree,debs}
mount -t overlay overlay -o "lowerdir=$base/root,upperdir=$work/upper,workdir=$work/overlay-work" "$tree"
cp "${debs[@]}" "$work/debs/"
# The container's ModemManager would not start in a container.
mkdir -p "$tree/etc/systemd/system/ModemManager.service.d"
printf '[Unit]\nConditionVirtualization=\n' >"$tree/etc/systemd/system/ModemManager.service.d/container.conf"

binds=(--bind="$base/archives:/var/cache/apt/archives" --bind-ro="$work/debs:/mnt/debs")
say "fetching the packages' dependencies"
fetch_started=$SECONDS
timeout 300 systemd-nspawn --quiet --keep-unit --register=no --directory="$tree" "${binds[@]}" \
    --pipe sh -c 'apt-get -qq update && apt-get -qq install --download-only --no-install-recommends \
        /mnt/debs/*.deb' >"$work/fetch.log" 2>&1 || die "cannot fetch the dependencies: $(tail "$work/fetch.log")"
say "fetched in $((SECONDS - fetch_started)) s"

say "booting"
boot_started=$SECONDS
setsid systemd-nspawn --quiet --boot --keep-unit --register=no --private-network \
    --console=passive --capability=CAP_WAKE_ALARM --directory="$tree" "${binds[@]}" \
    >"$work/console.log" 2>&1 &
nspawn_pid=$!
# The container's init is nspawn's child in another PID namespace. nspawn first forks a
# short-lived child in ours that sets up the mounts; taking that one would leave every
# later nsenter pointing at a process that is gone.
our_pid_ns=$(readlink /proc/self/ns/pid)
container_init() {
    local child ns
    for child in $(pgrep -P "$nspawn_pid"); do
        ns=$(readlink "/proc/$child/ns/pid" 2>/dev/null) || continue
        [[ -n $ns && $ns != "$our_pid_ns" ]] && { echo "$child"; return 0; }
    done
    return 1
}
for _ in $(seq 100); do
    leader=$(container_init) && break
    sleep 0.1
done
[[ -n $leader ]] || die "the container did not start: $(cat "$work/console.log")"
# A command inside the container, bounded.
ct() { timeout 90 nsenter --target="$leader" --all -- "$@"; }
for _ in $(seq 240); do
    state=$(ct systemctl is-system-running 2>"$work/boot.err" || true)
    [[ $state == running || $state == degraded ]] && break
    sleep 0.5
done
[[ $state == running || $state == degraded ]] ||
    die "the container did not boot (${state:-no answer}: $(tail -n 3 "$work/boot.err"))
$(tail -n 20 "$work/console.log")"
say "booted in $((SECONDS - boot_started)) s ($state)"

# ---- checks -------------------------------------------------------------------------------
# A failing command is a check's finding from here on, not the end of the run.
set +e
passed=0
failed=0
check() {  # check NAME OK [DETAIL]
    if [[ $2 == 0 ]]; then
        echo "PASS $1${3:+ ($3)}"
        passed=$((passed + 1))
    else
        echo "FAIL $1${3:+ ($3)}"
        failed=$((failed + 1))
    fi
}
# Runs the command until it succeeds or SECONDS pass; sets waited to the seconds taken.
wait_until() {
    local limit=$1 from=$SECONDS
    shift
    while ! "$@" >/dev/null 2>&1; do
        if ((SECONDS - from >= limit)); then
            waited=$((SECONDS - from))
            return 1
        fi
        sleep 0.5
    done
    waited=$((SECONDS - from))
}
prop() { ct systemctl show -P "$2" "$1"; }
user_prop() { as_user "$1" systemctl --user show -P "$3" "$2"; }
is() { [[ $(prop "$1" "$2") == "$3" ]]; }                   # UNIT PROPERTY VALUE
user_is() { [[ $(user_prop "$1" "$2" "$3") == "$4" ]]; }    # USER UNIT PROPERTY VALUE
# The container has no procps: sh's kill, and /proc.
trackers() { ct sh -c 'for c in /proc/[0-9]*/comm; do
    [ "$(cat "$c" 2>/dev/null)" = mzorvanyd ] && echo "${c%/comm}"; done' | tr '\n' ' '; }
journal_has() { ct journalctl -q -o cat -u "$1" | grep -q "$2"; }
as_user() {
    local name=$1
    shift
    ct setpriv --reuid="$name" --regid="$name" --init-groups \
        env HOME="/home/$name" XDG_RUNTIME_DIR="/run/user/$(ct id -u "$name")" "$@"
}
# The command socket of the system unit lies in the data folder (no runtime folder).
system_command() { ct setpriv --reuid="$1" --regid="$1" --init-groups env HOME="/home/$1" \
    /usr/bin/mzorvanyd --command="$2"; }
user_command() { as_user "$1" /usr/bin/mzorvanyd --command="$2"; }
active_with_pid() {  # UNIT OLD_PID: active, with another main process
    [[ $(prop "$1" ActiveState) == active && $(prop "$1" MainPID) != "$2" &&
       $(prop "$1" MainPID) != 0 ]]
}
acks() { ct journalctl -q -u pult -o cat | grep -c 'code=699 .*ack=yes' || true; }
reports() { ct journalctl -q -u pult -o cat | grep -c '^report ' || true; }
more_acks_than() { (($(acks) > $1)); }
listening() { ct journalctl -q -u pult -o cat | grep -c '^listening on' || true; }
more_listening_than() { (($(listening) > $1)); }
pult() {  # (re)starts the control room with these options
    local before
    before=$(listening)
    ct systemctl stop pult.service >/dev/null 2>&1
    ct systemd-run --quiet --collect --unit=pult /usr/bin/mzorvany-pult --listen 127.0.0.1:830 "$@"
    wait_until 10 more_listening_than "$before"
}
inhibitor_held() { ct systemd-inhibit --list --no-pager | grep -q "^MZorvany .* $1 .*sleep.*block"; }
inhibitor_gone() { ! ct systemd-inhibit --list --no-pager | grep -q '^MZorvany '; }
unit_journal() { ct journalctl -q -o cat -u "$1"; }
nm_connected() { ct nmcli -t -f STATE general | grep -q '^connected'; }
link_up() { ct nmcli -w 15 connection up mz >/dev/null; }

say "installing ${debs[*]##*/}"
install_started=$SECONDS
install_debs() {
    ct env DEBIAN_FRONTEND=noninteractive sh -c \
        'apt-get -qq install -y --no-install-recommends /mnt/debs/*.deb' >"$work/install.log" 2>&1
}
install_debs
check "the packages install offline with apt" $? "$((SECONDS - install_started)) s"
[[ $failed == 0 ]] || { tail -n 20 "$work/install.log"; exit 1; }
qt=$( (ct sh -c 'ls /usr/lib/*/libQt6*' 2>/dev/null; ct dpkg-query -W | grep -i qt) | tr '\n' ' ')
check "the daemon's package installs without any Qt library" "$([[ -z $qt ]]; echo $?)" "$qt"

# Users, their settings, and a link NetworkManager calls connected: a bridge with no ports
# (the private network has nothing else, and nothing leaves it).
for name in "$user" "$other"; do
    ct useradd --create-home "$name"
    ct setpriv --reuid="$name" --regid="$name" --init-groups env HOME="/home/$name" \
        sh -c 'mkdir -p ~/.local/share/MZorvany && echo MainServer=127.0.0.1 >~/.local/share/MZorvany/params.ini'
done
ct env HOME=/root nmcli connection add type bridge ifname mz0 con-name mz autoconnect no \
    ipv4.method disabled ipv6.method disabled bridge.stp no >/dev/null
link_up || true
pult
unit=mzorvanyd@$user.service

say "the system unit with the default options"
ct systemctl enable --now "$unit" >/dev/null 2>&1 || true
wait_until 20 is "$unit" StatusText Работает
check "the unit is active with its status \"Работает\"" $? \
    "$(prop "$unit" ActiveState), \"$(prop "$unit" StatusText)\""
after=$(prop "$unit" After)
[[ $after == *ModemManager.service* && $after == *NetworkManager.service* ]]
check "the unit starts after ModemManager and NetworkManager" $?
pid=$(prop "$unit" MainPID)
first=$(ct journalctl -q -o cat _PID="$pid" | head -n 1)
[[ $first == *"--modem=mm (auto: ModemManager"* && $first == *"--link=nm (auto: NetworkManager"* ]]
check "auto chose ModemManager and NetworkManager" $? "$first"
capabilities=$(ct sed -n 's/^CapEff:\s*//p' "/proc/$pid/status")
(((0x$capabilities >> 35) & 1))
check "the daemon holds CAP_WAKE_ALARM" $? "CapEff $capabilities"
# In the unit's own mount namespace, as its user: what may it write?
writable=$(ct nsenter --target="$pid" --mount -- setpriv --reuid="$user" --regid="$user" \
    --init-groups sh -c 'for d in /home/'"$user"'/.local/share/MZorvany /home/'"$user"' \
        /home/'"$user"'/.config /etc /usr /var/lib /var/log /root /opt /srv; do
        f=$d/.mzorvany-probe; if touch "$f" 2>/dev/null; then echo "$d"; rm -f "$f"; fi; done')
[[ $writable == "/home/$user/.local/share/MZorvany" ]]
check "the sandbox leaves only the data folder writable" $? "writable: ${writable//$'\n'/ }"
before=$(reports)
system_command "$user" test >/dev/null 2>&1 || true
wait_until 15 journal_has "$unit" 'Нет SIM карты'
no_sim=$?
sleep 1
[[ $no_sim == 0 && $(reports) == "$before" ]]
check "no modem: \"Нет SIM карты\" and nothing sent" $?
sessions=$(ct journalctl -q -o cat | grep -c 'pam_unix(runuser:session)')
check "no PAM session is opened to start the unit" "$([[ $sessions == 0 ]]; echo $?)" \
    "$sessions session lines"

say "the system unit with a SIM: reports, the sleep inhibitor"
ct sh -c "echo 'MZORVANYD_OPTIONS=\"$tracker_options\"' >/etc/default/mzorvanyd"
ct systemctl restart "$unit"
wait_until 20 is "$unit" StatusText Работает || true
# The first two reports go unacknowledged, so the report runs for about 5 s.
pult --drop-first 2
before=$(acks)
system_command "$user" test >/dev/null 2>&1
check "--command=test is delivered" $?
wait_until 10 inhibitor_held "$(ct id -u "$user")"
check "the sleep inhibitor is held while the report runs" $?
wait_until 30 more_acks_than "$before"
check "the test report is acknowledged" $? "in ${waited} s"
wait_until 10 inhibitor_gone
check "the sleep inhibitor is gone after the report" $?

say "idle wake-ups, with and without the watchdog (60 s)"
# The same tracker for the other user, without the watchdog, measured beside it.
ct mkdir -p "/run/systemd/system/mzorvanyd@$other.service.d"
ct sh -c "printf '[Service]\nWatchdogSec=0\n' >/run/systemd/system/mzorvanyd@$other.service.d/no-watchdog.conf"
ct systemctl daemon-reload
ct systemctl start "mzorvanyd@$other.service"
wait_until 20 is "mzorvanyd@$other.service" StatusText Работает || true
sleep 5
switches() {  # every thread's context switches: each is a wake-up
    ct sh -c "cat /proc/$1/task/*/status" | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }'
}
pid=$(prop "$unit" MainPID)
pid_other=$(prop "mzorvanyd@$other.service" MainPID)
a0=$(switches "$pid") b0=$(switches "$pid_other") t0=$SECONDS
sleep 60
a1=$(switches "$pid") b1=$(switches "$pid_other") t1=$SECONDS
per_hour_watchdog=$(((a1 - a0) * 3600 / (t1 - t0)))
per_hour_plain=$(((b1 - b0) * 3600 / (t1 - t0)))
echo "   idle wake-ups per hour: $per_hour_watchdog under the watchdog (WatchdogSec=20s)," \
    "$per_hour_plain without"
ct systemctl stop "mzorvanyd@$other.service"
ct rm -r "/run/systemd/system/mzorvanyd@$other.service.d"
ct systemctl daemon-reload
check "idle wake-ups measured" "$([[ $a1 -gt $a0 ]]; echo $?)" \
    "$per_hour_watchdog/h with the watchdog, $per_hour_plain/h without"

say "restarts"
pid=$(prop "$unit" MainPID)
ct sh -c "kill -STOP $pid"
wait_until 40 active_with_pid "$unit" "$pid"
check "a stopped daemon is restarted by the watchdog" $? "in ${waited} s"
pid=$(prop "$unit" MainPID)
ct sh -c "kill -KILL $pid"
wait_until 15 active_with_pid "$unit" "$pid"
check "a killed daemon is restarted" $? "in ${waited} s"

say "NetworkManager and ModemManager come and go"
wait_until 20 is "$unit" StatusText Работает || true
ct systemctl stop NetworkManager.service
pult
before=$(acks)
system_command "$user" test >/dev/null 2>&1 || true
wait_until 30 more_acks_than "$before"
check "NetworkManager stopped: a test report is acknowledged" $?
ct systemctl start NetworkManager.service
wait_until 20 link_up || true
sleep 2
before=$(acks)
system_command "$user" test >/dev/null 2>&1 || true
wait_until 30 more_acks_than "$before"
check "NetworkManager started again: a test report is acknowledged" $?
# The order at boot: the tracker first, then the services. The link is taken down first:
# NetworkManager would take over a bridge that is still there as connected.
ct nmcli connection down mz >/dev/null
ct systemctl stop "$unit" NetworkManager.service ModemManager.service
ct systemctl start "$unit"
wait_until 20 is "$unit" StatusText Работает || true
ct systemctl start NetworkManager.service ModemManager.service
nm_running() { ct nmcli -t -f RUNNING general | grep -qx running; }
wait_until 20 nm_running
sleep 2
nm_state=$(ct nmcli -t -f STATE general)
# NetworkManager has no link: a report waits for it, and goes once it is up.
before=$(acks)
system_command "$user" test >/dev/null 2>&1 || true
sleep 5
held=$(($(acks) - before))
link_up || true
wait_until 30 more_acks_than "$before"
acknowledged=$?
[[ $nm_state == disconnected && $held == 0 && $acknowledged == 0 ]]
check "tracker first, then NetworkManager and ModemManager: reports follow NetworkManager" $? \
    "NetworkManager $nm_state; acknowledged before it had a link: $held; once linked: $([[ $acknowledged == 0 ]] && echo yes || echo no)"

say "a bad option, a second instance"
restarts=$(prop "$unit" NRestarts)
ct sh -c "echo 'MZORVANYD_OPTIONS=\"--no-such-option\"' >/etc/default/mzorvanyd"
ct systemctl restart "$unit" >/dev/null 2>&1 || true
wait_until 15 is "$unit" ActiveState failed
sleep 4
status=$(ct systemctl status --no-pager --lines=5 "$unit" 2>&1 || true)
[[ $(prop "$unit" ActiveState) == failed && $(prop "$unit" NRestarts) == "$restarts" &&
   $status == *status=64* && $status == *no-such-option* ]]
check "a bad option stops the unit, with its reason in systemctl status" $? \
    "$(prop "$unit" ActiveState), $(prop "$unit" NRestarts) restarts"
ct sh -c "echo 'MZORVANYD_OPTIONS=\"$tracker_options\"' >/etc/default/mzorvanyd"
ct systemctl reset-failed "$unit"
ct systemctl restart "$unit"
wait_until 20 is "$unit" StatusText Работает || true
ct loginctl enable-linger "$user"
wait_until 20 as_user "$user" systemctl --user is-system-running
as_user "$user" sh -c "mkdir -p ~/.config/mzorvany &&
    echo 'MZORVANYD_OPTIONS=\"$tracker_options\"' >~/.config/mzorvany/mzorvanyd.conf"
as_user "$user" systemctl --user start mzorvanyd.service >/dev/null 2>&1 || true
wait_until 15 user_is "$user" mzorvanyd.service ActiveState failed
sleep 4
ct journalctl -q -o cat _SYSTEMD_USER_UNIT=mzorvanyd.service | grep -q 'already runs'
said=$?
[[ $(user_prop "$user" mzorvanyd.service ActiveState) == failed &&
   $(user_prop "$user" mzorvanyd.service ExecMainStatus) == 2 &&
   $(user_prop "$user" mzorvanyd.service NRestarts) == 0 && $said == 0 ]]
check "a second instance (the user unit beside the system one) stops, saying why" $? \
    "$(user_prop "$user" mzorvanyd.service ActiveState), status $(user_prop "$user" mzorvanyd.service ExecMainStatus)"

say "the user unit"
ct systemctl disable --now "$unit" >/dev/null 2>&1
as_user "$user" systemctl --user reset-failed mzorvanyd.service
as_user "$user" systemctl --user start mzorvanyd.service
wait_until 20 user_is "$user" mzorvanyd.service StatusText Работает
check "the user unit is active with its status \"Работает\"" $?
ct journalctl -q -o cat _SYSTEMD_USER_UNIT=mzorvanyd.service | grep -q 'cannot set wake alarms'
check "the user unit, without CAP_WAKE_ALARM, says so in its journal" $?
pult --drop-first 2
before=$(acks)
user_command "$user" test >/dev/null 2>&1 || true
wait_until 10 inhibitor_held "$(ct id -u "$user")"
check "the user unit holds the sleep inhibitor while a report runs" $?
wait_until 30 more_acks_than "$before"
check "the user unit's test report is acknowledged" $?

say "removal, reinstall, purge"
ct systemctl enable --now "mzorvanyd@$other.service" >/dev/null 2>&1
wait_until 20 is "mzorvanyd@$other.service" ActiveState active || true
ct env DEBIAN_FRONTEND=noninteractive apt-get -qq remove -y mzorvanyd >/dev/null 2>&1
sleep 5
running=$(trackers)
[[ -z $running && $(user_prop "$user" mzorvanyd.service ActiveState) != active &&
   $(prop "mzorvanyd@$other.service" ActiveState) != active ]]
check "removal stops every instance, user units included" $? "${running:-none left}"
install_debs
wait_until 20 is "mzorvanyd@$other.service" ActiveState active
check "reinstalled: the instance still enabled runs again" $?
ct env DEBIAN_FRONTEND=noninteractive apt-get -qq purge -y mzorvanyd mzorvany-common >/dev/null 2>&1
dangling=$(ct find /etc/systemd -xtype l 2>/dev/null || true)
links=$(ct sh -c 'ls /etc/systemd/system/*.wants/mzorvanyd@* 2>/dev/null' || true)
running=$(trackers)
[[ -z $dangling && -z $links && -z $running ]]
check "purge leaves no tracker and no link" $? "${dangling}${links}${running}"
kept=$(ct sh -c "cat /home/$user/.local/share/MZorvany/params.ini /home/$other/.local/share/MZorvany/params.ini \
    /home/$user/.config/mzorvany/mzorvanyd.conf" 2>/dev/null | grep -c 'MainServer\|MZORVANYD_OPTIONS' || true)
check "the users' own settings stay" "$([[ $kept == 3 ]]; echo $?)"

echo "== system test took $((SECONDS - started)) s"
echo "$passed passed, $failed failed"
[[ $failed == 0 ]]
