#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A forged flood of the network neighbourhood: 5,000 invented computers, and names no computer
# has, announced within a second or two fill the browse list that a running service keeps; a
# real computer announcing afterwards is listed all the same, the impossible names never are,
# and the log says once that the list is full. The frames come from a script of their own.
# Usage: browse_flood_test.sh PATH-TO-lyr_netbios_host
set -u
host_program=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"

system_test_begin

export LYR_NETBIOS_NS_PORT=${LYR_TEST_NS_PORT:-137} LYR_NETBIOS_DGM_PORT=${LYR_TEST_DGM_PORT:-138}

# $1 host, $2 name, $3 output file: a computer of OFFICE keeping its browse list.
browser() {
    on_host_background "$1" "$3" env LYR_NETBIOS_COMPUTER_NAME="$2" LYR_NETBIOS_WORKGROUP=OFFICE \
        "$host_program" browse --seconds 120
    wait_for_line "$3" ready 10
}

# PC1's last list. Read from the end: PC1 has printed some thousand lists of thousands of names.
last_list() { tac "$work/pc1" | grep -a -m1 '^list'; }
# The computers of PC1's last list, one a line, as WORKGROUP\NAME.
listed() {
    last_list | python3 -c '
import re, sys
for group, names in re.findall(r" ([^ ]+?)\(([^)]*)\)", sys.stdin.read()):
    for name in filter(None, names.split(",")):
        print(group + "\\" + name)'
}
full() { [ "$(listed | wc -l)" -eq 4097 ]; }
pc2_listed() { last_list | grep -q -E ' OFFICE\(([^)]*,)?PC2[,)]'; }
# CMD succeeds within SECONDS, however long a try takes on a loaded machine.
within() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

hosts_create 3
check "PC1 keeps the browse list" browser 1 PC1 "$work/pc1"

hostile=('*' '.' '..' 'TAB\tX' 'BELL\x07' 'A*B' 'WHO?' 'C:')
started=$(date +%s.%N)
on_host 3 python3 "$here/host_announcement_forger.py" 10.213.1.3 10.213.1.255 5000 FLOOD \
    "${hostile[@]}" >"$work/forger" 2>&1
echo "  (the forger took $(seconds_since "$started") s)"
check "5,000 forged computers and the impossible names were sent" \
    grep -qx "sent $((5000 + 4 * ${#hostile[@]}))" "$work/forger"
check "  ... and fill PC1's list: 4,096 computers besides PC1" within 10 full

check "PC2, a real computer, starts after the flood" browser 2 PC2 "$work/pc2"
check "  ... and PC1 lists it" within 10 pc2_listed
listed >"$work/listed"
check "PC1 lists no name that no computer has, only PC1, PC2 and forged ones" \
    fails grep -a -v -x -E -e 'OFFICE\\PC[12]' -e 'FLOOD\\F[0-9]{4}' "$work/listed"
check "the log says once that the list is full" \
    test "$(grep -a -c 'browse list holds 4096 computers' "$work/pc1")" -eq 1

hosts_destroy
check "no sanitizer report from the test hosts" bash -c "! grep -l -i sanitizer '$work'/*"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
