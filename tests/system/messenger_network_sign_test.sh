#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the messenger's tray hint says of receiving from the network, as it changes while the
# program runs, read over D-Bus as a StatusNotifierItem host reads it:
# - another program holds UDP 137 when the messenger starts on test host 1: a line of the hint
#   names the port and the program;
# - Samba's nmbd on test host 2 goes by the same computer name: once the port is free the
#   messenger takes it by itself, nmbd refuses the name, and the line names the name and nmbd's
#   address;
# - nmbd ends: the name is registered on a retry, the hint is the plain one, a message from
#   host 2 arrives;
# - forged name conflict demands for the computer name and the workgroup, sent to the whole
#   subnet, change nothing: the hint stays plain and messages still arrive.
#   messenger_network_sign_test.sh LYRMESSENGER LYRNET
set -uo pipefail
messenger=$1
lyrnet=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
. "$here/nmbd_peer.sh"
desktop_begin "$@"
status_notifier_begin
hosts_create 2
export LYR_NETBIOS_WORKGROUP=OFFICE LYR_NETBIOS_RETRY_SECONDS=1 LYR_NETBIOS_COMPUTER_NAME=PC1

on_host_background 1 "$work/holder.log" python3 -c '
import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("", 137))
print("holding", flush=True)
time.sleep(600)'
holder_pid=${BACKGROUND_PIDS[-1]}
check "another program holds UDP 137" wait_for_line "$work/holder.log" holding 10

on_host_background 1 "$work/messenger.log" "$messenger"
status() { on_host 1 "$lyrnet" status >/dev/null 2>&1; }
check "the messenger starts" eventually 20 status
tray_item_check
plain="Messenger - активен, писем: 0"
check "a line of the tray hint names the port and its holder" \
    eventually 10 hint_names "Нет приема из сети: Порт UDP 137 занят программой python3"

# Whether a broadcast query from test host 1 finds NAME at ADDRESS.
found_at() { on_host 1 nmblookup -B 10.213.1.255 "$1" 2>/dev/null | grep -q "^$2 "; }
nmbd=no
if command -v nmbd >/dev/null && command -v nmblookup >/dev/null; then
    start_nmbd 2 PC1 10.213.1.2
    nmbd_pid=${BACKGROUND_PIDS[-1]}
    check "nmbd holds PC1" eventually 20 found_at PC1 10.213.1.2
    nmbd=yes
fi
kill "$holder_pid"
if [ $nmbd = yes ]; then
    check "once the port is free, the line names the computer name nmbd refuses" \
        eventually 15 hint_names "Имя PC1<"
    check "  ... and nmbd's address" hint_names "10.213.1.2"
    kill "$nmbd_pid"
else
    echo "SKIPPED: Samba's nmbd is not installed: the refused name is not tried"
fi
command -v nmblookup >/dev/null &&
    check "once nothing stands in the way, the names are the messenger's" \
        eventually 20 found_at PC1 10.213.1.1
check "  ... and the hint is the plain one again" eventually 20 hint_is "$plain"

in_inbox() { "$lyrnet" history --data-dir "$data_dir" --json 2>/dev/null | grep -F -- "$1" >/dev/null; }
send_from_host2() { on_host 2 env LYR_NETBIOS_COMPUTER_NAME=ANNA "$lyrnet" send "$1" "$2" --from ANNA >/dev/null 2>&1; }
check "a message from test host 2 arrives" eventually 20 send_from_host2 PC1 "Первое"
check "  ... and is stored" eventually 10 in_inbox "Первое"

on_host 2 python3 "$here/name_packet_forger.py" conflict 10.213.1.255 PC1 03
on_host 2 python3 "$here/name_packet_forger.py" conflict 10.213.1.255 OFFICE 00 group
sleep 2
check "forged conflict demands leave the hint plain" hint_is "Messenger - активен, писем: 1"
check "  ... a message to the computer still arrives" send_from_host2 PC1 "После подделки"
check "  ... and one to the workgroup" send_from_host2 OFFICE "Всей группе"
check "  ... both are stored" eventually 10 in_inbox "Всей группе"
check "  ... both are stored" in_inbox "После подделки"
desktop_end
