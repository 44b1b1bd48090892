#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The neighbourhood as the workgroup's browser keeps it: Samba's nmbd as the local master
# browser of OFFICE, smbd answering NetServerEnum2 on the same host. PC2 announced itself
# before our computer started; lyrnet scan asks the master for a backup browser and that browser
# for its list, and lists at once every computer and workgroup smbclient finds there.
# Usage: browse_master_test.sh PATH-TO-lyr_netbios_host PATH-TO-lyrnet
set -u
host_program=$1
lyrnet=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/nmbd_peer.sh"

skip_without_samba nmbd smbd smbclient
system_test_begin
export LC_ALL=C.UTF-8 LYR_NETBIOS_WORKGROUP=OFFICE
unset LYR_NETBIOS_NS_PORT LYR_NETBIOS_DGM_PORT LYR_NETBIOS_SSN_PORT

hosts_create 3
# nmbd wins the election at once; smbd takes anonymous sessions in SMB1 for the browse list.
start_nmbd 1 MASTER 10.213.1.1 "os level = 255" "preferred master = yes" "local master = yes" \
    "domain master = no" "server min protocol = NT1" "smb ports = 139" "load printers = no" \
    "disable spoolss = yes" "client min protocol = NT1" "ncalrpc dir = $work/nmbd/ncalrpc" "restrict anonymous = 0"
on_host_background 1 "$work/smbd.out" smbd --foreground --no-process-group --debug-stdout -d 1 \
    -s "$work/nmbd.conf"
check "nmbd becomes the local master browser" \
    wait_for_line "$work/nmbd.out" "is now a local master browser for workgroup OFFICE" 90
on_host_background 2 "$work/pc2" env LYR_NETBIOS_COMPUTER_NAME=PC2 "$host_program" browse \
    --seconds 120 --announce-every 600
check "PC2 runs in OFFICE" wait_for_line "$work/pc2" ready 10

# What the master lists, as Samba's own client reads it.
master_lists() {
    on_host 1 smbclient -s $work/nmbd.conf -N -W OFFICE -L //10.213.1.1 -m NT1 -g >"$work/smbclient" 2>&1
    grep -q '^Server|PC2|' "$work/smbclient" && grep -q '^Workgroup|OFFICE|MASTER' "$work/smbclient"
}
# nmbd hands its list to smbd through a file it writes now and then.
listed_by_master() {
    local deadline=$((SECONDS + 120))
    until master_lists; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 2
    done
}
check "the master lists PC2 (smbclient -L)" listed_by_master
sed 's/^/    /' "$work/smbclient"

started=$(date +%s.%N)
on_host 3 env LYR_NETBIOS_COMPUTER_NAME=PC1 "$lyrnet" scan --wait 2 >"$work/scan" 2>&1
took=$(awk -v from="$started" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }')
cat "$work/scan"
{
    awk -F'|' '$1 == "Workgroup" { print $2 }' "$work/smbclient"
    echo OFFICE
} | sort -u >"$work/expected.workgroups"
check "the first scan lists every workgroup the master knows" \
    diff "$work/expected.workgroups" <(grep -v '^ ' "$work/scan")
{
    awk -F'|' '$1 == "Server" { print "    " $2 }' "$work/smbclient"
    echo "    PC1"
} | sort -u >"$work/expected.computers"
check "  ... and every computer" diff "$work/expected.computers" <(grep '^ ' "$work/scan" | sort)
check "  ... within 2 s (took $took s)" awk -v took="$took" 'BEGIN { exit !(took <= 2) }'

hosts_destroy
check "no sanitizer report from the test hosts" bash -c "! grep -l -i sanitizer '$work'/*"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
