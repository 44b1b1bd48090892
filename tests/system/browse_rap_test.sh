#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A scan asks the browser server for its list over the session service (SMB1, IPC$, RAP
# NetServerEnum2): a browser made of impacket's SMB server (rap_browser_peer.py) as the WINS
# server's address lists the workgroup's computers and the workgroups at once; one that takes
# the connection and never answers costs no more than the scan's wait; a list bigger than one
# answer gives what the answer holds; a browser at the WINS server's address on another subnet
# is reached across the router.
# Usage: browse_rap_test.sh PATH-TO-lyrnet
set -u
lyrnet=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"

# Debian's own python3, which python3-impacket installs into, whatever python3 comes first in PATH.
if ! /usr/bin/python3 -c 'import impacket.smbserver' 2>/dev/null; then
    echo "SKIPPED: python3-impacket is not installed"
    exit 77
fi
system_test_begin
export LC_ALL=C.UTF-8 LYR_NETBIOS_WORKGROUP=OFFICE LYR_NETBIOS_COMPUTER_NAME=PC1
export LYR_NETBIOS_WINS_SERVER=10.213.1.1
unset LYR_NETBIOS_NS_PORT LYR_NETBIOS_DGM_PORT LYR_NETBIOS_SSN_PORT
hosts_create 2

# $1 count: the browser on host 1 lists that many computers.
browser() {
    on_host_background 1 "$work/peer$1" /usr/bin/python3 "$here/rap_browser_peer.py" \
        "$LYR_NETBIOS_WINS_SERVER" 139 OFFICE "$1"
    browser_pid=${BACKGROUND_PIDS[-1]}
    wait_for_line "$work/peer$1" ready 10
}
# Scans from host 2 into $1; took: its seconds.
timed_scan() {
    local started
    started=$(date +%s.%N)
    on_host 2 "$lyrnet" scan --wait 2 >"$1" 2>"$1.err"
    took=$(seconds_since "$started")
}

check "a browser with 5 computers runs" browser 5
timed_scan "$work/scan"
cat "$work/scan"
check "the scan lists the browser's workgroups and computers" diff "$work/scan" <(
    printf '%s\n' FARAWAY OFFICE '    PC1' '    PEER0000' '    PEER0001' '    PEER0002' \
        '    PEER0003' '    PEER0004')
check "  ... at once, not after the wait for announcements (took $took s)" \
    awk -v took="$took" 'BEGIN { exit !(took < 1.5) }'
kill "$browser_pid"
wait "$browser_pid" 2>/dev/null

check "a browser with 3000 computers runs" browser 3000
timed_scan "$work/scan.big"
listed=$(grep -c '^    PEER' "$work/scan.big")
check "a list longer than one answer gives what the answer holds ($listed)" test "$listed" -ge 1500
kill "$browser_pid"
wait "$browser_pid" 2>/dev/null

# Takes the connection and says nothing.
on_host_background 1 "$work/silent" python3 -c '
import socket, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("10.213.1.1", 139)); s.listen(5); print("ready", flush=True)
held = [s.accept() for _ in range(5)]; time.sleep(60)'
check "a silent browser runs" wait_for_line "$work/silent" ready 10
timed_scan "$work/scan.silent"
check "  ... the scan still lists this computer" grep -qx '    PC1' "$work/scan.silent"
check "  ... within its wait and a little (took $took s)" \
    at_most 4 "$took"

# Beyond a router: the WINS server's address is the domain master browser, whose list holds
# every subnet's computers; broadcasts do not cross.
hosts_destroy
routed_hosts_create 2
export LYR_NETBIOS_WINS_SERVER=10.213.11.2
check "a domain master browser with 2 computers runs on another subnet" browser 2
timed_scan "$work/scan.routed"
cat "$work/scan.routed"
check "  ... the scan lists its computers across the router" \
    grep -qx '    PEER0001' "$work/scan.routed"

hosts_destroy
check "no sanitizer report from the test hosts" bash -c "! grep -l -i sanitizer '$work'/*"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
