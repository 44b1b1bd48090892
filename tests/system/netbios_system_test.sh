#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# NetBIOS between test hosts: name queries, unique and group datagrams, name defence, bursts,
# a congested link.
# Usage: netbios_system_test.sh PATH-TO-lyr_netbios_host
set -u
host_program=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"

system_test_begin

# Host settings: the computer name and workgroup of each host.
export LYR_NETBIOS_NS_PORT=${LYR_TEST_NS_PORT:-137} LYR_NETBIOS_DGM_PORT=${LYR_TEST_DGM_PORT:-138}
as() {
    local name=$1 workgroup=$2
    shift 2
    env LYR_NETBIOS_COMPUTER_NAME="$name" LYR_NETBIOS_WORKGROUP="$workgroup" "$@"
}

hex() { printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n'; }

# $1 host, $2 name, $3 workgroup, $4 output file, rest: listen arguments
listener() {
    local host=$1 name=$2 workgroup=$3 output=$4
    shift 4
    on_host_background "$host" "$output" env LYR_NETBIOS_COMPUTER_NAME="$name" \
        LYR_NETBIOS_WORKGROUP="$workgroup" "$host_program" listen "$@"
    wait_for_line "$output" ready 10
}

hosts_create 3

message_hex=$(hex "ANNA")00$(hex "PC1")008fe0a8a2a5e22c20504331

# Host 1: PC1 in OFFICE, host 3: PC3 in SALES; host 2 sends as a client.
listener 1 PC1 OFFICE "$work/pc1" messngr --count 100 --seconds 60
listener 3 PC3 SALES "$work/pc3" messngr --count 100 --seconds 60

check "a computer by name: resolved by a name query, bytes unchanged" \
    on_host 2 env LYR_NETBIOS_COMPUTER_NAME=PC2 LYR_NETBIOS_WORKGROUP=OFFICE \
    "$host_program" send pc1 messngr "$message_hex"
check "  ... arrives on PC1 whole" wait_for_line "$work/pc1" "^$message_hex\$" 5

group_hex=$(hex "ANNA")00$(hex "OFFICE")00$(hex "to the office")
check "the workgroup OFFICE" on_host 2 env LYR_NETBIOS_COMPUTER_NAME=PC2 LYR_NETBIOS_WORKGROUP=OFFICE \
    "$host_program" send OFFICE messngr "$group_hex"
check "  ... reaches PC1" wait_for_line "$work/pc1" "^$group_hex\$" 5

star_hex=$(hex "ANNA")00$(hex "*")00$(hex "to everybody")
check "\"*\": our workgroup" on_host 2 env LYR_NETBIOS_COMPUTER_NAME=PC2 LYR_NETBIOS_WORKGROUP=OFFICE \
    "$host_program" send '*' messngr "$star_hex"
check "  ... reaches PC1" wait_for_line "$work/pc1" "^$star_hex\$" 5

sales_hex=$(hex "ANNA")00$(hex "SALES")00$(hex "to sales")
check "another workgroup, found by its members' answers" \
    on_host 2 env LYR_NETBIOS_COMPUTER_NAME=PC2 LYR_NETBIOS_WORKGROUP=OFFICE \
    "$host_program" send SALES messngr "$sales_hex"
check "  ... reaches PC3" wait_for_line "$work/pc3" "^$sales_hex\$" 5
check "  ... and PC3 (SALES) got nothing sent to OFFICE or \"*\"" \
    bash -c "! grep -q -e '$group_hex' -e '$star_hex' '$work/pc3'"
check "  ... and PC1 (OFFICE) nothing sent to SALES" bash -c "! grep -q '$sales_hex' '$work/pc1'"

start=$(date +%s%N)
check "an unknown name fails" bash -c "! LYR_NETBIOS_COMPUTER_NAME=PC2 nsenter --net=/proc/${HOST_PIDS[2]}/ns/net -- \
    '$host_program' send NOBODY messngr 41"
took_ms=$(( ($(date +%s%N) - start) / 1000000 ))
echo "  (took $took_ms ms)"
check "  ... within bounded time" test "$took_ms" -lt 8000

check "a name another host holds is refused, with the holder's address" \
    bash -c "LYR_NETBIOS_COMPUTER_NAME=PC1 LYR_NETBIOS_WORKGROUP=OFFICE nsenter --net=/proc/${HOST_PIDS[2]}/ns/net -- \
        '$host_program' names > '$work/names'; test \$? -eq 1"
cat "$work/names"
check "  ... PC1<00> refused by 10.213.1.1" grep -q "^PC1<00> refused by 10.213.1.1\$" "$work/names"
check "  ... PC1<03> refused by 10.213.1.1" grep -q "^PC1<03> refused by 10.213.1.1\$" "$work/names"
check "  ... the shared workgroup is fine" grep -q "^OFFICE<00> registered\$" "$work/names"

hosts_destroy

# A burst from one host to another.
hosts_create 2
burst=10000
listener 1 PC1 OFFICE "$work/burst" messngr --count $burst --seconds 60 --summary
check "a burst of $burst messages is sent" on_host 2 env LYR_NETBIOS_COMPUTER_NAME=PC2 \
    LYR_NETBIOS_WORKGROUP=OFFICE "$host_program" send PC1 messngr "$(hex "ANNA")00$(hex PC1)00$(hex burst)" \
    --repeat $burst
check "  ... and received whole, in order" wait_for_line "$work/burst" "received $burst in order" 60
tail -1 "$work/burst"
hosts_destroy

# A congested link must not stall the name service: when PC1's outgoing queue is full, its
# answers are dropped rather than waited for, and what comes in is still taken at once.
if command -v tc >/dev/null && command -v python3 >/dev/null; then
    hosts_create 2
    listener 1 PC1 OFFICE "$work/congested" messngr --count 2 --seconds 60
    first_hex=$(hex "ANNA")00$(hex PC1)00$(hex "before")
    on_host 2 env LYR_NETBIOS_COMPUTER_NAME=PC2 "$host_program" send pc1 messngr "$first_hex" >/dev/null
    wait_for_line "$work/congested" "^$first_hex\$" 5
    # About 150 bytes a second leave PC1 from now on.
    on_host 1 tc qdisc add dev eth0 root tbf rate 1200bit burst 1600 limit 10000000
    # A flood of name queries for PC1<00>, then ANNA's "hi" to PC1<03> (the golden datagram).
    check "with PC1's link congested by its answers to a flood of name queries, a message is sent" \
        on_host 2 python3 -c '
import socket
name = b"PC1".ljust(15) + b"\x00"
encoded = b"\x20" + bytes(c for b in name for c in (65 + (b >> 4), 65 + (b & 15))) + b"\x00"
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for i in range(3000):
    s.sendto(i.to_bytes(2, "big") + b"\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00" + encoded
             + b"\x00\x20\x00\x01", ("10.213.1.1", 137))
s.sendto(bytes.fromhex("'"$(grep -A1 messenger_unique "$here/../netbios/data/vectors.txt" | tail -1)"'"),
         ("10.213.1.1", 138))
'
    check "  ... and taken by PC1 at once" wait_for_line "$work/congested" "^$(hex "ANNA")00$(hex PC1)00$(hex hi)\$" 3
    hosts_destroy
fi

# The programs' own complaints (sanitizer reports and the like) would be in their output.
check "no sanitizer report from the test hosts" bash -c "! grep -l -i sanitizer '$work'/*"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
