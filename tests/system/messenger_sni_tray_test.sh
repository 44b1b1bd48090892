#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The messenger's tray on a StatusNotifierItem host, as KDE and GNOME's AppIndicator have it:
# a session bus of the test's own with a StatusNotifierWatcher that has a host registered. The
# icon registers there and exports its menu over D-Bus; the test reads that menu as a host
# would, chooses items in it, and checks that the program acts and the check marks follow.
#   messenger_sni_tray_test.sh LYRMESSENGER LYRNET
set -uo pipefail
messenger=$1
lyrnet=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
desktop_begin "$@"
status_notifier_begin

messenger_start
check "the icon registers with the StatusNotifierWatcher" wait_for_line "$work/watcher.log" "^item " 10
item=$(sed -n 's/^item //p' "$work/watcher.log" | head -n1)
menu() { status_notifier menu "$item" >"$work/menu" 2>>"$work/host.log"; }
check "its menu is exported over D-Bus" menu
entry() { grep -E "^$1 [0-9]+ $2 $3 " "$work/menu"; }
# entry_is DEPTH KIND CAPTION TOGGLE STATE: the entry is in the menu with these marks.
entry_is() { entry "$1" "$2" "$3" | grep -E " $4 $5 enabled$" >/dev/null; }
id_of() { entry '[0-9]' '[a-z]+' "$1" | cut -d' ' -f2; }
captions() { awk '{print $1, $3, $4}' "$work/menu" | tr '\n' ';'; }
check "the items of the tray menu, in its order, the states in the submenu" \
    test "$(captions)" = "0 standard Открыть;0 separator -;0 submenu Состояние;1 standard Активен;1 standard Занят;0 standard Автоответ;0 standard Настройки;0 separator -;0 standard Выход;"
check "  ... Активен is the chosen radio item" entry_is 1 standard Активен radio 1
check "  ... Занят is not" entry_is 1 standard Занят radio 0
check "  ... Автоответ has an empty check box" entry_is 0 standard Автоответ checkmark 0

state_is() { "$lyrnet" status | grep -q "state $1"; }
status_notifier click "$item" "$(id_of Занят)"
check "choosing Занят makes the program busy" eventually 5 state_is "1 busy"
menu
check "  ... and moves the radio mark to Занят" entry_is 1 standard Занят radio 1
check "  ... away from Активен" entry_is 1 standard Активен radio 0
status_notifier click "$item" "$(id_of Автоответ)"
check "choosing Автоответ turns auto-reply on" eventually 5 state_is "2 auto-reply"
menu
check "  ... and checks it" entry_is 0 standard Автоответ checkmark 1
status_notifier click "$item" "$(id_of Автоответ)"
check "choosing Автоответ again turns it off, busy as before" eventually 5 state_is "1 busy"
menu
check "  ... and clears its check box" entry_is 0 standard Автоответ checkmark 0
status_notifier click "$item" "$(id_of Активен)"
check "choosing Активен makes the program active again" eventually 5 state_is "0 active"
menu
check "  ... with the radio mark on Активен" entry_is 1 standard Активен radio 1
status_notifier click "$item" "$(id_of Выход)"
check "choosing Выход ends the program" messenger_wait_end 10
check "  ... with exit code 0" test "${messenger_code:-}" = 0
desktop_end
