#!/usr/bin/env bash
# The end of the desktop session as a real session manager tells it (XSMP): the messenger
# saves when asked, ends with code 0 when told to die, and has kept its messages and the
# window's place on the screen - with its window shown and with it in the tray.
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
desktop_end
