#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The end of the desktop session as a real session manager tells it (XSMP): the messenger
# saves when asked, ends with code 0 when told to die, and has kept its messages and the
# window's place on the screen - with its window shown and with it in the tray. A hang-up
# (SIGHUP: the terminal or the session that started it gone) and the X server going away end
# it the same way: the user list, the window's place and the messages written.
#   messenger_session_end_test.sh LYRMESSENGER LYRNET SESSION_MANAGER_TOOL
set -uo pipefail
messenger=$1
lyrnet=$2
manager=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
desktop_begin "$@"

mkfifo "$work/manager.in"
exec 4<>"$work/manager.in"
"$manager" <&4 >"$work/manager.log" 2>&1 &
BACKGROUND_PIDS+=($!)
wait_for_line "$work/manager.log" "^SESSION_MANAGER=" 10 || { echo "FAIL: no session manager"; exit 1; }
SESSION_MANAGER=$(sed -n 's/^SESSION_MANAGER=//p' "$work/manager.log")
export SESSION_MANAGER

said() { grep -c -- "^$1" "$work/manager.log"; }
# wait_for_said LINE COUNT: until the session manager has said LINE COUNT times.
wait_for_said() {
    for _ in $(seq 100); do
        [ "$(said "$1")" -ge "$2" ] && return 0
        sleep 0.05
    done
    return 1
}
no_copy_runs() { ! "$lyrnet" status >/dev/null 2>&1; }
# grep reads all of it: with -q it could stop early and lyrnet end by SIGPIPE.
in_inbox() { "$lyrnet" history --data-dir "$data_dir" --json 2>/dev/null | grep -- "$1" >/dev/null; }
wait_for_inbox() {
    for _ in $(seq 100); do
        in_inbox "$1" && return 0
        sleep 0.1
    done
    return 1
}

# The session's end with the window shown, moved by the user.
messenger_start
check "the program joins the session" wait_for_said registered 1
check "as itself" grep -q "^property Program .*lyrmessenger$" "$work/manager.log"
check "not to be restarted by the session (autostart starts it)" \
    grep -q "^property RestartStyleHint 3" "$work/manager.log"
"$lyrnet" show
check "the show request brings the window" wait_for_window 5
window=$(visible_windows)
xdotool windowmove "$window" 123 77
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
"$lyrnet" send . "Сеанс кончается" --from FRIEND
check "a message arrives" wait_for_inbox "Сеанс кончается"

echo end >&4
check "the program saves and lets the session end" wait_for_said "save-done 1" 1
check "it is told to end" wait_for_said die 1
check "it ends within 5 s of that" messenger_wait_end 5
check "with exit code 0" test "${messenger_code:-}" = 0
check "its connection closes" wait_for_said closed 1
check "the message is still in the inbox" in_inbox "Сеанс кончается"
check "the window's place is saved" test "$(settings_value PositionX) $(settings_value PositionY)" \
    = "$(printf 'dword:%08x dword:%08x' "$X" "$Y")"
check "and its size" test "$(settings_value SizeX) $(settings_value SizeY)" \
    = "$(printf 'dword:%08x dword:%08x' "$WIDTH" "$HEIGHT")"
check "no copy answers any more" no_copy_runs

# The same with the window hidden in the tray (MinOnStart, as on every start here).
messenger_start
check "the next start joins the session" wait_for_said registered 2
"$lyrnet" send . "Второй сеанс" --from FRIEND
check "a message arrives" wait_for_inbox "Второй сеанс"
echo end >&4
check "the hidden program lets the session end" wait_for_said "save-done 1" 2
check "it ends within 5 s" messenger_wait_end 5
check "with exit code 0" test "${messenger_code:-}" = 0
check "the first session's message is kept too" in_inbox "Сеанс кончается"
check "the window's place is kept" test "$(settings_value PositionX)" = "$(printf 'dword:%08x' "$X")"

# show_and_move X Y TEXT: the window shown and moved to X, Y (its geometry then in X, Y, WIDTH,
# HEIGHT), TEXT received; then a mark for the files written after it.
show_and_move() {
    "$lyrnet" show
    check "the window comes" wait_for_window 5
    window=$(visible_windows)
    xdotool windowmove "$window" "$1" "$2"
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$window")"
    "$lyrnet" send . "$3" --from FRIEND
    check "a message arrives" wait_for_inbox "$3"
    touch "$work/mark"
    sleep 1.1
}
shutdown_wrote() {
    check "  ... having written the user list" test "$data_dir/users.dat" -nt "$work/mark"
    check "  ... and the window's place" \
        test "$(settings_value PositionX) $(settings_value PositionY) $(settings_value SizeX)" \
        = "$(printf 'dword:%08x dword:%08x dword:%08x' "$X" "$Y" "$WIDTH")"
    check "  ... keeping the message" in_inbox "$1"
}

messenger_start
show_and_move 211 133 "Терминал закрыт"
kill -HUP "$messenger_pid"
check "a hang-up ends it within 5 s" messenger_wait_end 5
check "  ... with exit code 0" test "${messenger_code:-}" = 0
shutdown_wrote "Терминал закрыт"

messenger_start
show_and_move 301 157 "Дисплей пропал"
kill -TERM "$xvfb_pid"
check "the X server going away ends it within 5 s" messenger_wait_end 5
check "  ... saying why" grep -q "display connection is gone" "$work/messenger.log"
shutdown_wrote "Дисплей пропал"
desktop_end
