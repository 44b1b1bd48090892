#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop messenger flooded with mailslot writes of 60 KB from two computers at once, frames
# written by a script of the test's own: it keeps answering state requests (within 2 s beyond
# what a request costs when idle), stores and shows none of them, still receives a real message
# afterwards, and the counts it writes to its log and tells lyrnet status are the true ones:
# every big write refused or dropped by the kernel (made to drop while the program is stopped),
# the kernel's drops as many as the kernel itself counts, and messages over the session service
# refused for their length (a multi-block message beyond 1,600 bytes, a packet beyond any
# message's) counted with them.
#   messenger_big_input_test.sh LYRMESSENGER LYRNET LYR_NETBIOS_HOST
set -uo pipefail
messenger=$1
lyrnet=$2
host_program=$3
. "$(dirname "$0")/test_hosts.sh"
system_test_begin
python=/usr/bin/python3
if ! "$python" -c 'import socket' 2>/dev/null; then
    echo "SKIP: no python3"
    exit 77
fi
forger="$python $(dirname "$0")/mailslot_write_forger.py"
session_forger="$python $(dirname "$0")/session_message_forger.py"

hosts_create 3
. "$(dirname "$0")/messenger_on_host.sh"

check "the messenger starts on PC1" start_messenger
check "  ... and ends, writing its settings" stop_messenger
set_option ShowMsg dword:00000001
set_option SaveUserBoxes dword:00000001
set_option WindowType dword:00000001
check "the messenger starts again" start_messenger

idle=0
for _ in 1 2 3; do
    begin=$(date +%s%N)
    status
    took=$((($(date +%s%N) - begin) / 1000000))
    [ "$took" -gt "$idle" ] && idle=$took
done
echo "slowest answer to a state request before the flood: $idle ms"

# The kernel's own counts of host 1, where only the messenger receives datagrams.
udp_counter() { on_host 1 awk -v name="$1" '/^Udp:/ { if (!n) { for (i = 1; i <= NF; i++) col[$i] = i; n = 1 } else print $col[name] }' /proc/net/snmp; }
ip_counter() { on_host 1 awk -v name="$1" '/^Ip:/ { if (!n) { for (i = 1; i <= NF; i++) col[$i] = i; n = 1 } else print $col[name] }' /proc/net/snmp; }
buffer_errors_before=$(udp_counter RcvbufErrors)
reassembly_failures_before=$(ip_counter ReasmFails)

each=1500
on_host 2 $forger 10.213.1.1 PC1 $each 61440 >"$work/flood2" 2>&1 &
flood2=$!
on_host 3 $forger 10.213.1.1 PC1 $each 61440 >"$work/flood3" 2>&1 &
flood3=$!
slowest=0
while kill -0 $flood2 2>/dev/null || kill -0 $flood3 2>/dev/null; do
    begin=$(date +%s%N)
    status || { slowest=lost; break; }
    took=$((($(date +%s%N) - begin) / 1000000))
    [ "$took" -gt "$slowest" ] && slowest=$took
    sleep 0.05
done
wait $flood2 $flood3
# And after it, while whatever was taken is still being handled.
for _ in 1 2 3 4 5; do
    begin=$(date +%s%N)
    status || { slowest=lost; break; }
    took=$((($(date +%s%N) - begin) / 1000000))
    [ "$took" -gt "$slowest" ] && slowest=$took
    sleep 0.2
done
echo "slowest answer to a state request during and after the flood: $slowest ms"
check "two hosts sent $each writes of 60 KB each" \
    grep -qx "sent $each" "$work/flood2" "$work/flood3"
answered_within() { [ "$1" != lost ] && [ "$1" -lt "$2" ]; }
check "  ... while every state request was answered within 2 s" \
    answered_within "$slowest" $((idle + 2000))
# Stopped, the program cannot read: its socket's buffer fills and the kernel drops the rest.
held=600
kill -STOP "$messenger_pid"
on_host 2 $forger 10.213.1.1 PC1 $held 61440 >"$work/held2" 2>&1 &
held2=$!
on_host 3 $forger 10.213.1.1 PC1 $held 61440 >"$work/held3" 2>&1
wait $held2
kill -CONT "$messenger_pid"
eventually 20 status
# What waits in the socket is read before more is sent, or the kernel would drop that too.
datagram_queue_empty() {
    on_host 1 awk '$2 ~ /:008A$/ { split($5, queues, ":"); if (queues[2] != "00000000") full = 1 }
        END { exit full }' /proc/net/udp
}
eventually 20 datagram_queue_empty
sent=$((2 * each + 2 * held))
# A message of the usual size still arrives, and its datagrams carry the kernel's final count.
flood after 5
after_stored() { [ "$(stored after)" = 5 ]; }
check "a message sent after the flood is stored" eventually 20 after_stored
check "  ... and none of the big writes is" test "$(stored big)" = 0
buffer_errors=$(($(udp_counter RcvbufErrors) - buffer_errors_before))
reassembly_failures=$(($(ip_counter ReasmFails) - reassembly_failures_before))

# Over the session service: 2,000 bytes in blocks (refused with "no room"), then one packet of
# 8,000 bytes (the connection is cut); each refused once, counted with the big writes.
on_host 2 $session_forger 10.213.1.1 PC1 2000 >"$work/session_blocks" 2>&1
on_host 2 $session_forger 10.213.1.1 PC1 8000 --one-packet >"$work/session_packet" 2>&1
check "a message of 2,000 bytes over a session is refused for want of room" \
    grep -q "status 0x00530002" "$work/session_blocks"
check "  ... and a packet of 8,000 bytes ends the session" \
    bash -c "grep -q 'session positive' '$work/session_packet' && tail -1 '$work/session_packet' | grep -qx closed"
# What lyrnet status tells now, while the copy runs: its own counts, current.
on_host 1 "$lyrnet" status >"$work/status" 2>&1
told=$(grep '^from the network: ' "$work/status")
echo "lyrnet status: ${told:-nothing said}"
count_before() { echo "$told" | grep -o "[0-9]* $1" | awk '{ print $1 }'; }
told_kernel=$(count_before "datagrams dropped by the kernel")
told_writes=$(count_before "mailslot writes and")
told_sessions=$(count_before "session messages refused as too long")
told_mailslot=$(count_before "messages dropped on their way to the mailslot")
check "lyrnet status tells the kernel's drops as the kernel counts them ($buffer_errors)" \
    test "${told_kernel:-x}" = "$buffer_errors"
check "  ... the two session messages refused as too long" test "${told_sessions:-x}" = 2
stop_messenger

summary=$(grep -o '[0-9]* mailslot writes longer than [0-9]* bytes and [0-9]* session messages longer than [0-9]* bytes were refused, and [0-9]* datagrams were dropped by the kernel' "$work/messenger.log")
echo "the kernel: $buffer_errors datagrams dropped at the socket, $reassembly_failures reassemblies failed"
echo "the messenger: ${summary:-nothing said}"
refused=$(echo "$summary" | awk '{ print $1 }')
refused_sessions=$(echo "$summary" | awk '{ print $9 }')
dropped=$(echo "$summary" | awk 'NF { print $(NF-6) }')
on_the_way=$(grep -o '[0-9]* messages from the network were dropped on their way' "$work/messenger.log" |
    awk '{ print $1 }')
check "the messenger's log says how many it refused and how many the kernel dropped" \
    test -n "$summary"
check "  ... the refusal said once when it began" \
    test "$(grep -c 'writes longer than 1024 bytes are refused and counted' "$work/messenger.log")" = 1
check "  ... the session messages' refusal too" \
    test "$(grep -c 'session messages longer than 1600 bytes are refused and counted' "$work/messenger.log")" = 1
check "  ... and the two session messages in the sum" test "${refused_sessions:-x}" = 2
check "lyrnet status told the sums the log has at the end" \
    test "${told_writes:-x}/${told_sessions:-x}/${told_kernel:-x}/${told_mailslot:-x}" = \
    "$refused/$refused_sessions/$dropped/${on_the_way:-0}"
check "  ... the kernel's drops while it was stopped as the kernel counts them ($buffer_errors)" \
    test "${dropped:-x}" = "$buffer_errors" -a "$buffer_errors" -gt 0
check "  ... every big write that reached the host is counted ($sent sent)" \
    test $((${refused:-0} + ${dropped:-0} + reassembly_failures)) -ge $sent -a \
    $((${refused:-0} + ${dropped:-0})) -le $sent
echo "passed $passed, failed $failed"
[ "$failed" = 0 ]
