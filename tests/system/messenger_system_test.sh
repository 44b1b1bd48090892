#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop messenger as a user starts it: offscreen, with its own folders, in a network
# namespace of its own. A message from lyrnet send is stored and answered for; the state and
# show requests reach it; a second start hands over and ends, also beside a stopped first copy
# or one whose socket it cannot see; SIGTERM ends it cleanly with its files written.
#   messenger_system_test.sh LYRMESSENGER LYRNET
set -uo pipefail
messenger=$1
lyrnet=$2
if [ "${LYR_IN_NAMESPACE:-}" != 1 ]; then
    unshare --net true 2>/dev/null || { echo "no network namespaces here: skipped"; exit 77; }
    exec unshare --net env LYR_IN_NAMESPACE=1 bash "$0" "$@"
fi
ip link set lo up 2>/dev/null

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    echo "--- messenger output:"
    cat "$work/messenger.log" 2>/dev/null
    exit 1
}

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export QT_QPA_PLATFORM=offscreen LYR_MESSAGE_BOXES=stderr LYR_NETBIOS_COMPUTER_NAME=LYRTEST
mkdir -p "$work/run" && chmod 700 "$work/run"
data="$XDG_DATA_HOME/Zendry/Lyr Messenger/Data"

"$lyrnet" status >/dev/null 2>&1 && fail "status answered before any messenger runs"

# What a terminal asks is answered at once, and no profile is made for it.
timeout 10 "$messenger" --version >"$work/version" 2>&1 || fail "--version did not end with 0"
grep -qx 'lyrmessenger 1\.[0-9.]*' "$work/version" || fail "--version: $(cat "$work/version")"
timeout 10 "$messenger" --help >"$work/help" 2>&1 || fail "--help did not end with 0"
grep -q 'usage: lyrmessenger' "$work/help" || fail "--help: $(cat "$work/help")"
[ ! -e "$XDG_CONFIG_HOME" ] && [ ! -e "$XDG_DATA_HOME" ] || fail "--help or --version wrote a profile"

# Traced: what the program does with each message is in its log (LYR_DEBUG names the layers).
LYR_DEBUG=netbios,receiving "$messenger" >"$work/messenger.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
    "$lyrnet" status >"$work/status" 2>/dev/null && break
    sleep 0.1
done
grep -q "running version 65537 state 0 active" "$work/status" || fail "state request: $(cat "$work/status")"

# A second start asks the running copy to show itself and ends at once with exit code 0.
timeout 20 "$messenger" >"$work/second.log" 2>&1
code=$?
[ "$code" = 0 ] || fail "second start ended with $code"
grep -q "Zendry Lyr Messenger: Другая копия программы уже запущена!" "$work/second.log" ||
    fail "second start said: $(cat "$work/second.log")"
kill -0 "$pid" 2>/dev/null || fail "the first copy ended"

# A first copy that does not answer (stopped) still runs: a second start says so and ends,
# and does not take the first one's socket.
kill -STOP "$pid"
timeout 20 "$messenger" >"$work/third.log" 2>&1
code=$?
kill -CONT "$pid"
[ "$code" = 0 ] || fail "a start beside a stopped copy ended with $code: $(cat "$work/third.log")"
grep -q "Другая копия программы уже запущена!" "$work/third.log" ||
    fail "a start beside a stopped copy said: $(cat "$work/third.log")"
"$lyrnet" status >/dev/null || fail "the stopped copy lost its socket"

# A copy that cannot see the first one's socket (another runtime directory) still finds its
# data directory held, and ends without touching the stores.
mkdir -m 700 "$work/run2"
XDG_RUNTIME_DIR=$work/run2 timeout 20 "$messenger" >"$work/fourth.log" 2>&1
code=$?
[ "$code" = 0 ] || fail "a start on held data ended with $code: $(cat "$work/fourth.log")"
grep -q "Другая копия программы уже запущена!" "$work/fourth.log" ||
    fail "a start on held data said: $(cat "$work/fourth.log")"

"$lyrnet" hide || fail "hide request"
"$lyrnet" show || fail "show request"

"$lyrnet" send . "Привет <b>там</b>" --from FRIEND || fail "lyrnet send"
for _ in $(seq 100); do
    "$lyrnet" history --data-dir "$data" --json >"$work/inbox" 2>/dev/null
    grep -q "Привет <b>там</b>" "$work/inbox" && break
    sleep 0.1
done
grep -q '"FRIEND"' "$work/inbox" || fail "inbox: $(cat "$work/inbox")"
grep -q 'receiving: debug: a message from "FRIEND"' "$work/messenger.log" &&
    grep -q 'receiving: debug: 1 messages stored together' "$work/messenger.log" ||
    fail "the trace of the message is not in the log"

# Samba's smbclient -M over the NetBIOS session service (TCP 139) reaches the messenger's inbox
# the same way, in several blocks, sent by the user and the calling computer.
if command -v smbclient >/dev/null; then
    mkdir -p "$work/samba"
    printf '[global]\nnetbios name = SAMBAPC\ndos charset = CP866\nunix charset = UTF-8\nlock directory = %s\nstate directory = %s\ncache directory = %s\nprivate dir = %s\n' \
        "$work/samba" "$work/samba" "$work/samba" "$work/samba" >"$work/smb.conf"
    # Cyrillic only at the start: smbclient 4.17 converts long input in pieces that may split
    # a UTF-8 character, and sends '?' for what follows.
    popup="Всплывающее сообщение $(printf 'block%03d ' $(seq 30))"
    printf '%s' "$popup" | timeout 20 smbclient -s "$work/smb.conf" -M LYRTEST -I 127.0.0.1 -U ivan -N \
        >"$work/smbclient.log" 2>&1 || fail "smbclient -M: $(cat "$work/smbclient.log")"
    for _ in $(seq 100); do
        "$lyrnet" history --data-dir "$data" --json >"$work/inbox" 2>/dev/null
        grep -qF "$popup" "$work/inbox" && break
        sleep 0.1
    done
    grep -F "$popup" "$work/inbox" | grep -qF '"from":"ivan (SAMBAPC)"' ||
        fail "smbclient's message: $(cat "$work/inbox")"
else
    echo "SKIPPED: smbclient is not installed; the session service of the messenger is not tested"
fi

kill -TERM "$pid"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "still running 10 s after SIGTERM"
wait "$pid"
code=$?
pid=
[ "$code" = 0 ] || fail "ended with $code after SIGTERM"

# The shutdown wrote the settings and the stores; the message is still there.
[ -s "$XDG_CONFIG_HOME/Zendry/Messenger/1.0.reg" ] || fail "no settings file"
# The start writes a zero size; the shutdown the window's own.
grep '"SizeX"=dword:' "$XDG_CONFIG_HOME/Zendry/Messenger/1.0.reg" | grep -v ':00000000' >/dev/null ||
    fail "window bounds not saved"
"$lyrnet" history --data-dir "$data" --json | grep "Привет <b>там</b>" >/dev/null || fail "inbox lost at exit"
"$lyrnet" status >/dev/null 2>&1 && fail "status answered after the exit"

# A socket file left behind by a killed copy does not stop the next start.
"$messenger" >"$work/messenger.log" 2>&1 &
pid=$!
for _ in $(seq 100); do "$lyrnet" status >/dev/null 2>&1 && break; sleep 0.1; done
kill -KILL "$pid"; wait "$pid" 2>/dev/null
"$messenger" >"$work/messenger.log" 2>&1 &
pid=$!
for _ in $(seq 100); do "$lyrnet" status >/dev/null 2>&1 && break; sleep 0.1; done
"$lyrnet" status >/dev/null || fail "no start after a killed copy"

# SIGINT ends it as SIGTERM does.
kill -INT "$pid"
wait "$pid"
code=$?
pid=
[ "$code" = 0 ] || fail "ended with $code after SIGINT"
echo "messenger system test passed"
