#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The neighbourhood as the workgroup's browser keeps it: Samba's nmbd as the local master
# browser of OFFICE, smbd answering NetServerEnum2 on the same host. PC2 (our service) and
# F0000 (a host announcement written byte by byte, a computer that answers no request)
# announced themselves, and SALESMB, another nmbd, announced its workgroup SALES, before our
# computer started; the first lyrnet scan asks the master for a backup browser and that browser
# for its list, and lists at once every computer and workgroup nmbd knows.
# Usage: browse_master_test.sh PATH-TO-lyr_netbios_host PATH-TO-lyrnet
set -u
host_program=$1
lyrnet=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/nmbd_peer.sh"

skip_without_samba nmbd smbd
system_test_begin
export LC_ALL=C.UTF-8 LYR_NETBIOS_WORKGROUP=OFFICE
unset LYR_NETBIOS_NS_PORT LYR_NETBIOS_DGM_PORT LYR_NETBIOS_SSN_PORT

hosts_create 4
# Each nmbd wins its workgroup's election (nobody else stands); smbd takes anonymous SMB1
# sessions on port 139, where the browse list is asked for.
master=("os level = 255" "preferred master = yes" "local master = yes" "domain master = no")
start_nmbd 1 MASTER 10.213.1.1 "${master[@]}" "server min protocol = NT1" "smb ports = 139" \
    "load printers = no" "disable spoolss = yes"
start_smbd nmbd 1
check "nmbd becomes the local master browser" \
    wait_for_line "$work/nmbd.out" "is now a local master browser for workgroup OFFICE" 90
# A local master takes the DomainAnnouncement a new master of another workgroup sends at once;
# one sent before it was master counts only when repeated, a minute or more later. So SALES's
# master is elected after OFFICE's.
start_nmbd_as sales 3 SALESMB 10.213.1.3 "${master[@]}" "workgroup = SALES"
on_host_background 2 "$work/pc2" env LYR_NETBIOS_COMPUTER_NAME=PC2 "$host_program" browse \
    --seconds 400 --announce-every 600
check "PC2 runs in OFFICE" wait_for_line "$work/pc2" ready 10
check "F0000 announces itself once" on_host 4 python3 "$here/host_announcement_forger.py" \
    10.213.1.4 10.213.1.255 1 OFFICE
check "the other nmbd becomes the local master browser of SALES" \
    wait_for_line "$work/sales.out" "is now a local master browser for workgroup SALES" 90

# nmbd hands its list to smbd through browse.dat, which it writes some 20 s after a change:
# "NAME" type "comment" "workgroup", a workgroup's type holding SV_TYPE_DOMAIN_ENUM. The wait is
# long for a loaded machine; what this program does is timed below.
browse_file=$work/nmbd/browse.dat
nmbd_knows_all() {
    grep -q '^"PC2"' "$browse_file" && grep -q '^"F0000"' "$browse_file" &&
        grep -q '^"SALES"' "$browse_file"
}
check "nmbd's list holds PC2, F0000 and SALES" eventually 180 nmbd_knows_all
sed 's/^/    /' "$browse_file"
awk -F'"' '$3 ~ /^ *[89a-f]/ { print $2 }' "$browse_file" | sort -u >"$work/expected.workgroups"
awk -F'"' '$3 !~ /^ *[89a-f]/ && $6 == "OFFICE" { print "    " $2 }
    END { print "    PC1" }' "$browse_file" | sort -u >"$work/expected.computers"

started=$(date +%s.%N)
on_host 4 env LYR_NETBIOS_COMPUTER_NAME=PC1 "$lyrnet" scan --wait 2 >"$work/scan" 2>&1
took=$(seconds_since "$started")
cat "$work/scan"
check "the first scan lists every workgroup nmbd knows" \
    diff "$work/expected.workgroups" <(grep -v '^ ' "$work/scan")
check "  ... and every computer of OFFICE" \
    diff "$work/expected.computers" <(grep '^ ' "$work/scan" | sort)
check "  ... within 2 s (took $took s)" at_most 2 "$took"

hosts_destroy
check "no sanitizer report from the test hosts" bash -c "! grep -l -i -s sanitizer '$work'/*"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
