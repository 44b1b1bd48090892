#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Popup messages over the NetBIOS session service (TCP 139) between test hosts: Samba's
# smbclient -M on PC2 sends to lyrnet listen on PC1, short, multi-block and Cyrillic; a name PC1
# does not hold is refused; hostile peers (silent, over-long, out of order, a thousand at once)
# leave the listener serving. tshark, where installed, dissects our answers.
# Usage: session_system_test.sh PATH-TO-lyrnet
set -u
lyrnet=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"

if ! command -v smbclient >/dev/null; then
    echo "SKIPPED: Samba's smbclient is not installed (apt-get install smbclient, for tests only)"
    exit 77
fi
system_test_begin
chmod 777 "$work"  # dumpcap may write as another user

export LYR_NETBIOS_NS_PORT=${LYR_TEST_NS_PORT:-137} LYR_NETBIOS_DGM_PORT=${LYR_TEST_DGM_PORT:-138}
export LYR_NETBIOS_SSN_PORT=${LYR_TEST_SSN_PORT:-139}
export LC_ALL=C.UTF-8
port=$LYR_NETBIOS_SSN_PORT

# smbclient with a configuration of the test's own: PC2 of OFFICE, text in code page 866.
mkdir -p "$work/samba"
chmod 777 "$work/samba"  # smbd runs its message command as the guest user
cat >"$work/smb.conf" <<EOF
[global]
workgroup = OFFICE
netbios name = PC2
dos charset = CP866
unix charset = UTF-8
lock directory = $work/samba
state directory = $work/samba
cache directory = $work/samba
private dir = $work/samba
log file = $work/samba/log.%m
EOF
# smbclient_to NAME TEXT: sends TEXT (without a line break, which smbclient would send as CR LF)
# to NAME at PC1's address.
smbclient_to() {
    printf '%s' "$2" | on_host 2 timeout 20 smbclient -s "$work/smb.conf" -M "$1" -I 10.213.1.1 \
        -p "$port" -U ivan -N >>"$work/smbclient.out" 2>&1
}
hosts_create 2
if command -v tshark >/dev/null; then
    on_host_background 1 "$work/tshark.log" tshark -i eth0 -f "tcp port $port" -w "$work/capture.pcap"
    wait_for_line "$work/tshark.log" "Capturing on" 10 || cat "$work/tshark.log"
fi
on_host_background 1 "$work/listen.err" env LYR_NETBIOS_COMPUTER_NAME=PC1 LYR_NETBIOS_WORKGROUP=OFFICE \
    bash -c 'exec "$0" listen --json >"'"$work/listen.out"'"' "$lyrnet"
listener=${BACKGROUND_PIDS[-1]}
check "lyrnet listen receives over the session service" \
    wait_for_line "$work/listen.err" "over the session service on TCP port $port" 15

check "smbclient -M sends a short message" smbclient_to PC1 "hello over 139"
check "  ... it pops up, sent by the user with the calling computer" \
    wait_for_exact_line "$work/listen.out" '{"from":"ivan (PC2)","to":"PC1","text":"hello over 139"}'

long=$(for i in $(seq 100); do printf 'line%03d,' "$i"; done)  # 800 bytes: seven blocks
check "a long message in several blocks" smbclient_to pc1 "$long"
check "  ... arrives joined in order" \
    wait_for_exact_line "$work/listen.out" '{"from":"ivan (PC2)","to":"pc1","text":"'"$long"'"}'

# Two blocks. (Much longer Cyrillic input comes out of smbclient 4.17 with '?' on the wire: it
# converts its input in pieces that may split a UTF-8 character.)
cyrillic="Привет, мир! $(for i in $(seq 8); do printf 'Съешь ещё этих булок. '; done)"
check "Cyrillic text, code page 866 on the wire" smbclient_to PC1 "$cyrillic"
check "  ... arrives intact" \
    wait_for_exact_line "$work/listen.out" '{"from":"ivan (PC2)","to":"PC1","text":"'"$cyrillic"'"}'

lines_before=$(wc -l <"$work/listen.out")
on_host 2 timeout 20 smbclient -s "$work/smb.conf" -M PC9 -I 10.213.1.1 -p "$port" -U ivan -N \
    <<<"lost" >"$work/refused.out" 2>&1
check "a name PC1 does not hold is refused: smbclient is told it is not there" \
    grep -q "NAME_NOT_FOUND" "$work/refused.out"

# Hostile peers, in Python on PC2.
hostile() { on_host 2 python3 - "$port" "$@"; }
check "a connection that sends nothing is closed after the time limit" hostile <<'EOF'
import socket, sys, time
s = socket.create_connection(("10.213.1.1", int(sys.argv[1])))
s.settimeout(30)
start = time.time()
data = s.recv(16)
took = time.time() - start
print("  closed after %.1f s" % took)
sys.exit(0 if data == b"" and 8 < took < 20 else 1)
EOF
check "a length beyond the limit ends the connection at once" hostile <<'EOF'
import socket, sys
s = socket.create_connection(("10.213.1.1", int(sys.argv[1])))
s.settimeout(5)
s.sendall(b"\x81\x01\xff\xff" + b"x" * 1000)
try:
    data = s.recv(16)
except ConnectionResetError:
    data = b""
sys.exit(0 if data == b"" else 1)
EOF
check "a text block before the start block is answered with an error; one-block messages work" \
    hostile <<'EOF'
import socket, struct, sys
def name(text, suffix):
    raw = text.ljust(15).encode() + bytes([suffix])
    return b"\x20" + bytes(b for c in raw for b in (0x41 + (c >> 4), 0x41 + (c & 15))) + b"\x00"
s = socket.create_connection(("10.213.1.1", int(sys.argv[1])))
s.settimeout(5)
request = name("PC1", 3) + name("EVIL", 0)
s.sendall(struct.pack(">BBH", 0x81, 0, len(request)) + request)
if s.recv(4) != b"\x82\x00\x00\x00":
    sys.exit(1)
block = b"\x01" + struct.pack("<H", 2) + b"hi"
smb = b"\xffSMB\xd7" + bytes(27) + b"\x01\x01\x00" + struct.pack("<H", len(block)) + block
s.sendall(struct.pack(">BBH", 0, 0, len(smb)) + smb)
reply = s.recv(64)
# ERRSRV / ERRerror in the status, a reply to SEND_TEXT.
if reply[8] != 0xD7 or reply[9:13] != b"\x02\x00\x01\x00":
    sys.exit(1)
# SMB_COM_SEND_MESSAGE: the names and the text in one request.
data = b"\x04EVIL\x00\x04PC1\x00\x01" + struct.pack("<H", 9) + b"one block"
smb = b"\xffSMB\xd0" + bytes(27) + b"\x00" + struct.pack("<H", len(data)) + data
s.sendall(struct.pack(">BBH", 0, 0, len(smb)) + smb)
reply = s.recv(64)
sys.exit(0 if reply[8] == 0xD0 and reply[9:13] == bytes(4) else 1)
EOF
check "a thousand connections at once are held within bounds or refused" hostile <<'EOF'
import socket, sys
held, refused = [], 0
for _ in range(1000):
    s = socket.socket()
    s.settimeout(5)
    try:
        s.connect(("10.213.1.1", int(sys.argv[1])))
        held.append(s)
    except OSError:
        refused += 1
answered = 0
for s in held:
    s.settimeout(0.01)
    try:
        if s.recv(5) == b"\x83\x00\x00\x01\x83":
            answered += 1
    except OSError:
        pass
print("  %d refused with insufficient resources, %d connect failures" % (answered, refused))
sys.exit(0 if answered + refused >= 900 else 1)
EOF
check "lyrnet listen still runs" kill -0 "$listener"
check "  ... and still receives" smbclient_to PC1 "after the storm"
check "  ... the message arrives" \
    wait_for_exact_line "$work/listen.out" '{"from":"ivan (PC2)","to":"PC1","text":"after the storm"}'
check "  ... as has the one-block message" \
    wait_for_exact_line "$work/listen.out" '{"from":"EVIL","to":"PC1","text":"one block"}'
check "nothing else arrived from the refused or hostile peers" \
    test "$(wc -l <"$work/listen.out")" -eq "$((lines_before + 2))"
lines_before=$((lines_before + 2))

# lyrnet send --session to Samba's smbd on PC2, whose message command keeps each message in a
# file; nmbd answers the name query for PC2.
if command -v smbd >/dev/null && command -v nmbd >/dev/null; then
    cat >>"$work/smb.conf" <<EOF
smb ports = $port
server min protocol = NT1
message command = /bin/sh -c 'cp %s "$work/samba/message-%f"; rm %s' &
pid directory = $work/samba
ncalrpc dir = $work/samba/ncalrpc
load printers = no
disable spoolss = yes
EOF
    for daemon in smbd nmbd; do
        # In a process group of its own: smbd ends its whole group when told to stop.
        on_host_background 2 "$work/$daemon.err" "$daemon" -F --debug-stdout -s "$work/smb.conf"
    done
    send_session() {
        on_host 1 env LYR_NETBIOS_COMPUTER_NAME=PC1 LYR_NETBIOS_WORKGROUP=OFFICE \
            "$lyrnet" send --session "$@" 2>>"$work/send.err"
    }
    message_is() {
        for _ in $(seq 40); do
            # smbd writes the file in its unix charset, from the dos charset (866) it was sent in.
            cmp -s <(printf '%s' "$1") "$work/samba/message-anna" &&
                return 0
            sleep 0.05
        done
        echo "  the message file holds:"
        od -c "$work/samba/message-anna" | head -5
        return 1
    }
    # nmbd takes a few seconds to claim its names.
    sent=1
    for _ in $(seq 30); do
        send_session PC2 "Привет, smbd" --from anna && { sent=0; break; }
        sleep 1
    done
    check "lyrnet send --session to smbd" test "$sent" -eq 0
    [ "$sent" -eq 0 ] || tail -n 5 "$work/send.err" "$work/smbd.err" "$work/nmbd.err"
    check "  ... its message command has the text (sent in code page 866) and the sender" \
        message_is "Привет, smbd"
    long=$(for i in $(seq 60); do printf 'block%03d,' "$i"; done)  # 540 bytes: five blocks
    check "a long message in blocks over --session" send_session PC2 "$long" --from anna
    check "  ... arrives whole" message_is "$long"
    check "lyrnet send --session to PC1, which listens itself" send_session PC1 "to myself"
    check "  ... pops up there" wait_for_exact_line "$work/listen.out" \
        '{"from":"PC1","to":"PC1","text":"to myself"}'
    check "lyrnet send --session to a name nobody holds fails" fails send_session PC7 x
else
    echo "SKIPPED: Samba's smbd or nmbd is not installed; lyrnet send --session is not tested"
fi

if command -v tshark >/dev/null; then
    sleep 0.5
    hosts_destroy
    decoded() { tshark -r "$work/capture.pcap" -Y "$1" 2>/dev/null | wc -l; }
    check "tshark: positive session responses" test "$(decoded 'nbss.type == 0x82')" -gt 0
    check "tshark: negative session response, called name not present" \
        test "$(decoded 'nbss.type == 0x83 && nbss.error_code == 0x82')" -gt 0
    for command in 0xd0 0xd5 0xd7 0xd6; do
        check "tshark: successful answers to SMB command $command" \
            test "$(decoded "smb.cmd == $command && smb.flags.response == 1 && smb.error_class == 0")" -gt 0
    done
    check "tshark: no malformed packet" test "$(decoded '_ws.malformed')" -eq 0
else
    echo "SKIPPED: tshark is not installed; our answers are not dissected"
fi

check "no sanitizer report from the test hosts" bash -c "! grep -l -i sanitizer '$work'/*.err"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
