#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader reads of the running messenger over AT-SPI, on an accessibility bus of
# the test's own: every button, pane, list and field of the main window, the settings dialog
# (each page), the message window and the about box has a name; the user list tells each row's
# ticked state, and a click that ticks a row changes it; the settings page buttons can take
# the focus.
#   messenger_accessibility_test.sh LYRMESSENGER LYRNET
set -uo pipefail
messenger=$1
lyrnet=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
tree() { /usr/bin/python3 "$here/accessibility_tree.py" "$@"; }
if ! /usr/bin/python3 -c "import pyatspi" 2>/dev/null; then
    echo "SKIPPED: pyatspi is not installed (python3-pyatspi)"
    exit 77
fi
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || { echo "SKIPPED: at-spi2-core is not installed"; exit 77; }
desktop_begin "$@"
export LYR_NETBIOS_COMPUTER_NAME=DESK
session_bus_begin
# The accessibility bus, found through the session bus; Qt speaks on it without being asked.
"$launcher" --launch-immediately >"$work/at-spi.log" 2>&1 &
BACKGROUND_PIDS+=($!)
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

window_open() { [ -n "$(window_titled "$1")" ]; }
# A window's tree fills in as it is shown: asked again for a few seconds, then each control
# without a name is listed.
all_named() {
    local unnamed
    for _ in $(seq 5); do
        unnamed=$(tree unnamed)
        [ -z "$unnamed" ] && return 0
        sleep 1
    done
    echo "$unnamed" | sed 's/^/    unnamed: /'
    return 1
}
row_is() { tree rows | grep -qxF "$1"; }
lists() { tree rows | grep -q "^$1|"; }
main_window() { visible_windows | head -n1; }
open_main_menu_item() {
    eval "$(xdotool getwindowgeometry --shell "$(main_window)")"
    xdotool mousemove $((X + 5)) $((Y + 5)) click 1
    sleep 0.5
    xdotool key "$@"
}

# WindowType 2: a message comes in a window of its own.
messenger_start
kill -TERM "$messenger_pid"
messenger_wait_end 10
set_option WindowType dword:00000002
messenger_start
check "the program is on the accessibility bus" tree wait 10
"$lyrnet" show
check "the main window shows" wait_for_window 5
[ -n "${A11Y_DUMP:-}" ] && tree dump
check "the user list lists this computer" eventually 10 lists DESK
check "every control of the main window has a name" all_named
check "the user list's row DESK is read unticked" row_is "DESK|checked=0"
read -r x y < <(tree row_point DESK)
xdotool mousemove "$x" "$y" click 1
check "a click ticks DESK, and the tree says so" eventually 5 row_is "DESK|checked=1"
xdotool mousemove "$x" "$y" click 1
check "a second click unticks it" eventually 5 row_is "DESK|checked=0"

xdotool key ctrl+p
check "Ctrl+P opens the settings dialog" eventually 5 window_open "$settings_title"
for page in Настройки Интерфейс Виды Макросы; do
    check "the page button \"$page\" can take the focus" tree focusable "$page"
    tree press "$page"
    check "every control of the page \"$page\" has a name" all_named
done
xdotool key Escape
check "Escape closes it" eventually 5 fails window_open "$settings_title"

open_main_menu_item Down Return
check "the main menu opens the about box" eventually 5 window_open "$about_title"
check "every control of the about box has a name" all_named
xdotool key Escape
check "Escape closes it" eventually 5 fails window_open "$about_title"

"$lyrnet" send . "Письмо в окне" --from ANNA
check "a message comes in the message window" eventually 5 tree has "Письмо в окне"
check "every control of the message window has a name" all_named

kill -TERM "$messenger_pid"
check "SIGTERM ends it" messenger_wait_end 10
desktop_end
