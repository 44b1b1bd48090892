#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The messenger as a Wayland client of a real compositor (weston, headless), with a
# StatusNotifierItem tray on a session bus of the test's own: its window on the compositor's
# screen, hidden and shown again, the hot key through a desktop portal's global shortcut
# (a portal of the test's own), the settings dialog opened from the tray menu, a message
# received, stored and shown in the message window, and a clean end on SIGTERM. What the program asks of the compositor is
# read from the Wayland protocol log of its client side; pictures of the screen go to SHOT_DIR.
#   messenger_wayland_test.sh LYRMESSENGER LYRNET SHOT_DIR
set -uo pipefail
messenger=$1
lyrnet=$2
shots=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
wayland_begin "$@"
status_notifier_begin

# shot NAME: a picture of the compositor's screen as $work/NAME.png.
shot() {
    rm -rf "$work/shooting" && mkdir "$work/shooting" &&
        (cd "$work/shooting" && timeout 10 weston-screenshooter >/dev/null 2>&1) &&
        mv "$work"/shooting/*.png "$work/$1.png"
}
# titled TITLE: how many top-level windows of that title the program has put on the screen.
titled() { grep -c "xdg_toplevel@[0-9]*\.set_title(\"$1\")" "$work/messenger.log"; }
more_titled() { [ "$(titled "$1")" -gt "$2" ]; }
screen_is() { shot now && cmp -s "$work/now.png" "$work/$1.png"; }
screen_differs() { shot now && ! cmp -s "$work/now.png" "$work/$1.png"; }
in_inbox() { "$lyrnet" history --data-dir "$data_dir" --json | grep -F "$1" >/dev/null; }

/usr/bin/python3 "$here/desktop_portal.py" >>"$work/portal.log" 2>&1 &
portal_pid=$!
BACKGROUND_PIDS+=($portal_pid)
wait_for_line "$work/portal.log" "^portal" 10 || { echo "FAIL: the portal did not start"; exit 1; }

# The desktop as it stays once the shell has drawn it: two pictures in a row alike.
settled_desktop() { shot empty && sleep 0.3 && screen_is empty; }
check "picture: the empty desktop" eventually 10 settled_desktop
messenger_start
kill -TERM "$messenger_pid"
check "a first start ends on SIGTERM, writing the settings" messenger_wait_end 10
check "ShortCutKey Ctrl+Alt+M" set_option ShortCutKey dword:0000c04d
check "WindowType 2, the message window" set_option WindowType dword:00000002
: >"$work/portal.log"
: >"$work/watcher.log"
# The program's side of the protocol goes to its log: what it asks of the compositor. It
# starts in the tray; lyrnet show brings the window.
WAYLAND_DEBUG=client messenger_start
"$lyrnet" show
check "lyrnet show puts the main window on the screen as a top-level window" \
    eventually 10 more_titled "Lyr Messenger" 0
check "  ... through the compositor's window manager" \
    grep -q "wl_registry@[0-9]*\.bind([0-9]*, \"xdg_wm_base\"" "$work/messenger.log"
check "  ... and it shows on the compositor's screen" eventually 10 screen_differs empty
check "picture: the main window" shot main-window
"$lyrnet" hide
check "hidden, the screen is empty again" eventually 10 screen_is empty

check "the hot key Ctrl+Alt+M is proposed to the portal as a global shortcut" \
    wait_for_line "$work/portal.log" "^bound show CTRL+ALT+m$" 10
shown=$(titled "Lyr Messenger")
kill -USR1 "$portal_pid"
check "the desktop's shortcut brings the hidden window back" \
    eventually 10 more_titled "Lyr Messenger" "$shown"
check "  ... on the screen" eventually 10 screen_differs empty

check "the tray icon registers with the StatusNotifierWatcher" wait_for_line "$work/watcher.log" "^item " 10
item=$(sed -n 's/^item //p' "$work/watcher.log" | head -n1)
status_notifier menu "$item" >"$work/menu" 2>>"$work/host.log"
settings=$(grep -E "^0 [0-9]+ standard Настройки " "$work/menu" | cut -d' ' -f2)
check "its exported menu has Настройки" test -n "$settings"
status_notifier click "$item" "${settings:-0}"
check "Настройки opens the settings dialog as a window of its own" \
    eventually 10 more_titled "Настройка Zendry Messenger" 0
sleep 0.5
check "picture: the settings dialog" shot settings-dialog

windows=$(titled "Lyr Messenger")
"$lyrnet" send . "Сообщение на Wayland" --from FRIEND
check "a message sent to it is received and stored" eventually 10 in_inbox "Сообщение на Wayland"
check "  ... and comes up in the message window" eventually 10 more_titled "Lyr Messenger" "$windows"
sleep 0.5
check "picture: the message window" shot message-window

kill -TERM "$messenger_pid"
check "SIGTERM ends it" messenger_wait_end 10
check "  ... with exit code 0" test "${messenger_code:-}" = 0
check "  ... the message still stored" in_inbox "Сообщение на Wayland"
mkdir -p "$shots" && cp "$work"/main-window.png "$work"/settings-dialog.png "$work"/message-window.png "$shots/" 2>/dev/null
desktop_end
