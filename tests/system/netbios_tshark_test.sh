#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Captures our NetBIOS frames on a test host's link and has tshark dissect them: registration,
# overwrite, name query and answer, node status, unique and group mailslot datagrams, name
# release, host announcements (with the goodbye) and an announcement request. Any malformed
# packet or other expert item fails the test.
# Usage: netbios_tshark_test.sh PATH-TO-lyr_netbios_host
set -u
host_program=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"

if ! command -v tshark >/dev/null; then
    echo "SKIP: tshark is not installed"
    exit 77
fi
if ! hosts_available; then
    echo "SKIP: cannot create network namespaces here (needs root or a user namespace)"
    exit 77
fi

work=$(mktemp -d)
chmod 777 "$work"  # dumpcap may write as another user
trap 'hosts_destroy; rm -rf "$work"' EXIT
hex() { printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n'; }

hosts_create 2
# Senders take ephemeral ports; Wireshark takes one in 33434-33534 for a traceroute's and says
# so. Outside that range no item is about the port the kernel happened to pick.
for host in 1 2; do
    on_host "$host" sysctl -qw net.ipv4.ip_local_port_range="40000 60999"
done
on_host_background 2 "$work/tshark.log" tshark -i eth0 -f "udp port 137 or udp port 138" \
    -w "$work/capture.pcap"
wait_for_line "$work/tshark.log" "Capturing on" 10 || { cat "$work/tshark.log"; exit 1; }

on_host_background 1 "$work/pc1" env LYR_NETBIOS_COMPUTER_NAME=PC1 LYR_NETBIOS_WORKGROUP=OFFICE \
    "$host_program" listen messngr --count 2 --seconds 20
wait_for_line "$work/pc1" ready 10 || { cat "$work/pc1"; exit 1; }
as_pc2() { on_host 2 env LYR_NETBIOS_COMPUTER_NAME=PC2 LYR_NETBIOS_WORKGROUP=OFFICE "$@"; }
as_pc2 "$host_program" send PC1 messngr "$(hex ANNA)00$(hex PC1)00$(hex hi)" >/dev/null
# A node status request for "*", put to PC1 directly; its answer is what is checked.
on_host 2 bash -c 'printf "\x12\x34\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x20CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\x00\x00\x21\x00\x01" >/dev/udp/10.213.1.1/137'
sleep 0.3
as_pc2 "$host_program" browse --request --seconds 1 >/dev/null
# The second message ends the listener, which releases its names.
as_pc2 "$host_program" send '*' messngr "$(hex ANNA)00$(hex '*')00$(hex 'hi all')" >/dev/null
wait_for_line "$work/pc1" "$(hex 'hi all')" 5
sleep 0.5  # PC1 releases its names as it ends
hosts_destroy

status=0
count() { tshark -r "$work/capture.pcap" -Y "$1" 2>/dev/null | wc -l; }
expect() {
    local what=$1 filter=$2
    local found
    found=$(count "$filter")
    if [ "$found" -gt 0 ]; then
        echo "ok: $what ($found)"
    else
        echo "FAILED: no $what in the capture"
        status=1
    fi
}
expect "name registration" "nbns.flags.opcode == 5 && nbns.flags.response == 0 && nbns.flags.recdesired == 1"
expect "name overwrite demand" "nbns.flags.opcode == 5 && nbns.flags.response == 0 && nbns.flags.recdesired == 0"
expect "name query" "nbns.flags.opcode == 0 && nbns.flags.response == 0 && nbns.type == 32"
expect "positive name query response" "nbns.flags.response == 1 && nbns.flags.rcode == 0 && nbns.addr == 10.213.1.1"
expect "node status response" "nbns.flags.response == 1 && nbns.type == 33 && nbns.number_of_names == 3"
expect "unique messenger datagram" "nbdgm.type == 0x10 && mailslot.name == \"\\\\MAILSLOT\\\\MESSNGR\""
expect "group messenger datagram" "nbdgm.type == 0x11 && ip.dst == 10.213.1.255 && mailslot.name == \"\\\\MAILSLOT\\\\MESSNGR\""
expect "name release" "nbns.flags.opcode == 6"
expect "host announcement to the workgroup's master browser" \
    "browser.command == 0x01 && browser.server == \"PC1\" && browser.period == 60000 && browser.server_type == 0x1001 && nbdgm.type == 0x11 && nbdgm.destination_name == \"OFFICE<1d>\" && mailslot.name == \"\\\\MAILSLOT\\\\BROWSE\""
expect "goodbye announcement" "browser.command == 0x01 && browser.server == \"PC1\" && browser.server_type == 0"
expect "announcement request to the workgroup" \
    "browser.command == 0x02 && nbdgm.destination_name == \"OFFICE<00>\""

expert=$(tshark -r "$work/capture.pcap" -q -z expert 2>/dev/null)
malformed=$(count "_ws.malformed || _ws.expert")
if [ -n "$expert" ] || [ "$malformed" -ne 0 ]; then
    echo "FAILED: tshark found fault with our frames:"
    echo "$expert"
    tshark -r "$work/capture.pcap" -Y "_ws.malformed || _ws.expert" -V 2>/dev/null | head -80
    status=1
else
    echo "ok: $(count frame) frames, no malformed packet, no expert item"
fi
if grep -l -i sanitizer "$work/pc1"; then
    echo "FAILED: the test host reported a sanitizer fault"
    status=1
fi
[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
