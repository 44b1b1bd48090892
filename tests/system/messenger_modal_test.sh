#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A modal window of the messenger (the about box, the settings dialog) open while something
# shows or hides the main window: a show request, the hot key, a message shown in the main
# window, a click on the tray icon, a hide request. The dialog stays on the screen in front,
# the program answers, a key still reaches the dialog, and once it is closed the main window
# takes keys again; a click that gives the main window the focus meanwhile gives it no key. The tray icon answers both its clicks meanwhile: in an XEmbed tray
# (trayer) and on a StatusNotifierItem host. A picture of the about box over the main window
# goes to SHOT_DIR.
#   messenger_modal_test.sh LYRMESSENGER LYRNET SCREEN_SHOT SHOT_DIR
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

main_in_front() { main=$(visible_windows) && active_is "$main"; }
main_hidden() { [ -z "$(visible_windows)" ]; }
# The dialog is mapped and has the keyboard.
dialog_in_front() { active_is "$(window_titled "$dialog")"; }
dialog_closed() { [ -z "$(window_titled "$dialog")" ]; }
answers() { timeout 2 "$lyrnet" status >/dev/null; }
in_inbox() { "$lyrnet" history --data-dir "$data_dir" --json | grep -F "$1" >/dev/null; }
shot() { mkdir -p "$shots" && "$screen_shot" "$shots/$1.png"; }
# The main menu opens from the window's top left corner; "О программе" is its first item.
open_about_box() {
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove $((X + 5)) $((Y + 5)) click 1
    sleep 0.5
    xdotool key Down Return
}
# Once the tray host has taken it, the icon is the program's window in trayer's 24 pixels at
# the bottom of the screen.
icon_in_tray() {
    local window
    for window in $(program_windows); do
        eval "$(xdotool getwindowgeometry --shell "$window")"
        [ "$Y" -ge 576 ] || continue
        icon_x=$((X + WIDTH / 2)) icon_y=$((Y + HEIGHT / 2))
        return 0
    done
    return 1
}
# The tray menu: the program's override-redirect window at the bottom of the screen. Its rows:
# Открыть, a separator, Состояние, Автоответ, Настройки, a separator, Выход; 18 pixels high, a
# separator 10, in a frame.
tray_menu_open() {
    local window
    for window in $(program_windows); do
        xwininfo -id "$window" | grep -q "Override Redirect State: yes" || continue
        eval "$(xdotool getwindowgeometry --shell "$window")"
        [ $((Y + HEIGHT)) -ge 500 ] || continue
        menu_x=$X menu_y=$Y menu_width=$WIDTH menu_height=$HEIGHT
        return 0
    done
    return 1
}
choose_auto_reply() {
    local frame=$(((menu_height - 5 * 18 - 2 * 10) / 2))
    xdotool mousemove $((menu_x + menu_width / 2)) $((menu_y + frame + 2 * 18 + 10 + 9))
    sleep 0.3
    xdotool click 1
}
state_is() { "$lyrnet" status | grep -q "state $1"; }

# after WHAT: the dialog outlived WHAT, in front, and the program answers.
after() {
    check "$dialog after $1: still in front" eventually 5 dialog_in_front
    check "  ... and the program answers" answers
}

# The dialog in $dialog is open: everything that shows or hides the main window meanwhile;
# auto-reply is switched ON_OR_OFF from the tray menu, to the STATE lyrnet reports:
#   show_and_hide_under ON_OR_OFF STATE
show_and_hide_under() {
    "$lyrnet" show
    after "lyrnet show"
    xdotool key ctrl+alt+m
    after "the hot key"
    "$lyrnet" send . "Пока открыт $dialog" --from FRIEND
    check "a message for the main window comes in" eventually 5 in_inbox "Пока открыт $dialog"
    after "a message shown in the main window"
    xdotool mousemove "$icon_x" "$icon_y" click 1
    after "a left click on the tray icon"
    check "the main window is on the screen" test -n "$(visible_windows)"
    xdotool mousemove "$icon_x" "$icon_y" click 3
    check "a right click on the tray icon opens the tray menu" eventually 5 tray_menu_open
    choose_auto_reply
    check "  ... whose \"Автоответ\" switches auto-reply $1" eventually 5 state_is "$2"
    after "the tray menu"
    "$lyrnet" hide
    check "lyrnet hide hides the main window" eventually 5 main_hidden
    after "lyrnet hide"
    "$lyrnet" show
    after "lyrnet show again"
    # A click on the main window gives it the focus in a window manager that focuses on click;
    # Escape at once closes the dialog or nothing, never the main window behind it.
    xdotool windowfocus "$(visible_windows)"
    xdotool key Escape
    sleep 1
    check "Escape just after a click on the main window behind $dialog leaves the main window" \
        test -n "$(visible_windows)"
    if ! dialog_closed; then
        check "  ... and $dialog takes the focus back" eventually 5 dialog_in_front
        xdotool key Escape
    fi
    check "Escape reaches $dialog and closes it" eventually 5 dialog_closed
    check "the main window comes back in front" eventually 5 main_in_front
}

# A profile with the hot key Ctrl+Alt+M and the tray icon on.
messenger_start
kill -TERM "$messenger_pid"
check "a first start ends on SIGTERM, writing the settings" messenger_wait_end 10
check "ShortCutKey Ctrl+Alt+M" set_option ShortCutKey dword:0000c04d
check "UseSysIcon on" set_option UseSysIcon dword:00000001

trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --tint 0x202030 >"$work/trayer.log" 2>&1 &
BACKGROUND_PIDS+=($!)
messenger_start
check "the icon is in the tray" eventually 10 icon_in_tray
"$lyrnet" show
check "the main window comes in front" eventually 5 main_in_front

dialog=$about_title
open_about_box
check "the main menu's first item opens the about box" eventually 5 dialog_in_front
"$lyrnet" show
check "picture: the about box over the main window after lyrnet show" shot about-box-after-show
show_and_hide_under on "2 auto-reply"

dialog=$settings_title
xdotool key ctrl+p
check "Ctrl+P in the main window opens the settings dialog" eventually 5 dialog_in_front
show_and_hide_under off "0 active"
kill -TERM "$messenger_pid"
check "SIGTERM ends the program" messenger_wait_end 10

# On a StatusNotifierItem host the host draws the menu and tells the item of a left click.
status_notifier_begin
messenger_start
tray_item_check
"$lyrnet" show
check "the main window comes in front" eventually 5 main_in_front
dialog=$about_title
open_about_box
check "the about box opens" eventually 5 dialog_in_front
"$lyrnet" hide
check "hidden" eventually 5 main_hidden
status_notifier activate "$item" 2>>"$work/host.log"
main_window_shown() { [ -n "$(visible_windows)" ]; }
check "a left click on the item shows the main window" eventually 5 main_window_shown
after "a left click on the item"
status_notifier menu "$item" >"$work/menu" 2>>"$work/host.log"
status_notifier click "$item" "$(awk '$4 == "Автоответ" {print $2}' "$work/menu")" 2>>"$work/host.log"
check "\"Автоответ\" of the exported menu switches auto-reply on" eventually 5 state_is "2 auto-reply"
after "the exported menu"
xdotool key Escape
check "Escape closes the about box" eventually 5 dialog_closed
check "the main window comes back in front" eventually 5 main_in_front
kill -TERM "$messenger_pid"
check "SIGTERM ends the program" messenger_wait_end 10
check "  ... with exit code 0" test "${messenger_code:-}" = 0
desktop_end
