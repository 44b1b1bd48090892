#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole receive path of the desktop messenger: messages from another test host, each taken
# by the NetBIOS service, handed to the mailslot's queue and the UI thread, written to the inbox
# file on disk and shown in the main window, beside plain UDP between the same two hosts in the
# same run. Needs root (network namespaces); touches no real network.
# Usage: bench/messenger_receive.sh BUILD-DIR [COUNT]
set -eu
build=$(cd "$1" && pwd)
count=${2:-20000}
top=$(cd "$(dirname "$0")/.." && pwd)
messenger=$build/src/main/lyrmessenger
lyrnet=$build/src/main/lyrnet
host_program=$build/tests/system/lyr_netbios_host
udp_loop=$build/bench/udp_loop
. "$top/tests/system/test_hosts.sh"
hosts_available || { echo "needs network namespaces (run as root)"; exit 1; }
work=$(mktemp -d)
trap 'hosts_destroy; rm -rf "$work"' EXIT
hosts_create 2
. "$top/tests/system/messenger_on_host.sh"
rate() { awk -v n="$1" -v us="$2" 'BEGIN { printf "%.0f", (us > 0 ? n * 1000000 / us : 0) }'; }

on_host_background 1 "$work/plain" "$udp_loop" receive 9138 "$count"
wait_for_line "$work/plain" ready 5
on_host 2 "$udp_loop" send 10.213.1.1 9138 "$count" 110
wait_for_line "$work/plain" received 10
plain_us=$(awk '/received/ { print $4 }' "$work/plain")

start_messenger
stop_messenger
set_option WindowType dword:00000001
set_option ShowMsg dword:00000001
set_option SaveUserBoxes dword:00000001
start_messenger
# Timed as the plain loop is, from the first datagram to the last message handled: from the
# sender's first write (after its name lookup, which a running peer has done long before) to
# the last write of the inbox file (its time kept to the kernel's tick, a few ms), which its
# batch's fdatasync and pane follow in the same turn of the UI loop. The inbox is read back only once it has stopped growing, so the reading takes
# no CPU from the messenger while it works.
on_host 2 env LYR_NETBIOS_COMPUTER_NAME=ANNA "$host_program" send PC1 messngr \
    "$(hex ANNA)00$(hex PC1)00$(hex bench)" --repeat "$count" >"$work/sender"
first_us=$(awk '/first sent at/ { print $4 }' "$work/sender")
sender_us=$(($(awk '/first sent at/ { print $9 }' "$work/sender") - first_us))
inbox="$data/inbox.dat"
size=-1
for _ in $(seq 600); do
    sleep 0.2
    now=$(stat -c %s "$inbox")
    if [ "$now" = "$size" ] && [ "$(stored bench)" = "$count" ]; then
        break
    fi
    size=$now
done
[ "$(stored bench)" = "$count" ] || { echo "the messenger stored $(stored bench) of $count"; exit 1; }
messenger_us=$(($(date -r "$inbox" +%s%N) / 1000 - first_us))
stop_messenger

plain_rate=$(rate "$count" "$plain_us")
messenger_rate=$(rate "$count" "$messenger_us")
echo "plain UDP:              $count messages, $plain_rate messages/s"
# The messenger cannot take messages faster than they are sent: this is the figure's ceiling.
echo "sender (NetBIOS):       $count messages, $(rate "$count" "$sender_us") messages/s"
echo "messenger receive path: $count messages, $messenger_rate messages/s (stored on disk, shown)"
awk -v a="$messenger_rate" -v b="$plain_rate" 'BEGIN { printf "ratio messenger / plain UDP: %.3f\n", (b > 0 ? a / b : 0) }'
