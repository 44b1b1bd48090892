#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# lyrnet between test hosts, through the real binaries: send by name, to the workgroup and to
# "*", an unknown name, Cyrillic text (OEM code page on the wire), sending beside a running
# listener on the same host, listening without the NetBIOS ports, a burst of 10,000.
# Usage: lyrnet_system_test.sh PATH-TO-lyrnet PATH-TO-lyr_netbios_host
set -u
lyrnet=$(readlink -f "$1")
host_program=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"

system_test_begin

export LYR_NETBIOS_NS_PORT=${LYR_TEST_NS_PORT:-137} LYR_NETBIOS_DGM_PORT=${LYR_TEST_DGM_PORT:-138}
export LC_ALL=C.UTF-8

# Host I is the computer PCI of the workgroup OFFICE.
as_pc() {
    local host=$1
    shift
    on_host "$host" env LYR_NETBIOS_COMPUTER_NAME="PC$host" LYR_NETBIOS_WORKGROUP=OFFICE "$@"
}
lyrnet_on() {
    local host=$1
    shift
    as_pc "$host" "$lyrnet" "$@"
}

# Starts "lyrnet listen ARGS" on host I (under the command in listen_prefix, if any): messages
# in $work/listenI.out, what it says in $work/listenI.err; waits until it has said whether it
# receives from the network.
listen_prefix=()
listen_on() {
    local host=$1
    shift
    on_host_background "$host" "$work/listen$host.err" env LYR_NETBIOS_COMPUTER_NAME="PC$host" \
        LYR_NETBIOS_WORKGROUP=OFFICE "${listen_prefix[@]}" \
        bash -c 'exec "$0" listen "$@" >"'"$work/listen$host.out"'"' "$lyrnet" "$@"
    LISTENER_PID=${BACKGROUND_PIDS[-1]}
    wait_for_line "$work/listen$host.err" "receiving from the network as\|so messages from other" 15
}

# Waits until FILE holds LINE exactly.
# Whether process PID runs (an ended child that was not waited for does not).
running() {
    local state
    state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
    [ -n "$state" ] && [ "$state" != Z ]
}

# Waits until process PID (a child of this shell) has ended, at most SECONDS; its exit code.
wait_for_exit() {
    local pid=$1 seconds=$2
    for _ in $(seq $((seconds * 10))); do
        if ! running "$pid"; then
            wait "$pid"
            return
        fi
        sleep 0.1
    done
    echo "  process $pid still runs after $seconds s"
    return 124
}

stop() {
    kill "$1" 2>/dev/null
    wait_for_exit "$1" 10
}

fails() { ! "$@" 2>/dev/null; }

hex() { printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n'; }

hosts_create 3

# Host 2 listens through lyrnet; host 3 is a plain receiver that prints the mailslot data of
# what arrives, byte for byte as it came over the wire.
check "lyrnet listen on PC2 receives from the network" listen_on 2 --json
listener2=$LISTENER_PID
grep -q "receiving from the network as PC2<00> PC2<03> OFFICE<00>" "$work/listen2.err" ||
    cat "$work/listen2.err"
on_host_background 3 "$work/wire3" env LYR_NETBIOS_COMPUTER_NAME=PC3 LYR_NETBIOS_WORKGROUP=OFFICE \
    "$host_program" listen messngr --count 100 --seconds 120
wire3=${BACKGROUND_PIDS[-1]}
wait_for_line "$work/wire3" ready 10 || cat "$work/wire3"

expected2=()
check "a computer by name, resolved by a name query" lyrnet_on 1 send pc2 hi --from ANNA
expected2+=('{"from":"ANNA","to":"pc2","text":"hi"}')
check "  ... pops up on PC2" wait_for_exact_line "$work/listen2.out" "${expected2[-1]}"

check "a computer by address, its messenger name from its node status" \
    lyrnet_on 1 send 10.213.1.2 "by address" --from ANNA
expected2+=('{"from":"ANNA","to":"10.213.1.2","text":"by address"}')
check "  ... pops up on PC2" wait_for_exact_line "$work/listen2.out" "${expected2[-1]}"
check "an address where nobody answers fails" fails lyrnet_on 1 send 10.213.1.99 "lost"

check "the workgroup" lyrnet_on 1 send OFFICE "to the office" --from ANNA
expected2+=('{"from":"ANNA","to":"OFFICE","text":"to the office"}')
check "  ... reaches PC2" wait_for_exact_line "$work/listen2.out" "${expected2[-1]}"

check "\"*\"" lyrnet_on 1 send '*' "to everybody" --from ANNA
expected2+=('{"from":"ANNA","to":"*","text":"to everybody"}')
check "  ... reaches PC2" wait_for_exact_line "$work/listen2.out" "${expected2[-1]}"

start=$(date +%s%N)
lyrnet_on 1 send NOBODY "hello?" >"$work/unknown.out" 2>"$work/unknown.err"
status=$?
took_ms=$((($(date +%s%N) - start) / 1000000))
check "an unknown name fails (exit $status, $took_ms ms)" test "$status" -eq 1
check "  ... within bounded time" test "$took_ms" -lt 8000
printf '%s\n' 'Не могу доставить сообщение адресату "NOBODY".' \
    'lyrnet send: no computer or group of that name answered on the network, and DNS does not know it' \
    >"$work/unknown.expected"
check "  ... and says so in the messenger's words, with the reason" \
    diff "$work/unknown.expected" "$work/unknown.err"

# Typed in UTF-8, held in code page 1251, sent in code page 866 (the names unconverted, 1251).
check "Cyrillic text to PC3" lyrnet_on 1 send PC3 "Привет, мир" --from "Борис"
check "  ... is code page 866 on the wire, the sender's name 1251" \
    wait_for_exact_line "$work/wire3" "c1eef0e8f100$(hex PC3)008fe0a8a2a5e22c20aca8e0"
check "Cyrillic text to PC2" lyrnet_on 1 send PC2 "Привет, мир" --from "Борис"
expected2+=('{"from":"Борис","to":"PC2","text":"Привет, мир"}')
check "  ... arrives as the same UTF-8" wait_for_exact_line "$work/listen2.out" "${expected2[-1]}"

# Host 1 listens too; lyrnet send on host 1 is then a client beside the owner of the ports.
check "lyrnet listen on PC1" listen_on 1 --json
listener1=$LISTENER_PID
expected1=()
check "beside a listener: another host" lyrnet_on 1 send PC2 "beside" --from ANNA
expected2+=('{"from":"ANNA","to":"PC2","text":"beside"}')
check "  ... reaches PC2" wait_for_exact_line "$work/listen2.out" "${expected2[-1]}"
check "beside a listener: this host by its name" lyrnet_on 1 send pc1 "to myself" --from ANNA
expected1+=('{"from":"ANNA","to":"pc1","text":"to myself"}')
check "  ... reaches PC1's listener" wait_for_exact_line "$work/listen1.out" "${expected1[-1]}"
check "beside a listener: \"*\"" lyrnet_on 1 send '*' "all from PC1" --from ANNA
expected1+=('{"from":"ANNA","to":"*","text":"all from PC1"}')
expected2+=('{"from":"ANNA","to":"*","text":"all from PC1"}')
check "  ... reaches PC1" wait_for_exact_line "$work/listen1.out" "${expected1[-1]}"
check "  ... and PC2" wait_for_exact_line "$work/listen2.out" "${expected2[-1]}"
check "from another host to the listener's host" lyrnet_on 2 send PC1 "from PC2" --from ANNA
expected1+=('{"from":"ANNA","to":"PC1","text":"from PC2"}')
check "  ... reaches PC1" wait_for_exact_line "$work/listen1.out" "${expected1[-1]}"

# A second PC2, on host 3, is told that the name is taken, and by whom.
stop "$wire3"
on_host_background 3 "$work/twin.err" env LYR_NETBIOS_COMPUTER_NAME=PC2 LYR_NETBIOS_WORKGROUP=OFFICE \
    "$lyrnet" listen
twin=${BACKGROUND_PIDS[-1]}
check "a second PC2 is told the name is held by the first" wait_for_line "$work/twin.err" \
    "the name PC2<03> is held by 10.213.1.2; what is sent to it reaches that computer" 10
check "  ... and receives as OFFICE<00> only" \
    grep -q "receiving from the network as OFFICE<00>\$" "$work/twin.err"
stop "$twin"

sleep 0.5  # anything that would come twice has come by now
stop "$listener1"
stop "$listener2"
check "PC1 got each of its messages once, in order" \
    diff <(printf '%s\n' "${expected1[@]}") "$work/listen1.out"
check "PC2 got each of its messages once, in order" \
    diff <(printf '%s\n' "${expected2[@]}") "$work/listen2.out"

# Without the NetBIOS ports: another program holds them, then the right to bind them is missing.
# lyrnet listen says why and what to do, and goes on with this computer's messages.
on_host_background 3 "$work/holder3" env LYR_NETBIOS_COMPUTER_NAME=PC3 \
    LYR_NETBIOS_WORKGROUP=OFFICE "$host_program" listen otherslot --seconds 120
holder3=${BACKGROUND_PIDS[-1]}
wait_for_line "$work/holder3" ready 10 || cat "$work/holder3"
check "lyrnet listen while another program holds port $LYR_NETBIOS_NS_PORT" listen_on 3 --json
listener3=$LISTENER_PID
check "  ... names the holder" grep -qF "lyrnet listen: UDP port $LYR_NETBIOS_NS_PORT is in use by \
$(basename "$host_program") (process $holder3), so messages from other computers cannot reach this \
one; messages on this computer and messages to other computers still work. Stop that program \
(for Samba: sudo systemctl stop nmbd): the ports are taken over once they are free." "$work/listen3.err"
check "  ... and receives this computer's messages" lyrnet_on 3 send . "still here" --from ANNA
check "  ... (arrived)" wait_for_exact_line "$work/listen3.out" \
    '{"from":"ANNA","to":".","text":"still here"}'
stop "$listener3"
stop "$holder3"

if [ "$LYR_NETBIOS_NS_PORT" -lt 1024 ] && command -v setpriv >/dev/null; then
    # Root without CAP_NET_BIND_SERVICE is refused ports below 1024 like any other user.
    listen_prefix=(setpriv --bounding-set -net_bind_service --inh-caps -net_bind_service)
    check "lyrnet listen without the right to bind port $LYR_NETBIOS_NS_PORT" listen_on 3 --json
    listener3=$LISTENER_PID
    listen_prefix=()
    check "  ... says which capability to grant, and how" grep -qF "lyrnet listen: UDP port \
$LYR_NETBIOS_NS_PORT is below 1024 and may be used only by root or with the CAP_NET_BIND_SERVICE \
capability, so messages from other computers cannot reach this one; messages on this computer \
and messages to other computers still work. Grant it once with: sudo setcap \
cap_net_bind_service=+ep $lyrnet" "$work/listen3.err"
    check "  ... and receives this computer's messages" lyrnet_on 3 send PC3 "local" --from ANNA
    check "  ... (arrived)" wait_for_exact_line "$work/listen3.out" \
        '{"from":"ANNA","to":"PC3","text":"local"}'
    check "  ... while another host cannot find it" fails lyrnet_on 1 send PC3 "lost"
    check "  ... nor has it stopped" running "$listener3"
    check "  ... and it ends cleanly" stop "$listener3"
else
    echo "skipped: listening without the right to bind (the ports are not below 1024 here)"
fi
hosts_destroy

# A burst from one host to another, through the listener's endpoint: none lost, none reordered.
hosts_create 2
burst=10000
check "lyrnet listen for a burst" listen_on 2 --json --count $burst
listener2=$LISTENER_PID
check "a burst of $burst messages is sent" as_pc 1 "$host_program" send PC2 messngr \
    "$(hex ANNA)00$(hex PC2)00$(hex burst)" --repeat $burst
check "  ... and lyrnet listen ends after the last" wait_for_exit "$listener2" 120
check "  ... having printed every one, in order" \
    diff <(seq 0 $((burst - 1)) | sed 's/.*/{"from":"ANNA","to":"PC2","text":"burst#&"}/') \
    "$work/listen2.out"
hosts_destroy

check "no sanitizer report from the test hosts" bash -c "! grep -l -i sanitizer '$work'/*"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
