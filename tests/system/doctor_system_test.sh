#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# lyrnet doctor on test hosts: all well; the ports held by another program (a python socket,
# Samba's nmbd) and by lyrnet listen; our name defended by nmbd on another host; UDP 138
# dropped by an nftables rule in the host's namespace. Each time the human report and the JSON
# one tell the same verdict, and the exit code follows it.
# Beside a running messenger it asks the messenger for its state and names.
# Usage: doctor_system_test.sh PATH-TO-lyrnet [PATH-TO-lyrmessenger]
set -u
lyrnet=$(readlink -f "$1")
messenger=${2:+$(readlink -f "$2")}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/nmbd_peer.sh"

system_test_begin
export LC_ALL=C.UTF-8 LYR_NETBIOS_WORKGROUP=OFFICE XDG_RUNTIME_DIR=$work
unset LYR_NETBIOS_NS_PORT LYR_NETBIOS_DGM_PORT LYR_NETBIOS_SSN_PORT LYR_NETBIOS_WINS_SERVER
hosts_create 2

# doctor_on HOST NAME OUTPUT: both reports of lyrnet doctor on HOST as computer NAME, in
# OUTPUT.txt and OUTPUT.json, their exit codes in OUTPUT.code.
doctor_on() {
    local host=$1 name=$2 output=$3
    on_host "$host" env LYR_NETBIOS_COMPUTER_NAME="$name" timeout 60 "$lyrnet" doctor \
        >"$output.txt" 2>&1
    local text_code=$?
    on_host "$host" env LYR_NETBIOS_COMPUTER_NAME="$name" timeout 60 "$lyrnet" doctor --json \
        >"$output.json" 2>"$output.json.err"
    echo "$text_code $?" >"$output.code"
}
# says OUTPUT VERDICT TOPIC TEXT: a line of the human report, as a pattern (grep -E).
says() {
    grep -qE "^$2 +$3 +$4" "$1.txt" || { echo "  not in $1.txt: $2 $3 $4"; sed 's/^/    /' "$1.txt"; return 1; }
}
# verdict OUTPUT CODE: both reports end with exit CODE (0 or 1), the JSON parses and its "ok"
# agrees, and the human report's last line says the same.
verdict() {
    local output=$1 code=$2 ok=true last="All is well"
    [ "$code" -eq 0 ] || { ok=false; last="Not all is well"; }
    [ "$(cat "$output.code")" = "$code $code" ] &&
        python3 -m json.tool "$output.json" >/dev/null &&
        python3 -c 'import json, sys; sys.exit(json.load(open(sys.argv[1]))["ok"] != (sys.argv[2] == "true"))' \
            "$output.json" "$ok" &&
        tail -n 1 "$output.txt" | grep -q "^$last" ||
        { echo "  exit codes $(cat "$output.code"), wanted $code"; sed 's/^/    /' "$output.txt" "$output.json" "$output.json.err"; return 1; }
}

doctor_on 2 PC2 "$work/well"
check "all well: exit 0, and --json parses with ok true" verdict "$work/well" 0
check "  ... the interface with its broadcast address" \
    says "$work/well" ok interfaces "eth0 10.213.1.2, broadcast 10.213.1.255"
check "  ... the ports free" bash -c "$(declare -f says); says '$work/well' ok 'UDP 137' free &&
    says '$work/well' ok 'UDP 138' free && says '$work/well' ok 'TCP 139' free"
check "  ... no messenger runs" says "$work/well" ok messenger "does not run"
check "  ... our names registered" bash -c "$(declare -f says); says '$work/well' ok names 'PC2<00> registered' &&
    says '$work/well' ok names 'PC2<03> registered' && says '$work/well' ok names 'OFFICE<00> registered'"
check "  ... the test datagram came back through the network" \
    says "$work/well" ok delivery "a test datagram to PC2<03> at 10.213.1.2 came back"
check "  ... the firewall read" says "$work/well" ok firewall "no|neither"

# A program nobody here wrote holds the datagram ports.
on_host_background 2 "$work/python.out" python3 -c '
import socket, time
for port in (137, 138):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("0.0.0.0", port))
    globals()["s%d" % port] = s
print("bound", flush=True)
time.sleep(600)'
python=${BACKGROUND_PIDS[-1]}
wait_for_line "$work/python.out" bound 10
doctor_on 2 PC2 "$work/held"
check "ports held by a python socket: exit 1, and --json says so too" verdict "$work/held" 1
check "  ... UDP 137 and 138 are held by python3 with its process" bash -c "$(declare -f says)
    says '$work/held' problem 'UDP 137' 'held by another program, python3 \(process [0-9]+\)' &&
    says '$work/held' problem 'UDP 138' 'held by another program, python3'"
check "  ... the names cannot be registered, and the test datagram does not arrive" bash -c "$(declare -f says)
    says '$work/held' problem names 'not registered: UDP port 137 is in use by python3' &&
    says '$work/held' problem delivery 'a test datagram to PC2<03> at 10.213.1.2 did not reach'"
# As another user (nobody), who may not look into root's processes nor read the firewall.
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
    chmod 755 "$work"
    on_host 2 setpriv --reuid=65534 --regid=65534 --clear-groups env XDG_RUNTIME_DIR=/nonexistent \
        LYR_NETBIOS_COMPUTER_NAME=PC2 timeout 60 "$(for_other_users "$lyrnet")" doctor >"$work/user.txt" 2>&1
    code=$?
    check "as user nobody: exit 1, UDP 138 held by a program of another local user, root" \
        bash -c "$(declare -f says)
        [ $code -eq 1 ] && says '$work/user' problem 'UDP 138' 'held by a program of another local user \(root\)'"
    check "  ... the firewall rules cannot be read, which is said and is no failure of its own" \
        says "$work/user" "(unknown|ok)" firewall "the nftables rules cannot be read|neither"
else
    echo "SKIPPED: not root, or no setpriv: a port held by another user is not tested"
fi
kill "$python"

on_host_background 2 "$work/listen.err" env LYR_NETBIOS_COMPUTER_NAME=PC2 "$lyrnet" listen
listener=${BACKGROUND_PIDS[-1]}
wait_for_line "$work/listen.err" "receiving from the network as" 15
doctor_on 2 PC2 "$work/listening"
check "beside lyrnet listen: exit 0" verdict "$work/listening" 0
check "  ... which holds the ports, answers for PC2<03> and is not sent a test datagram" bash -c "$(declare -f says)
    says '$work/listening' ok 'UDP 138' 'held by lyrnet listen, lyrnet \(process' &&
    says '$work/listening' ok names 'PC2<03> is answered for by this computer, 10.213.1.2' &&
    says '$work/listening' unknown delivery 'not tried'"
kill "$listener"

if command -v nft >/dev/null; then
    on_host 2 nft add table inet doctortest
    on_host 2 nft add chain inet doctortest input '{ type filter hook input priority 0; }'
    on_host 2 nft add rule inet doctortest input udp dport 138 drop
    doctor_on 2 PC2 "$work/dropped"
    check "UDP 138 dropped by nftables: exit 1, and --json says so too" verdict "$work/dropped" 1
    check "  ... the rule is named with the port it drops" \
        says "$work/dropped" problem firewall "nftables rule [0-9]+ of chain input in table inet doctortest drops UDP 138:"
    check "  ... and the test datagram does not arrive" \
        says "$work/dropped" problem delivery "a test datagram to PC2<03> at 10.213.1.2 did not reach"
    on_host 2 nft delete table inet doctortest
else
    echo "SKIPPED: nft is not installed (package nftables); a dropping firewall is not tested"
fi

if [ -n "$messenger" ]; then
    . "$here/messenger_on_host.sh"
    start_messenger
    doctor_on 1 PC1 "$work/messenger"
    check "beside the messenger: exit 0" verdict "$work/messenger" 0
    check "  ... which runs, active, holds the ports and registered PC1's names, as it says" \
        bash -c "$(declare -f says)
        says '$work/messenger' ok messenger 'runs for this user, active' &&
        says '$work/messenger' ok 'UDP 137' 'held by the messenger, lyrmessenger \(process' &&
        says '$work/messenger' ok names 'PC1<03> registered, as the messenger holds it' &&
        says '$work/messenger' unknown delivery 'not tried'"
    stop_messenger
else
    echo "SKIPPED: the messenger was not built; lyrnet doctor beside it is not tested"
fi

if command -v nmbd >/dev/null; then
    start_nmbd 1 SAMBAPC 10.213.1.1
    for _ in $(seq 100); do
        on_host 2 nmblookup -B 10.213.1.255 SAMBAPC 2>/dev/null | grep -q '^10.213.1.1 ' && break
        sleep 0.2
    done
    doctor_on 2 SAMBAPC "$work/conflict"
    check "our name defended by nmbd on another host: exit 1, and --json says so too" \
        verdict "$work/conflict" 1
    check "  ... SAMBAPC<00> refused by nmbd's address" \
        says "$work/conflict" problem names "SAMBAPC<00> refused by 10.213.1.1"
    doctor_on 1 SAMBAPC "$work/nmbd"
    check "on nmbd's own host: exit 1, UDP 137 and 138 held by nmbd" bash -c "$(declare -f says verdict)
        verdict '$work/nmbd' 1 && says '$work/nmbd' problem 'UDP 137' 'held by another program, nmbd' &&
        says '$work/nmbd' problem 'UDP 138' 'held by another program, nmbd'"
else
    echo "SKIPPED: Samba's nmbd is not installed; a name defended by nmbd is not tested"
fi

[ -z "${LYR_TEST_VERBOSE:-}" ] || cat "$work"/*.txt
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
