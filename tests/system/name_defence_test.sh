#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What an outsider can and cannot do to lyrnet listen's hold on the network, through the real
# program on test hosts:
# - name packets that answer nothing of ours (conflict demands, unicast and broadcast, and a
#   release demand, written byte by byte from RFC 1002) take no name: messages to the computer
#   and to its workgroup still arrive, and Samba's nmblookup still reads the names as active;
# - Samba's nmbd, holding the name, refuses it for real, again on every retry; once nmbd ends
#   the name is registered again by itself and messages to it arrive;
# - a port held by a program of another user is reported with that program and user; once the
#   program ends the ports are taken over and messages arrive.
# Usage: name_defence_test.sh PATH-TO-lyrnet
set -u
lyrnet=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/nmbd_peer.sh"

system_test_begin
export LC_ALL=C.UTF-8 LYR_NETBIOS_WORKGROUP=OFFICE LYR_NETBIOS_RETRY_SECONDS=2
unset LYR_NETBIOS_NS_PORT LYR_NETBIOS_DGM_PORT LYR_NETBIOS_SSN_PORT LYR_NETBIOS_WINS_SERVER
hosts_create 3
forge() { on_host 3 python3 "$here/name_packet_forger.py" "$@"; }

# Starts lyrnet listen on HOST as NAME: messages in $work/NAME.out, what it says in
# $work/NAME.err.
listen_as() {
    local host=$1 name=$2
    on_host_background "$host" "$work/$name.err" env LYR_NETBIOS_COMPUTER_NAME="$name" \
        bash -c 'exec "$0" listen --json >"'"$work/$name.out"'"' "$lyrnet"
    LISTENER_PID=${BACKGROUND_PIDS[-1]}
}
# Whether nmblookup on host 2 finds NAME at ADDRESS by broadcast.
found_at() { on_host 2 nmblookup -B 10.213.1.255 "$1" 2>/dev/null | grep -q "^$2 "; }
# Sends TEXT from host 2 to TARGET and waits until it pops up at the listener NAME.
arrives() {
    local target=$1 text=$2 name=$3
    on_host 2 env LYR_NETBIOS_COMPUTER_NAME=PC2 "$lyrnet" send "$target" "$text" --from ANNA \
        >>"$work/send.out" 2>&1 &&
        wait_for_exact_line "$work/$name.out" \
            "{\"from\":\"ANNA\",\"to\":\"$target\",\"text\":\"$text\"}" 10
}

listen_as 1 PC1
check "lyrnet listen holds PC1's names" \
    wait_for_line "$work/PC1.err" "receiving from the network as PC1<00> PC1<03> OFFICE<00>" 15
forge conflict 10.213.1.1 PC1 03
forge conflict 10.213.1.255 PC1 03
forge conflict 10.213.1.255 PC1 00
forge conflict 10.213.1.255 OFFICE 00 group
forge release 10.213.1.1 PC1 03 10.213.1.1
forge release 10.213.1.255 PC1 03 10.213.1.1
check "forged conflict demands and release demands are logged as ignored" bash -c "
    grep -q 'ignored: a name conflict demand for PC1<03> from 10.213.1.3' '$work/PC1.err' &&
    grep -q 'ignored: a name conflict demand for OFFICE<00> from 10.213.1.3' '$work/PC1.err' &&
    grep -q 'ignored: 10.213.1.3 asks to release our name PC1<03>' '$work/PC1.err'"
check "  ... a message to the computer still arrives" arrives PC1 "after the forgery" PC1
check "  ... and one to its workgroup" arrives OFFICE "to the office" PC1
on_host 2 nmblookup -A 10.213.1.1 >"$work/status.out" 2>&1
check "  ... and nmblookup -A reads every name as active, none in conflict" bash -c "
    grep -qP '^\tPC1 +<00> - +B? *<ACTIVE>' '$work/status.out' &&
    grep -qP '^\tPC1 +<03> - +B? *<ACTIVE>' '$work/status.out' &&
    grep -qP '^\tOFFICE +<00> - <GROUP> B? *<ACTIVE>' '$work/status.out' &&
    ! grep -q CONFLICT '$work/status.out'"
[ "$failed" -eq 0 ] || sed 's/^/    /' "$work/PC1.err" "$work/status.out"
kill "$LISTENER_PID"

if command -v nmbd >/dev/null && command -v nmblookup >/dev/null; then
    start_nmbd 3 SAMBAPC 10.213.1.3
    nmbd_pid=${BACKGROUND_PIDS[-1]}
    eventually 20 found_at SAMBAPC 10.213.1.3
    listen_as 1 SAMBAPC
    check "nmbd refuses SAMBAPC<00> to lyrnet listen" wait_for_line "$work/SAMBAPC.err" \
        "the name SAMBAPC<00> is held by 10.213.1.3" 15
    check "  ... and again when the name is tried again" eventually 15 bash -c \
        "[ \$(grep -c 'the name SAMBAPC<00> is held by 10.213.1.3: what is sent' \
            '$work/SAMBAPC.err') -ge 2 ]"
    kill "$nmbd_pid"
    check "once nmbd has ended, the name is registered again by itself" wait_for_line \
        "$work/SAMBAPC.err" "the name SAMBAPC<00> is registered now" 15
    check "  ... nmblookup finds it at lyrnet's host" eventually 10 found_at SAMBAPC 10.213.1.1
    check "  ... and a message to it arrives" arrives SAMBAPC "the name is ours" SAMBAPC
    [ "$failed" -eq 0 ] || sed 's/^/    /' "$work/SAMBAPC.err" "$work/nmbd.out"
    kill "$LISTENER_PID"
else
    echo "SKIPPED: Samba's nmbd is not installed: the real refusal is not tried"
fi

# A program of user nobody holds the datagram port (the namespace lets any user bind low
# ports). The holder is named; once it ends the ports are taken over.
# The system's python, which every user may run.
system_python=$(PATH=/usr/bin:/bin command -v python3)
if command -v setpriv >/dev/null && id nobody >/dev/null 2>&1 && [ -n "$system_python" ]; then
    on_host 1 sysctl -qw net.ipv4.ip_unprivileged_port_start=0
    on_host_background 1 "$work/holder.out" setpriv --reuid=nobody --regid="$(id -g nobody)" \
        --clear-groups "$system_python" -c 'import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("", 138))
print("ready", flush=True)
time.sleep(600)'
    holder_pid=${BACKGROUND_PIDS[-1]}
    wait_for_line "$work/holder.out" ready 10
    listen_as 1 PC1
    check "a port held by another user's program names the program and the user" wait_for_line \
        "$work/PC1.err" "UDP port 138 is in use by python3 (process $holder_pid, user nobody)" 15
    kill "$holder_pid"
    check "  ... once it ends the ports are taken over" wait_for_line "$work/PC1.err" \
        "UDP ports 137 and 138 are free now and taken over" 15
    check "  ... its names are registered" eventually 10 found_at PC1 10.213.1.1
    check "  ... and a message to the computer arrives" arrives PC1 "the ports are ours" PC1
    [ "$failed" -eq 0 ] || sed 's/^/    /' "$work/PC1.err" "$work/holder.out"
else
    echo "SKIPPED: no setpriv or no user nobody: a port held by another user is not tried"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
