#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The neighbourhood beyond a router: Samba's nmbd as the WINS server and domain master browser
# of OFFICE on the first subnet, smbd answering NetServerEnum2 there; FARPC, a Samba computer
# on the second subnet, announces itself to the domain master across the router. lyrnet scan
# on the first subnet, with the WINS server configured, lists FARPC, whose announcements never
# reach its subnet.
# Usage: browse_subnets_test.sh PATH-TO-lyrnet
set -u
lyrnet=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/nmbd_peer.sh"

skip_without_samba nmbd smbd
system_test_begin
dmb=10.213.11.2
export LC_ALL=C.UTF-8 LYR_NETBIOS_WORKGROUP=OFFICE LYR_NETBIOS_WINS_SERVER=$dmb
unset LYR_NETBIOS_NS_PORT LYR_NETBIOS_DGM_PORT LYR_NETBIOS_SSN_PORT

# DMB and our PC1 on 10.213.11.0/24, FARPC on 10.213.12.0/24.
routed_hosts_create 2
routed_host_add 3 1
start_nmbd 1 DMB "$dmb" "wins support = yes" "domain master = yes" "local master = yes" \
    "preferred master = yes" "os level = 255" "server min protocol = NT1" "smb ports = 139" \
    "load printers = no" "disable spoolss = yes"
start_smbd nmbd 1
check "nmbd becomes the local master browser (and the domain master)" \
    wait_for_line "$work/nmbd.out" "is now a local master browser for workgroup OFFICE" 90
# Samba's own way between subnets: a domain master browser pulls the list of each subnet's local
# master some 90 s after it announced itself, and writes it 20 s later; a computer announcing
# itself to the domain master's address takes the 20 s alone.
start_nmbd_as far 2 FARPC 10.213.12.2 "wins server = $dmb" "local master = no" \
    "remote announce = $dmb/OFFICE"
check "the domain master lists FARPC" \
    eventually 90 grep -q '^"FARPC" ' "$work/nmbd/browse.dat"
sed 's/^/    /' "$work/nmbd/browse.dat"

started=$(date +%s.%N)
on_host 3 env LYR_NETBIOS_COMPUTER_NAME=PC1 "$lyrnet" scan --wait 2 >"$work/scan" 2>&1
took=$(seconds_since "$started")
cat "$work/scan"
check "the scan on the first subnet lists FARPC of the second" grep -qx '    FARPC' "$work/scan"
check "  ... and the domain master" grep -qx '    DMB' "$work/scan"
check "  ... within 2 s (took $took s)" at_most 2 "$took"

hosts_destroy
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
