#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Another receiver holds "messngr" when the messenger starts on test host 1: lyrnet listen, run
# as another user (nobody). The messenger only sends then, and its tray hint, read over D-Bus as
# a StatusNotifierItem host reads it, says on a line of its own that nothing comes from the
# network and names the other receiver: the program and its user; one desktop notification
# (dunst, where installed) tells of it. Once that receiver ends, the messenger takes the slot by
# itself, joins the network as its receiver, its hint is the plain one again, one notification
# says so, and a message from test host 2 arrives.
#   messenger_receiver_takeover_test.sh LYRMESSENGER LYRNET
set -uo pipefail
messenger=$1
lyrnet=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
command -v setpriv >/dev/null || { echo "SKIPPED: setpriv is not installed"; exit 77; }
desktop_begin "$@"
status_notifier_begin
hosts_create 2
export LYR_NETBIOS_WORKGROUP=OFFICE LYR_SLOT_RETRY_SECONDS=1
nobody=$(id -un 65534)

# A notification server on the test's bus, where there is one, and what is asked of it.
notifications=no
if command -v dunst >/dev/null && command -v dunstctl >/dev/null && command -v dbus-monitor >/dev/null; then
    dbus-monitor "interface=org.freedesktop.Notifications,member=Notify" \
        >"$work/notify-calls.log" 2>&1 &
    BACKGROUND_PIDS+=($!)
    dunst >"$work/dunst.log" 2>&1 &
    BACKGROUND_PIDS+=($!)
    dunst_ready() { [ "$(dunstctl count displayed 2>/dev/null)" = 0 ]; }
    eventually 10 dunst_ready && notifications=yes
fi
# notified TEXT COUNT: COUNT notifications holding TEXT were sent.
notified() { [ "$(grep -c -F -- "$1" "$work/notify-calls.log")" = "$2" ]; }

# The other receiver, as another user; it cannot write the test's folders and needs none.
chmod 755 "$work"
on_host_background 1 "$work/listener.log" setpriv --reuid=65534 --regid=65534 --clear-groups \
    env LYR_NETBIOS_COMPUTER_NAME=PC1 "$(for_other_users "$lyrnet")" listen
listener_pid=${BACKGROUND_PIDS[-1]}
check "the other receiver holds messngr" \
    wait_for_line "$work/listener.log" 'receiving on .*messngr' 10

on_host_background 1 "$work/messenger.log" env LYR_NETBIOS_COMPUTER_NAME=PC1 "$messenger"
messenger_pid=${BACKGROUND_PIDS[-1]}
status() { on_host 1 "$lyrnet" status >/dev/null 2>&1; }
check "the messenger starts beside it" eventually 20 status
tray_item_check
check "a line of the tray hint says nothing comes from the network" \
    eventually 10 hint_names "Нет приема из сети"
check "  ... below the usual one" first_line_is "Messenger - активен, писем: 0"
check "  ... names the other program" hint_names "lyrnet (процесс"
check "  ... and its user" hint_names "пользователь $nobody"
check "the log names it too" grep -F "занят другим приемником: lyrnet" "$work/messenger.log"
if [ $notifications = yes ]; then
    check "one desktop notification tells of it" eventually 10 notified "Нет приема из сети" 1
fi

kill -TERM "$listener_pid"
check "once the other receiver has ended, the hint is the plain one again" \
    eventually 15 hint_is "Messenger - активен, писем: 0"
check "the messenger says it has taken the slot" grep -q "messngr is ours now" "$work/messenger.log"
if [ $notifications = yes ]; then
    check "one desktop notification says messages arrive again" \
        eventually 10 notified "Прием из сети восстановлен" 1
    check "  ... and the trouble was told of once" notified "Нет приема из сети" 1
fi
in_inbox() { "$lyrnet" history --data-dir "$data_dir" --json 2>/dev/null | grep -F -- "$1" >/dev/null; }
sent_from_host2() {
    on_host 2 env LYR_NETBIOS_COMPUTER_NAME=ANNA "$lyrnet" send PC1 "Снова слышно" --from ANNA \
        >/dev/null 2>&1
}
check "a message from test host 2 finds it" eventually 20 sent_from_host2
check "  ... and is stored" eventually 10 in_inbox "Снова слышно"
desktop_end
