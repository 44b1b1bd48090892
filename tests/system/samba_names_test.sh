#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Our name service beside Samba's on one subnet: nmbd defends its name against lyrnet, and
# nmblookup and nbtscan find our names and read our node status; lyrnet scan lists the nmbd host.
# Usage: samba_names_test.sh PATH-TO-lyrnet
set -u
lyrnet=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/nmbd_peer.sh"

skip_without_samba nmbd nmblookup
system_test_begin
export LC_ALL=C.UTF-8 LYR_NETBIOS_WORKGROUP=OFFICE
unset LYR_NETBIOS_NS_PORT LYR_NETBIOS_DGM_PORT LYR_NETBIOS_SSN_PORT LYR_NETBIOS_WINS_SERVER
hosts_create 2
start_nmbd 1 SAMBAPC 10.213.1.1
for _ in $(seq 100); do
    on_host 2 nmblookup -B 10.213.1.255 SAMBAPC 2>/dev/null | grep -q '^10.213.1.1 ' && break
    sleep 0.2
done

on_host 2 env LYR_NETBIOS_COMPUTER_NAME=SAMBAPC timeout 30 "$lyrnet" names >"$work/names.out" 2>&1
check "nmbd defends SAMBAPC<00>: refused by nmbd's address, not ours" \
    grep -q "SAMBAPC<00>.*refused by 10.213.1.1$" "$work/names.out"
[ "$failed" -eq 0 ] || sed 's/^/    /' "$work/names.out" "$work/nmbd.out"

on_host 2 env LYR_NETBIOS_COMPUTER_NAME=PC2 "$lyrnet" scan --wait 8 >"$work/scan.out" 2>&1
check "lyrnet scan lists the nmbd host" grep -q "SAMBAPC" "$work/scan.out"
[ "$failed" -eq 0 ] || sed 's/^/    /' "$work/scan.out"

on_host_background 2 "$work/listen.err" env LYR_NETBIOS_COMPUTER_NAME=PC2 \
    "$lyrnet" listen --json
check "lyrnet listen holds PC2's names" \
    wait_for_line "$work/listen.err" "receiving from the network as PC2<00> PC2<03> OFFICE<00>" 15
on_host 1 nmblookup -B 10.213.1.255 'PC2#03' >"$work/lookup.out" 2>&1
check "nmblookup finds PC2<03> by broadcast" grep -q '^10.213.1.2 PC2<03>' "$work/lookup.out"
on_host 1 nmblookup -A 10.213.1.2 >"$work/status.out" 2>&1
check "nmblookup -A reads PC2's node status" bash -c "
    grep -qP '^\tPC2 +<00> - +B? *<ACTIVE>' '$work/status.out' &&
    grep -qP '^\tPC2 +<03> - +B? *<ACTIVE>' '$work/status.out' &&
    grep -qP '^\tOFFICE +<00> - <GROUP> B? *<ACTIVE>' '$work/status.out'"
[ "$failed" -eq 0 ] || sed 's/^/    /' "$work/lookup.out" "$work/status.out"
if command -v nbtscan >/dev/null; then
    on_host 1 nbtscan 10.213.1.2 >"$work/nbtscan.out" 2>&1
    check "nbtscan reads PC2's node status" grep -q '^10.213.1.2 \+PC2 ' "$work/nbtscan.out"
    [ "$failed" -eq 0 ] || sed 's/^/    /' "$work/nbtscan.out"
else
    echo "SKIPPED: nbtscan is not installed"
fi

[ -z "${LYR_TEST_VERBOSE:-}" ] || cat "$work"/*.out
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
