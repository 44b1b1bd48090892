#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The messenger in the tray of a real X display (Xvfb, openbox, trayer as the tray host that
# comes after the program): its icon, a left and a right click on it, the tray menu's
# "Настройки" and "Выход", the global hot key Ctrl+Alt+M (Caps Lock on or off), and the message
# window of WindowType 2 coming up in front while the main window is hidden. Pictures of the
# tray menu, the settings dialog and the message window go to SHOT_DIR.
#   messenger_tray_test.sh LYRMESSENGER LYRNET SCREEN_SHOT SHOT_DIR
set -uo pipefail
messenger=$1
lyrnet=$2
screen_shot=$3
shots=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
command -v trayer >/dev/null || { echo "SKIP: trayer is not installed"; exit 77; }
desktop_begin "$@"

# The tray menu's rows: Открыть, a separator, Состояние, Автоответ, Настройки, a separator,
# Выход.
item_height=18
separator_height=10
menu_rows_height=$((5 * item_height + 2 * separator_height))

main_in_front() { visible_windows | grep -x "$main" >/dev/null && active_is "$main"; }
main_hidden() { ! visible_windows | grep -x "$main" >/dev/null; }
hide_main() { "$lyrnet" hide && eventually 5 main_hidden; }
shot() { mkdir -p "$shots" && "$screen_shot" "$shots/$1.png"; }
# Once the tray host has taken it, the icon is the program's one visible window, at the
# bottom right of the 800 x 600 screen, where trayer stands 24 pixels high.
icon_in_tray() {
    icon=$(program_windows)
    [ "$(echo "$icon" | wc -w)" = 1 ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$icon")"
    icon_x=$((X + WIDTH / 2)) icon_y=$((Y + HEIGHT / 2))
    [ "$Y" -ge 576 ] && [ $((X + WIDTH)) -le 800 ] && [ "$X" -ge 700 ]
}
# The tray menu is the program's override-redirect window other than the icon.
find_menu() {
    local window
    menu=
    for window in $(program_windows); do
        [ "$window" = "$icon" ] && continue
        xwininfo -id "$window" | grep "Override Redirect State: yes" >/dev/null && menu=$window
    done
    [ -n "$menu" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    menu_x=$X menu_y=$Y menu_width=$WIDTH menu_height=$HEIGHT
}
menu_gone() { ! find_menu; }
open_tray_menu() { xdotool mousemove "$icon_x" "$icon_y" click 3 && eventually 5 find_menu; }
menu_rows_fit() {
    [ "$menu_height" -gt "$menu_rows_height" ] && [ $(((menu_height - menu_rows_height) % 2)) = 0 ]
}
# choose_item TOP: a click in the middle of the row that starts TOP pixels below the rows' top.
choose_item() {
    local frame=$(((menu_height - menu_rows_height) / 2))
    xdotool mousemove $((menu_x + menu_width / 2)) $((menu_y + frame + $1 + item_height / 2))
    sleep 0.3
    xdotool click 1
}
settings_window() { xdotool search --onlyvisible --name "^$settings_title\$" 2>/dev/null; }
settings_in_front() { active_is "$(settings_window)"; }
# The dialog's middle lies in the middle of the 800 x 600 screen, give or take its frame and the
# tray's dock.
settings_centred() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$(settings_window)")"
    [ $((X + WIDTH / 2 - 400)) -le 30 ] && [ $((400 - X - WIDTH / 2)) -le 30 ] &&
        [ $((Y + HEIGHT / 2 - 300)) -le 60 ] && [ $((300 - Y - HEIGHT / 2)) -le 60 ]
}
# _MOTIF_WM_HINTS: flags, functions, decorations. Minimise and maximise are function bits 8 and
# 16, decoration bits 32 and 64; close is function bit 32.
asks_close_only() {
    local hints
    hints=$(xprop -id "$1" _MOTIF_WM_HINTS | sed -n 's/.*= //p' | tr -d ' ')
    IFS=, read -r _ functions decorations _ <<<"$hints"
    [ $((functions & 0x38)) = $((0x20)) ] && [ $((decorations & 0x60)) = 0 ]
}
settings_closed() { [ -z "$(settings_window)" ]; }
message_window() { visible_windows | grep -vx "$main"; }
message_in_front() { active_is "$(message_window)" && main_hidden; }
message_closed() { [ -z "$(message_window)" ]; }
wm_runs() { xprop -root _NET_SUPPORTING_WM_CHECK | grep "window id" >/dev/null; }
in_inbox() { "$lyrnet" history --data-dir "$data_dir" --json | grep -F "$1" >/dev/null; }

# A profile with the hot key Ctrl+Alt+M, a start in the tray, the icon on, the message window.
messenger_start
kill -TERM "$messenger_pid"
check "a first start ends on SIGTERM, writing the settings" messenger_wait_end 10
check "ShortCutKey Ctrl+Alt+M" set_option ShortCutKey dword:0000c04d
check "MinOnStart on" set_option MinOnStart dword:00000001
check "UseSysIcon on" set_option UseSysIcon dword:00000001
check "WindowType 2, the message window" set_option WindowType dword:00000002

messenger_start
sleep 1
check "the program starts with no window on show" test -z "$(program_windows)"
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --tint 0x202030 >"$work/trayer.log" 2>&1 &
BACKGROUND_PIDS+=($!)
check "the icon comes into the tray host started after the program" eventually 10 icon_in_tray

xdotool key ctrl+alt+m
main=
wait_for_window 5 && main=$(visible_windows)
check "the hot key brings the hidden main window to the front" eventually 5 main_in_front
check "hidden again" hide_main
xdotool key Caps_Lock ctrl+alt+m Caps_Lock
check "the hot key works with Caps Lock on" eventually 5 main_in_front
hide_main
xdotool mousemove "$icon_x" "$icon_y" click 1
check "a left click on the icon shows the main window in front" eventually 5 main_in_front

check "a right click on the icon opens the tray menu" open_tray_menu
check "the menu is as tall as its five rows of 18 and two separators of 10 in a frame" menu_rows_fit
check "picture: the tray menu" shot tray-menu
choose_item $((3 * item_height + separator_height))
check "\"Настройки\" opens the settings dialog in front" eventually 5 settings_in_front
check "the tray menu has gone" eventually 5 menu_gone
check "the settings dialog is centred on the desktop" settings_centred
check "the settings dialog asks the window manager for a close box, no minimise or maximise" \
    asks_close_only "$(settings_window)"
check "picture: the main window with the settings dialog" shot settings-dialog
xdotool key Escape
check "Escape closes the settings dialog" eventually 5 settings_closed

check "hidden for the message" hide_main
"$lyrnet" send . "Сообщение в окне" --from FRIEND
check "the message window comes up in front while the main window stays hidden" \
    eventually 10 message_in_front
check "there is one message window" test "$(message_window | wc -l)" = 1
check "the message window asks for a close box only" asks_close_only "$(message_window)"
check "picture: the message window" shot message-window
# While the modal window stays open, more messages come than a socket's queue holds: every
# sender is served at once, and every message waits to be shown after the open one.
sent_while_open=0
for i in $(seq 0 29); do
    timeout 3 "$lyrnet" send . "Пока окно открыто #$i" --from FRIEND && sent_while_open=$((sent_while_open + 1))
done
check "30 messages sent while the message window is open are taken at once" test $sent_while_open = 30
xdotool key Escape
check "the message is in the inbox" eventually 5 in_inbox "Сообщение в окне"
# Each of the thirty comes in a window of its own; closing them all leaves them in the inbox.
close_message_windows() {
    local quiet=0
    while [ $quiet -lt 20 ]; do
        if [ -n "$(message_window)" ]; then
            xdotool key Escape
            quiet=0
        else
            quiet=$((quiet + 1))
        fi
        sleep 0.1
    done
}
close_message_windows
check "Escape closes the message windows" message_closed
inbox_order() {
    diff <(seq 0 29 | sed 's/.*/Пока окно открыто #&/') \
        <("$lyrnet" history --data-dir "$data_dir" --json | grep -o 'Пока окно открыто #[0-9]*')
}
check "  ... all thirty are in the inbox, in order" inbox_order

touch "$work/before-exit"
sleep 0.1
check "the tray menu opens again" open_tray_menu
choose_item $((4 * item_height + 2 * separator_height))
check "\"Выход\" ends the program" messenger_wait_end 10
check "with exit code 0" test "${messenger_code:-}" = 0
check "the settings were written at the exit" test "$settings_file" -nt "$work/before-exit"
check "keeping the hot key" test "$(settings_value ShortCutKey)" = dword:0000c04d
xdotool key ctrl+alt+m
sleep 0.5
check "the hot key of the ended program shows nothing" test -z "$(visible_windows)"
check "the window manager still runs" wm_runs

messenger_start
sleep 1
xdotool key ctrl+alt+m
check "a new start takes the hot key again" wait_for_window 5
kill -TERM "$messenger_pid"
check "SIGTERM ends it" messenger_wait_end 10
desktop_end
