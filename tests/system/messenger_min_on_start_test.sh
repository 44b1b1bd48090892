#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# On a real X display: with MinOnStart on (a fresh profile's default) the messenger starts in
# the tray only, answering requests but showing no window until it is asked to; with
# MinOnStart off its window is there at once. It never shows a second top-level window.
#   messenger_min_on_start_test.sh LYRMESSENGER LYRNET
set -uo pipefail
messenger=$1
lyrnet=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
desktop_begin "$@"

in_front() {
    for _ in $(seq 30); do
        [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "Lyr Messenger" ] && return 0
        sleep 0.1
    done
    return 1
}
hidden_for_a_second() {
    sleep 1
    [ -z "$(visible_windows)" ] && [ -z "$(program_windows)" ]
}
end_program() {
    kill -TERM "$messenger_pid"
    messenger_wait_end 10 && [ "$messenger_code" = 0 ]
}

messenger_start
check "a fresh start shows no window of the program" hidden_for_a_second
check "the running copy answers the state request" "$lyrnet" status
"$lyrnet" show
check "the show request brings the main window" wait_for_window 5
check "in front" in_front
check "the main window is the program's only visible window" \
    test "$(program_windows)" = "$(visible_windows)"
check "it has no taskbar button" \
    bash -c "xprop -id '$(visible_windows)' _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR"
"$lyrnet" hide
check "the hide request hides it again" hidden_for_a_second
check "SIGTERM ends the program" end_program
check "MinOnStart is written as on" test "$(settings_value MinOnStart)" = dword:00000001

sed -i 's/^"MinOnStart"=.*/"MinOnStart"=dword:00000000/' "$settings_file"
messenger_start
check "with MinOnStart off the window is there at start" wait_for_window 5
check "in front" in_front
check "as the program's only visible window" test "$(program_windows)" = "$(visible_windows)"
check "there is one such window" test "$(visible_windows | wc -l)" = 1
check "SIGTERM ends the program" end_program
check "MinOnStart stays off" test "$(settings_value MinOnStart)" = dword:00000000
desktop_end
