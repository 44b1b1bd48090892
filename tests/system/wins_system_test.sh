#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Beyond one subnet with a WINS server: three subnets joined by a router, Samba's nmbd as the
# WINS server on the first, lyrnet on the other two. Our names are registered there (nmblookup
# asks the server), a message crosses the router to a name the server knows, a name held on
# another subnet is refused by the server, names are refreshed before their time runs out and
# released at the end; nbtscan reads our node status across the router; tshark dissects what we
# sent the server.
# Usage: wins_system_test.sh PATH-TO-lyrnet
set -u
lyrnet=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/nmbd_peer.sh"

skip_without_samba nmbd nmblookup
system_test_begin
chmod 777 "$work"  # dumpcap may write as another user
export LC_ALL=C.UTF-8 LYR_NETBIOS_WORKGROUP=OFFICE LYR_NETBIOS_WINS_SERVER=10.213.11.2
unset LYR_NETBIOS_NS_PORT LYR_NETBIOS_DGM_PORT LYR_NETBIOS_SSN_PORT
wins=10.213.11.2 pca=10.213.12.2 pcb=10.213.13.2
# server_knows NAME#TYPE ADDRESS: the WINS server answers a unicast query with ADDRESS.
server_knows() {
    on_host 3 nmblookup -U "$wins" --recursion "$1" >"$work/nmblookup.out" 2>&1
    grep -q "^$2 " "$work/nmblookup.out" || { sed 's/^/    /' "$work/nmblookup.out"; return 1; }
}

routed_hosts_create 3
if command -v tshark >/dev/null; then
    on_host_background 1 "$work/tshark.log" tshark -i eth0 -f "udp port 137" -w "$work/capture.pcap"
    wait_for_line "$work/tshark.log" "Capturing on" 10 || cat "$work/tshark.log"
fi
start_nmbd 1 WINSSRV "$wins" "wins support = yes" "min wins ttl = 6" "max wins ttl = 6" \
    "local master = no" "domain master = no" "preferred master = no"
for _ in $(seq 100); do
    server_knows 'WINSSRV#00' "$wins" >/dev/null && break
    sleep 0.2
done
check "nmbd serves as the WINS server" server_knows 'WINSSRV#00' "$wins"

on_host_background 2 "$work/listen.err" env LYR_NETBIOS_COMPUTER_NAME=PCA \
    bash -c 'exec "$0" listen --json >"'"$work/listen.out"'"' "$lyrnet"
listener=${BACKGROUND_PIDS[-1]}
check "lyrnet listen on PCA's subnet receives" \
    wait_for_line "$work/listen.err" "receiving from the network as PCA<00> PCA<03> OFFICE<00>" 15
registered=$(date +%s)
check "the server knows PCA<03> at PCA's address (nmblookup)" server_knows 'PCA#03' "$pca"
check "  ... and PCA<00>" server_knows 'PCA#00' "$pca"

check "a message from PCB's subnet crosses the router to PCA, found at the server" \
    on_host 3 env LYR_NETBIOS_COMPUTER_NAME=PCB "$lyrnet" send PCA 'через маршрутизатор'
check "  ... and arrives" \
    wait_for_line "$work/listen.out" '"from":"PCB","to":"PCA","text":"через маршрутизатор"' 5
on_host 3 env LYR_NETBIOS_COMPUTER_NAME=PCB timeout 60 "$lyrnet" doctor >"$work/doctor.out" 2>&1
check "lyrnet doctor on PCB's subnet: the server answers for PCB<00>, registered there for the while" \
    grep -qE "^ok +WINS $wins +answers: PCB<00> is at $pcb$" "$work/doctor.out"
[ "$failed" -eq 0 ] || sed 's/^/    /' "$work/doctor.out"
on_host 3 env LYR_NETBIOS_COMPUTER_NAME=PCB LYR_NETBIOS_WINS_SERVER=10.213.13.99 timeout 60 \
    "$lyrnet" doctor >"$work/doctor-silent.out" 2>&1
code=$?
check "  ... and with a WINS server that does not answer it says so and exits 1" bash -c "
    [ $code -eq 1 ] && grep -qE '^problem +WINS 10.213.13.99 +gives no address for PCB<00>' '$work/doctor-silent.out'"
[ "$failed" -eq 0 ] || sed 's/^/    /' "$work/doctor-silent.out"
on_host 3 env LYR_NETBIOS_COMPUTER_NAME=PCB LYR_NETBIOS_WINS_SERVER=$pcb timeout 60 \
    "$lyrnet" doctor >"$work/doctor-self.out" 2>&1
check "  ... and of a WINS server at this computer's own address, where its own names answer" \
    grep -qE "^problem +WINS $pcb +is this computer" "$work/doctor-self.out"
[ "$failed" -eq 0 ] || sed 's/^/    /' "$work/doctor-self.out"
check "without the server the name is not found beyond the router" fails \
    on_host 3 env -u LYR_NETBIOS_WINS_SERVER LYR_NETBIOS_COMPUTER_NAME=PCB \
    timeout 30 "$lyrnet" send PCA 'по широковещанию' 2>/dev/null

on_host 3 env LYR_NETBIOS_COMPUTER_NAME=PCA timeout 30 "$lyrnet" names >"$work/names.out" 2>&1
check "PCA taken on PCB's subnet is refused by the server, which asked the holder" \
    grep -q "PCA<03>.*refused by the name server $wins" "$work/names.out"
[ "$failed" -eq 0 ] || sed 's/^/    /' "$work/names.out"
check "  ... and PCA still holds it there" server_knows 'PCA#03' "$pca"

if command -v nbtscan >/dev/null; then
    on_host 3 nbtscan "$pca/32" >"$work/nbtscan.out" 2>&1
    check "nbtscan reads PCA's node status across the router" grep -q "$pca.*PCA" "$work/nbtscan.out"
else
    echo "SKIPPED: nbtscan is not installed"
fi

# The server gives the names 6 s; they are refreshed after half of it.
left=$((registered + 8 - $(date +%s)))
[ "$left" -le 0 ] || sleep "$left"
check "after the time to live the server still knows PCA" server_knows 'PCA#03' "$pca"

kill -TERM "$listener"
wait "$listener" 2>/dev/null
check "at the end PCA's names are released at the server" fails server_knows 'PCA#03' "$pca"

if command -v tshark >/dev/null && [ -s "$work/capture.pcap" ]; then
    sleep 0.5
    tshark -r "$work/capture.pcap" -Y "nbns && ip.src == $pca" \
        -T fields -e nbns.flags.opcode -e nbns.flags.broadcast -e nbns.name \
        -e _ws.expert.message >"$work/decoded.txt" 2>&1
    check "tshark: registration requests to the server, unicast" \
        grep -qP '^5\t(False|0)\tPCA<03>' "$work/decoded.txt"
    # nmbd answers a workgroup's registration without keeping the name, so the wire tells.
    check "  ... the workgroup's too, taken by the server" bash -c "
        grep -qP '^5\t(False|0)\tOFFICE<00>' '$work/decoded.txt' &&
        tshark -r '$work/capture.pcap' -Y 'nbns.flags.response == 1 && ip.src == $wins && ip.dst == $pca' \
            -T fields -e nbns.flags.opcode -e nbns.flags.rcode -e nbns.name 2>/dev/null |
            grep -qP '^5\t0\tOFFICE<00>'"
    check "tshark: refreshes" grep -qP '^8\t(False|0)\tPCA<03>' "$work/decoded.txt"
    check "tshark: releases" grep -qP '^6\t(False|0)\tPCA<03>' "$work/decoded.txt"
    check "tshark: nothing malformed" fails grep -qi "malformed" "$work/decoded.txt"
    [ "$failed" -eq 0 ] || sed 's/^/    /' "$work/decoded.txt"
else
    echo "SKIPPED: tshark is not installed, the frames were not dissected"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
