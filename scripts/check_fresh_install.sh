#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the package on a fresh Debian 12 and runs it there as a user would: a minimal root
# made by debootstrap, `apt install ./PACKAGE` in it (the only step that reaches the network:
# Debian's archive), then the messenger started by an ordinary user as its desktop entry says,
# on a test host of its own, and a message sent to it from a second test host. Needs root and
# debootstrap; the root is kept in ROOT-DIR for another run (delete it for a fresh one).
# Usage: sudo scripts/check_fresh_install.sh PACKAGE.deb [ROOT-DIR]
set -euo pipefail
deb=$(readlink -f "$1")
root=${2:-/var/tmp/lyr-fresh-bookworm}
top=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${LYR_IN_TEST_NAMESPACE:-}" ]; then
    if [ ! -x "$root/usr/bin/apt-get" ]; then
        debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian
    fi
    # Lazily: the messenger may still be writing its stores as it ends.
    cleanup() { umount --lazy "$root/proc" "$root/dev" 2>/dev/null || true; }
    trap cleanup EXIT
    mount -t proc proc "$root/proc"
    mount --bind /dev "$root/dev"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    cp "$deb" "$root/tmp/"
    chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q lyr-messenger >/dev/null 2>&1 || true
    chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y "/tmp/$(basename "$deb")"
    chroot "$root" getcap /usr/bin/lyrmessenger /usr/bin/lyrnet
    chroot "$root" id lyruser >/dev/null 2>&1 || chroot "$root" useradd -m lyruser

    # The rest runs inside a network namespace of its own, on test hosts.
    LYR_IN_TEST_NAMESPACE=1 unshare --net -- "$0" "$deb" "$root"
    exit
fi
. "$top/tests/system/test_hosts.sh"
ip link set lo up
system_test_begin
hosts_create 2
# On host I, as the fresh root's ordinary user, with this computer's name FRESH<I>.
lyruser=(chroot --userspec=lyruser:lyruser "$root" env HOME=/home/lyruser XDG_RUNTIME_DIR=/tmp/lyruser-run)
as_user() {
    local host=$1
    shift
    on_host "$host" "${lyruser[@]}" LYR_NETBIOS_COMPUTER_NAME=FRESH$host "$@"
}
stored() { as_user 1 lyrnet history --json | grep -q "$1"; }
command=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/lyrmessenger.desktop")
as_user 1 mkdir -p -m 700 /tmp/lyruser-run
on_host_background 1 "$work/messenger.log" "${lyruser[@]}" LYR_NETBIOS_COMPUTER_NAME=FRESH1 \
    QT_QPA_PLATFORM=offscreen $command
check "the desktop entry's command starts the messenger for an ordinary user" \
    eventually 10 as_user 1 lyrnet status
as_user 1 lyrnet names >"$work/names.out" 2>&1 || true
check "  ... which holds its names on the network, FRESH1<03> among them" \
    grep -q "FRESH1<03> .*registered" "$work/names.out"
check "a message from the second host arrives" as_user 2 lyrnet send FRESH1 'Привет со второго компьютера'
check "  ... and is stored" eventually 5 stored 'Привет со второго компьютера'
cat "$work/names.out"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
