#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The network neighbourhood between test hosts: lyrnet scan finds the computers of its own
# workgroup through their answers to its announcement request and those of another workgroup
# through their announcements; a computer that quits leaves the list at once, one that vanishes
# without a word after three of its announcement periods.
# Usage: browse_system_test.sh PATH-TO-lyr_netbios_host PATH-TO-lyrnet
set -u
host_program=$1
lyrnet=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"

system_test_begin

export LYR_NETBIOS_NS_PORT=${LYR_TEST_NS_PORT:-137} LYR_NETBIOS_DGM_PORT=${LYR_TEST_DGM_PORT:-138}

# $1 host, $2 name, $3 workgroup, $4 output file, rest: browse arguments. Sets browser_pid.
browser() {
    local host=$1 name=$2 workgroup=$3 output=$4
    shift 4
    on_host_background "$host" "$output" env LYR_NETBIOS_COMPUTER_NAME="$name" \
        LYR_NETBIOS_WORKGROUP="$workgroup" "$host_program" browse --seconds 120 "$@"
    browser_pid=${BACKGROUND_PIDS[-1]}
    wait_for_line "$output" ready 10
}

scan() {
    on_host 1 env LYR_NETBIOS_COMPUTER_NAME=PC1 LYR_NETBIOS_WORKGROUP=OFFICE LC_ALL=C.UTF-8 \
        "$lyrnet" scan "$@"
}

# The last list a browser printed.
last_list() { grep '^list' "$1" | tail -1; }

# Seconds (with fractions) since the epoch.
now() { date +%s.%N; }

hosts_create 3

# PC2 (OFFICE) announces once at start and then only after ten minutes: a scan finds it through
# its answer to the scan's request. PC3 (SALES) is not asked, but announces every second.
check "PC2 runs in OFFICE" browser 2 PC2 OFFICE "$work/pc2" --announce-every 600 --answer-within 1
pc2_pid=$browser_pid
check "PC3 runs in SALES" browser 3 PC3 SALES "$work/pc3" --announce-every 1 --answer-within 1
pc3_pid=$browser_pid
sleep 1.5  # PC2's first announcement is over before the scan listens

scan --wait 3 >"$work/scan" 2>"$work/scan.err"
check "lyrnet scan succeeds" test $? -eq 0
cat "$work/scan" "$work/scan.err"
check "  ... lists both workgroups and all three computers, sorted as the user list" \
    diff <(printf 'OFFICE\n    PC1\n    PC2\nSALES\n    PC3\n') "$work/scan"

scan --wait 3 --json >"$work/scan.json" 2>&1
check "lyrnet scan --json: one object a line" \
    diff <(printf '%s\n' '{"kind":"group","name":"OFFICE","group":"OFFICE"}' \
        '{"kind":"computer","name":"PC1","group":"OFFICE"}' \
        '{"kind":"computer","name":"PC2","group":"OFFICE"}' \
        '{"kind":"group","name":"SALES","group":"SALES"}' \
        '{"kind":"computer","name":"PC3","group":"SALES"}') "$work/scan.json"

scan --wait 0 >"$work/scan.quick" 2>&1
check "without a wait the scan lists at least itself" grep -q '^    PC1$' "$work/scan.quick"

# Another program on the datagram port: the scan says why it cannot list.
on_host_background 1 "$work/squatter" python3 -c \
    'import socket, time; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("0.0.0.0", '"$LYR_NETBIOS_DGM_PORT"')); print("bound", flush=True); time.sleep(30)'
squatter_pid=${BACKGROUND_PIDS[-1]}
wait_for_line "$work/squatter" bound 10
scan --wait 1 >"$work/scan.busy" 2>&1
check "a scan beside the owner of the ports fails" test $? -ne 0
cat "$work/scan.busy"
check "  ... and says why" grep -q "is in use by another program" "$work/scan.busy"
kill "$squatter_pid"
wait "$squatter_pid" 2>/dev/null

# PC1 keeps the list for its whole run, having asked once.
check "PC1 runs in OFFICE and asks for announcements" \
    browser 1 PC1 OFFICE "$work/pc1" --announce-every 600 --request
check "  ... and hears everybody" \
    wait_for_line "$work/pc1" '^list OFFICE(PC1,PC2) SALES(PC3)$' 5

kill -TERM "$pc2_pid"
check "PC2 quits: it leaves PC1's list at once" \
    wait_for_line "$work/pc1" '^list OFFICE(PC1) SALES(PC3)$' 5

# Only what PC1 lists after the kill counts: an early list may have held PC1 alone.
listed_before=$(wc -l <"$work/pc1")
kill -KILL "$pc3_pid"
killed_at=$(now)
expired() {
    for _ in $(seq 100); do
        tail -n +"$((listed_before + 1))" "$work/pc1" | grep -q '^list OFFICE(PC1)$' && return 0
        sleep 0.1
    done
    return 1
}
check "PC3 vanishes without a word: it expires from PC1's list with SALES" expired
took=$(awk -v from="$killed_at" -v to="$(now)" 'BEGIN { printf "%.1f", to - from }')
echo "  (after $took s; PC3 announced every second)"
check "  ... after three of its announcement periods, not before" \
    awk -v took="$took" 'BEGIN { exit !(took >= 1.9 && took <= 8) }'
check "PC1's lists held nobody else, not even itself twice" \
    bash -c "! grep '^list' '$work/pc1' | grep -v -x -e 'list OFFICE(PC1)' \
        -e 'list OFFICE(PC1) SALES(PC3)' -e 'list OFFICE(PC1,PC2)' \
        -e 'list OFFICE(PC1,PC2) SALES(PC3)' | grep -q ."

hosts_destroy
check "no sanitizer report from the test hosts" bash -c "! grep -l -i sanitizer '$work'/*"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
