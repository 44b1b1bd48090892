#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Messages per second from one test host to another: through both NetBIOS stacks (name lookup
# once, datagram service, the slot's queue held as the messenger holds it) beside plain UDP
# between the same two hosts in the same run. Needs root (network namespaces); touches no real
# network.
# Usage: bench/netbios_throughput.sh BUILD-DIR [COUNT]
# COUNT (100,000) makes each half run for a second or more: with fewer, a start-up or one
# descheduling on a busy machine weighs on the figure.
set -eu
build=$(cd "$1" && pwd)
count=${2:-100000}
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tests/system/test_hosts.sh"
hosts_available || { echo "needs network namespaces (run as root)"; exit 1; }
host_program=$build/tests/system/lyr_netbios_host
udp_loop=$build/bench/udp_loop
work=$(mktemp -d)
trap 'hosts_destroy; rm -rf "$work"' EXIT

rate() { awk -v n="$1" -v us="$2" 'BEGIN { printf "%.0f", (us > 0 ? n * 1000000 / us : 0) }'; }

hosts_create 2
export LYR_NETBIOS_WORKGROUP=OFFICE
on_host_background 1 "$work/plain" "$udp_loop" receive 9138 "$count"
wait_for_line "$work/plain" ready 5
# As long as the NetBIOS datagrams below: 82 bytes of datagram header and names, 88 of SMB
# header and slot name, and the 20 of "ANNA.PC1.hello#12345".
on_host 2 "$udp_loop" send 10.213.1.1 9138 "$count" 190
wait_for_line "$work/plain" received 10
plain_us=$(awk '/received/ { print $4 }' "$work/plain")
plain_received=$(awk '/received/ { print $2 }' "$work/plain")

on_host_background 1 "$work/netbios" env LYR_NETBIOS_COMPUTER_NAME=PC1 "$host_program" \
    listen messngr --count "$count" --seconds 120 --summary
wait_for_line "$work/netbios" ready 10
on_host 2 env LYR_NETBIOS_COMPUTER_NAME=PC2 "$host_program" send PC1 messngr \
    414e4e41005043310068656c6c6f --repeat "$count" >/dev/null
wait_for_line "$work/netbios" received 120
netbios_us=$(awk '/received/ { print $6 }' "$work/netbios")
netbios_received=$(awk '/received/ { print $2 }' "$work/netbios")
hosts_destroy

plain_rate=$(rate "$plain_received" "$plain_us")
netbios_rate=$(rate "$netbios_received" "$netbios_us")
echo "plain UDP:        $plain_received of $count messages, $plain_rate messages/s"
echo "NetBIOS mailslot: $netbios_received of $count messages, $netbios_rate messages/s"
awk -v a="$netbios_rate" -v b="$plain_rate" 'BEGIN { printf "ratio NetBIOS / plain UDP: %.2f\n", (b > 0 ? a / b : 0) }'
