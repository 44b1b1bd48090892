#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop messenger at its limits, through the real programs on test hosts:
# - while its window waits for a hung disk, lyrnet status answers within 2 s with the true
#   state and lyrnet show says that the messenger runs but does not respond; so does a stopped
#   copy, never that none runs;
# - with 16 file descriptors it starts, says what it cannot open, and receives what it can:
#   every message it received is in its inbox, at once and after it ended;
# - SIGTERM ends it within a few seconds while six long scans wait for it.
#   messenger_limits_test.sh LYRMESSENGER LYRNET LYR_NETBIOS_HOST
set -uo pipefail
messenger=$1
lyrnet=$2
host_program=$3
. "$(dirname "$0")/test_hosts.sh"
system_test_begin

hosts_create 2
. "$(dirname "$0")/messenger_on_host.sh"

# lyrnet status, its exit code and its words on stdout and stderr in $work/said.
ask() {
    on_host 1 timeout 30 "$lyrnet" "$@" >"$work/said" 2>&1
}
# Ends within SECONDS, timed from now; the time taken goes to stdout.
ends_within() {
    local seconds=$1 begin
    begin=$(date +%s)
    eventually "$seconds" bash -c "! kill -0 $messenger_pid 2>/dev/null"
    local code=$?
    echo "ended after $(($(date +%s) - begin)) s"
    return $code
}

check "the messenger starts on PC1" start_messenger
check "  ... and ends, writing its settings" stop_messenger
set_option ShowMsg dword:00000001
set_option WindowType dword:00000001
set_option AutoReply dword:00000001
set_option SaveUserBoxes dword:00000001

# The inbox on a file system that hangs (a FIFO nobody reads, as a network home directory that
# stopped answering): the window's thread waits in the write, the copy still answers its state.
check "the messenger starts answering automatically" start_messenger
send() {
    on_host 2 env LYR_NETBIOS_COMPUTER_NAME=ANNA "$host_program" send PC1 messngr \
        "$(hex ANNA)00$(hex PC1)00$(hex "$1")" --repeat 2 >/dev/null
}
received_first() { [ "$(stored first)" = 2 ]; }
send first
check "a first pair of messages is stored" eventually 10 received_first
rm "$data/inbox.dat" && mkfifo "$data/inbox.dat"
send second
sleep 1
slowest=0
lost=
for _ in $(seq 5); do
    begin=$(date +%s%N)
    if ask status && grep -q "running version 65537 state 2 auto-reply" "$work/said"; then
        took=$((($(date +%s%N) - begin) / 1000000))
        [ "$took" -gt "$slowest" ] && slowest=$took
    else
        lost="$lost [$(cat "$work/said")]"
    fi
done
echo "slowest state answer while the window waits: $slowest ms"
check "while the window waits for the disk, status answers the true state$lost" test -z "$lost"
check "  ... each within 2 s" test "$slowest" -lt 2000
ask show
code=$?
check "  ... and show says that it runs but does not respond (exit $code: $(cat "$work/said"))" \
    bash -c "[ $code = 3 ] && grep -q 'runs for this user but does not respond' '$work/said'"
cat "$data/inbox.dat" >/dev/null
check "  ... and shows the window once the disk answers" ask show
kill -KILL "$messenger_pid"
eventually 20 bash -c "! kill -0 $messenger_pid 2>/dev/null"
rm -f "$data/inbox.dat"

check "the messenger starts again" start_messenger
kill -STOP "$messenger_pid"
ask status
code=$?
kill -CONT "$messenger_pid"
check "a stopped messenger is not responding (exit $code: $(cat "$work/said"))" \
    bash -c "[ $code = 3 ] && grep -q 'runs for this user but does not respond' '$work/said'"
check "  ... and answers again once it goes on" ask status

# Six scans of a minute each, more than the scans run at once: queued ones must not hold the end.
scans=()
for i in $(seq 6); do
    on_host_background 1 "$work/scan$i" "$lyrnet" scan --wait 60
    scans+=("${BACKGROUND_PIDS[-1]}")
done
sleep 2
kill -TERM "$messenger_pid"
check "SIGTERM ends the messenger within 10 s while six long scans wait" ends_within 10
# Told that the messenger ended, they would scan by themselves, holding the ports.
kill -KILL "${scans[@]}" 2>/dev/null

# Few file descriptors: what cannot be opened is said (here the network's ports), what can is
# used: the messages of this computer still arrive.
set_option AutoReply dword:00000000
# The sound server's client takes descriptors of its own at the first beep; not what is tried.
set_option RecBeep dword:00000000
# Descriptors the test's runner left open would count against the 16: they are closed first.
on_host_background 1 "$work/few.log" bash -c 'for fd in $(ls /proc/$$/fd); do
        [ "$fd" -gt 2 ] && eval "exec $fd>&-"; done; exec "$@"' _ \
    prlimit --nofile=16 env LYR_NETBIOS_COMPUTER_NAME=PC1 "$messenger"
messenger_pid=${BACKGROUND_PIDS[-1]}
check "with 16 file descriptors the messenger starts and answers" eventually 20 status
# Stored at once, though the sockets took every descriptor but the stores' own.
received_few() { [ "$(stored few)" = 2 ]; }
on_host 1 env LYR_NETBIOS_COMPUTER_NAME=PC1 "$lyrnet" send PC1 "few#0" >/dev/null
on_host 1 env LYR_NETBIOS_COMPUTER_NAME=PC1 "$lyrnet" send PC1 "few#1" >/dev/null
check "  ... receives the messages of this computer and stores them" eventually 10 received_few
# Which of the network's descriptors runs out first (a port, the service's wake-up) depends on
# the threads' timing; either is said.
check "  ... says what it could not open" grep -Eq "(cannot be opened|cannot be joined).*Too many open files" \
    "$work/few.log"
kill -TERM "$messenger_pid"
check "  ... and ends on SIGTERM" ends_within 20
check "  ... its inbox holding both messages" received_few
check "  ... and no file of its own it could not read or write (the stores, the user list)" \
    bash -c "! grep -q 'Cannot \\(open\\|read\\|create\\|write\\|replace\\) ' '$work/few.log'"
echo "passed $passed, failed $failed"
[ "$failed" = 0 ]
