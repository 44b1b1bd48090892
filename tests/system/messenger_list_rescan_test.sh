#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# On a real X display: "Обновить список" from the user list's own menu leaves the keyboard with
# the list, so a Delete pressed after the scan deletes no received message.
#   messenger_list_rescan_test.sh LYRMESSENGER LYRNET
set -uo pipefail
messenger=$1
lyrnet=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
desktop_begin "$@"

end_program() {
    kill -TERM "$messenger_pid"
    messenger_wait_end 10 && [ "$messenger_code" = 0 ]
}
in_front() {
    for _ in $(seq 30); do
        [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "Lyr Messenger" ] && return 0
        sleep 0.1
    done
    return 1
}
menu_open() { [ "$(xdotool search --onlyvisible --pid "$messenger_pid" 2>/dev/null | wc -l)" -ge 2 ]; }
kept() { grep -qa "keep me" "$data_dir/inbox.dat"; }

# A profile whose window is there at start, with one received message.
messenger_start
check "SIGTERM ends the first start" end_program
check "MinOnStart can be turned off" set_option MinOnStart dword:00000000
messenger_start
check "the window is there" wait_for_window 5
"$lyrnet" send . "keep me" --from ANNA >/dev/null 2>&1
check "the message is stored" eventually 5 kept
check "the window is in front" in_front

# A right click on the list opens its menu; its second item is "Обновить список".
window=$(visible_windows | head -n1)
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + WIDTH - 30)) $((Y + 60)) click 3
check "the list's menu opens" eventually 5 menu_open
xdotool key Down Down Return
check "the menu closes" eventually 5 fails menu_open
sleep 2  # the scan of an empty network
xdotool key Delete
sleep 1
check "SIGTERM ends the program" end_program
check "Delete after the rescan kept the received message" kept
desktop_end
