#!/usr/bin/env bash
# CI's package steps, kept apart so their cost shows: builds the Debian packages for both
# architectures (the arm64 build with its unit and simulated-world tests under qemu),
# checks them with lintian, then installs the native ones with dpkg -i (CI runs as root),
# runs the programs from /usr/bin, removes them and checks that only the user's own
# settings are left.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
started=$SECONDS
"$root/scripts/package.sh" amd64 arm64 --test
native=$(dpkg --print-architecture)
version=$(sed -n 's/^project(MZorvany VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
# The daemon, the Qt tracker, the control-room receiver, and the data both trackers read.
packages=(mzorvany-common mzorvanyd mzorvany mzorvany-pult)
debs=("$root/packages/mzorvany-common_${version}_all.deb")
for package in mzorvanyd mzorvany mzorvany-pult; do
    debs+=("$root/packages/${package}_${version}_${native}.deb")
done
fail() { echo "FAILED: $*" >&2; exit 1; }

echo "== lintian"
for package in "$root"/packages/mzorvany*_"${version}"_*.deb; do
    # Errors fail; warnings are printed for the record.
    lintian --fail-on error --tag-display-limit 0 "$package" || fail "lintian: $package"
done

echo "== dpkg -i, run from /usr/bin, dpkg -r"
[[ $(id -u) -eq 0 ]] || fail "installing the package needs root"
for package in "${packages[@]}"; do
    ! dpkg-query -W "$package" >/dev/null 2>&1 || fail "$package is already installed here"
done
watched=(/usr /etc /lib /opt /var/lib/systemd)
snapshot() { find "${watched[@]}" -xdev 2>/dev/null | sort; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
snapshot >"$work/before"

# A failure below must not leave the packages installed for the next run to trip on.
trap 'dpkg -P "${packages[@]}" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
dpkg -i "${debs[@]}"
/usr/bin/mzorvanyd --version | grep -qx "mzorvanyd $version" || fail "mzorvanyd --version"
/usr/bin/mzorvany-pult --help | grep -q -- --listen || fail "mzorvany-pult --help"
# With the manual pages in place the installed unit is checked as systemd would see it.
[[ -z $(systemd-analyze verify /lib/systemd/system/mzorvanyd@.service 2>&1) ]] ||
    fail "systemd-analyze verify: $(systemd-analyze verify /lib/systemd/system/mzorvanyd@.service 2>&1)"
# A user's own settings folder, made by the installed daemon, must outlive the package.
HOME=$work/home XDG_DATA_HOME= XDG_RUNTIME_DIR= /usr/bin/mzorvanyd --command=show &&
    fail "no tracker runs"
# A command makes nothing; the tracker's start makes the folder. SIGTERM ends it with 0.
HOME=$work/home XDG_DATA_HOME= XDG_RUNTIME_DIR= timeout 2 /usr/bin/mzorvanyd --gps=none \
    --modem=none --link=direct >/dev/null 2>&1 || [[ $? == 124 ]] || fail "mzorvanyd did not run"
[[ -d $work/home/.local/share/MZorvany ]] || fail "the daemon made no settings folder"
echo "MainServer=127.0.0.1" >"$work/home/.local/share/MZorvany/params.ini"

dpkg -r "${packages[@]}"
# dpkg keeps the conffile (the autostart entry, inert without the program) until purge.
leftover=$(comm -13 "$work/before" <(snapshot) |
    grep -vx '/etc/xdg\(/autostart\(/org\.mzorvany\.Tracker\.desktop\)\?\)\?' || true)
[[ -z $leftover ]] || fail "left behind after dpkg -r: $leftover"
# Packages without conffiles went with dpkg -r; the rest are purged.
mapfile -t configured < <(dpkg-query -W -f '${db:Status-Status} ${Package}\n' "${packages[@]}" \
    2>/dev/null | sed -n 's/^config-files //p')
[[ ${#configured[@]} -eq 0 ]] || dpkg -P "${configured[@]}"
leftover=$(comm -13 "$work/before" <(snapshot))
[[ -z $leftover ]] || fail "left behind after dpkg -P: $leftover"
[[ -f $work/home/.local/share/MZorvany/params.ini ]] || fail "the user's settings went"
echo "== package steps took $((SECONDS - started)) s"
