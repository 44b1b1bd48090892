#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop messenger keeps every message it takes from the network on disk, whatever its
# files and windows are like: quick replies and macros it cannot read do not stop it receiving,
# an inbox it cannot read is moved aside for a new one, and messages waiting behind an open
# message window are stored when a SIGTERM (a log-out) ends the program.
#   messenger_stores_test.sh LYRMESSENGER LYRNET LYR_NETBIOS_HOST
set -uo pipefail
messenger=$1
lyrnet=$2
host_program=$3
. "$(dirname "$0")/test_hosts.sh"
system_test_begin

hosts_create 2
. "$(dirname "$0")/messenger_on_host.sh"

has_stored() { [ "$(stored "$1")" -ge "$2" ]; }

check "the messenger starts on PC1" start_messenger
check "  ... and ends, writing its settings" stop_messenger
set_option SaveUserBoxes dword:00000001
set_option ShowMsg dword:00000001
set_option WindowType dword:00000001

mkdir "$data/reply.dat" "$data/macro.dat"
check "with reply.dat and macro.dat directories the messenger starts" start_messenger
flood despite 5
check "  ... and receives: 5 of 5 stored" eventually 10 has_stored despite 5
check "  ... the user is told of reply.dat" grep -q "reply.dat: Is a directory" "$work/messenger.log"
check "  ... and of macro.dat" grep -q "macro.dat: Is a directory" "$work/messenger.log"
check "  ... and it ends" stop_messenger
rmdir "$data/reply.dat" "$data/macro.dat"

rm -f "$data/inbox.dat"
mkdir "$data/inbox.dat"
touch "$data/inbox.dat/left-inside"
check "with inbox.dat a directory the messenger starts" start_messenger
flood aside 5
check "  ... and receives" eventually 10 has_stored aside 5
check "  ... SIGTERM ends it" stop_messenger
check "  ... the 5 of the run are in the new inbox.dat" test "$(stored aside)" = 5
check "  ... the directory is kept as inbox.dat.bad" test -e "$data/inbox.dat.bad/left-inside"
check "  ... the user is told where it went" grep -q "inbox.dat.bad" "$work/messenger.log"

# The first message's window holds the hand-over; the others are stored with it when they came
# in the same batch, or wait in the slot's queue: either way they must be on disk at the end.
set_option WindowType dword:00000002
rm -rf "$data/inbox.dat" "$data/inbox.dat.bad"
check "WindowType 2: the messenger starts" start_messenger
flood open 30
check "  ... the first message is stored" eventually 10 has_stored open 1
sleep 2
echo "  stored while its window is open: $(stored open) of 30"
check "  ... SIGTERM with the message window open ends it" stop_messenger
check "  ... 30 of 30 are on disk (got $(stored open))" test "$(stored open)" = 30
check "  ... in order" texts_in_order open 30

# Files without read permission, for a user that is not root: the messenger as nobody, fed on
# its own host (below port 1024 it may not listen to the network, so local delivery only).
if command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
    chmod 711 "$work"
    own="$work/nobody"
    own_data="$own/data/Zendry/Lyr Messenger/Data"
    mkdir -p "$own_data" "$own/config" "$own/run"
    printf 'Ответ\r\n' >"$own_data/reply.dat"
    printf 'not a store we can read' >"$own_data/inbox.dat"
    chmod 000 "$own_data/reply.dat" "$own_data/inbox.dat"
    chown -R nobody "$own"
    chmod 700 "$own/run"
    on_host_background 1 "$work/nobody.log" env XDG_DATA_HOME="$own/data" \
        XDG_CONFIG_HOME="$own/config" XDG_RUNTIME_DIR="$own/run" HOME="$own" \
        setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups "$(for_other_users "$messenger")"
    nobody_pid=${BACKGROUND_PIDS[-1]}
    check "as nobody, an unreadable reply.dat is named" \
        wait_for_line "$work/nobody.log" "reply.dat: Permission denied" 20
    check "  ... an unreadable inbox.dat is moved aside" \
        wait_for_line "$work/nobody.log" "inbox.dat.bad" 5
    on_host 1 "$lyrnet" send . "locked#0" --from PEER >/dev/null
    nobody_stored() { "$lyrnet" history --data-dir "$own_data" 2>/dev/null | grep -q "locked#0"; }
    check "  ... and the message sent to it is on disk" eventually 10 nobody_stored
    kill -TERM "$nobody_pid"
    check "  ... SIGTERM ends it" eventually 20 bash -c "! kill -0 $nobody_pid 2>/dev/null"
    check "  ... the unreadable inbox is kept" test "$(stat -c %s "$own_data/inbox.dat.bad")" = 23
else
    echo "SKIP: the unprivileged part needs setpriv and the user nobody"
fi

echo "passed $passed, failed $failed"
[ "$failed" = 0 ]
