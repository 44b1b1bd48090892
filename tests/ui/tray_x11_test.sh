#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tray icon, its menu, the hot key and the message window on a real X11 display: Xvfb
# with a window manager, the tray host coming after the program. Skipped (77) when Xvfb,
# trayer, xdotool or a window manager is missing. Usage: tray_x11_test.sh TRAY_DEMO SHOT_DIR
set -euo pipefail
demo=$1
shots=$2
for tool in Xvfb trayer xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done
# Bringing a window to the front and asking which one is there needs a window manager.
wm=$(command -v openbox || command -v fluxbox || true)
if [ -z "$wm" ]; then
    echo "skipped: no window manager (openbox or fluxbox) is installed"
    exit 77
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    echo "--- demo output"
    cat "$work/out" || true
    echo "--- demo errors"
    cat "$work/err" || true
    exit 1
}

# wait_for PATTERN [COUNT]: until the demo has said PATTERN (a whole-line extended regex)
# COUNT times.
wait_for() {
    local pattern=$1 count=${2:-1}
    for _ in $(seq 100); do
        if [ "$(grep -cEx -- "$pattern" "$work/out" || true)" -ge "$count" ]; then
            return 0
        fi
        sleep 0.1
    done
    fail "the demo never said '$pattern' ($count times)"
}

said() { grep -cEx -- "$1" "$work/out" || true; }

# wait_active NAME [NOT_ID]: until the window in front is called NAME (and is not the window
# NOT_ID); the window manager activates a window a moment after it is mapped.
wait_active() {
    local active
    for _ in $(seq 50); do
        active=$(xdotool getactivewindow 2>/dev/null || true)
        if [ -n "$active" ] && [ "$active" != "${2:-}" ] &&
            [ "$(xdotool getwindowname "$active" 2>/dev/null)" = "$1" ]; then
            return 0
        fi
        sleep 0.1
    done
    fail "the window in front is '$(xdotool getactivewindow getwindowname 2>/dev/null)', not '$1'"
}

# A display of our own; Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

"$wm" >"$work/wm.log" 2>&1 &
pids+=($!)

mkfifo "$work/in"
exec 4<>"$work/in"
"$demo" "$work" 0xC04D <&4 >"$work/out" 2>"$work/err" &
demo_pid=$!
pids+=($demo_pid)
wait_for "ready hotkey-available=1 registered=1"

# The tray host comes after the program: the icon must appear in it.
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --tint 0x202030 >"$work/trayer.log" 2>&1 &
trayer_pid=$!
pids+=($trayer_pid)
wait_for "tray-host-appeared"
# The icon's window starts elsewhere and may stop on its way; it is in the tray once it lies in
# the tray host's band at the bottom of the 600-pixel screen (24 pixels high).
in_tray="tray-geometry [1-9][0-9]* 5[7-9][0-9] [0-9]+ [0-9]+"
wait_for "$in_tray"
read -r _ x y w h < <(grep -Ex "$in_tray" "$work/out" | tail -n1)
icon_x=$((x + w / 2))
icon_y=$((y + h / 2))

# A right click opens the owner-drawn tray menu at the cursor.
xdotool mousemove "$icon_x" "$icon_y" click 3
wait_for "tray-menu-shown"
wait_for "menu-item N3 [0-9]+ [0-9]+"
wait_for "tray-menu-saved"
[ -s "$work/tray-menu.png" ] || fail "no picture of the tray menu"
xdotool key Escape

# The hot key brings the hidden window to the front, whatever the lock keys say.
echo hide >&4
wait_for "hidden"
xdotool key ctrl+alt+m
wait_for "hotkey 8467"
wait_for "window-active"
wait_active "Lyr Messenger"
main_window=$(xdotool getactivewindow)
echo hide >&4
wait_for "hidden" 2
xdotool key Caps_Lock ctrl+alt+m Caps_Lock
wait_for "hotkey 8467" 2
xdotool key Num_Lock ctrl+alt+m Num_Lock
wait_for "hotkey 8467" 3
# Another combination is not the hot key.
xdotool key ctrl+alt+n ctrl+m
sleep 0.5
[ "$(said "hotkey 8467")" -eq 3 ] || fail "a combination that is not the hot key fired it"

# No hot key with code 0, the old one released; a new one works at once.
echo "hotkey 0" >&4
wait_for "hotkey-updated registered=0"
xdotool key ctrl+alt+m
echo "hotkey 0x8074" >&4
wait_for "hotkey-updated registered=1"
xdotool key alt+F5
wait_for "hotkey 8467" 4
sleep 0.5
[ "$(said "hotkey 8467")" -eq 4 ] || fail "a released hot key still fired"
# A bare key would be taken from every program: it is not grabbed, and Enter stays theirs.
echo "hotkey 0x0D" >&4
wait_for "hotkey-updated registered=0" 2
xdotool key Return
sleep 0.5
[ "$(said "hotkey 8467")" -eq 4 ] || fail "a bare Enter became the hot key"
echo "hotkey 0x8074" >&4
wait_for "hotkey-updated registered=1" 2
# A combination that another program holds is silently not ours.
"$demo" "$work/second" 0x8074 </dev/null >"$work/second.out" 2>&1 &
second_pid=$!
pids+=($second_pid)
for _ in $(seq 100); do
    grep -q "^ready" "$work/second.out" && break
    sleep 0.1
done
grep -qx "ready hotkey-available=1 registered=0" "$work/second.out" ||
    fail "a second program got a hot key that is taken: $(cat "$work/second.out")"
kill "$second_pid"
wait "$second_pid" 2>/dev/null || true
echo "hotkey 0xC04D" >&4
wait_for "hotkey-updated registered=1" 3

# A left click reports TrayIconClick; a double click runs "Открыть".
xdotool mousemove "$icon_x" "$icon_y" click 1
wait_for "tray-click"
sleep 0.6
xdotool click --repeat 2 --delay 80 1
wait_for "N1Click"

# The message window comes up in front and Esc closes it with result 1.
echo message >&4
wait_for "message-shown"
wait_active "Lyr Messenger" "$main_window"
xdotool key Escape
wait_for "message-closed 1"

# A tray host that restarts gets the icon again.
kill "$trayer_pid"
wait "$trayer_pid" 2>/dev/null || true
trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --tint 0x202030 >>"$work/trayer.log" 2>&1 &
pids+=($!)
wait_for "tray-host-appeared" 2
wait_for "tray-geometry [1-9][0-9]* [0-9] [0-9]+ [0-9]+"
read -r _ x y w h < <(grep -Ex "tray-geometry [1-9][0-9]* [0-9] [0-9]+ [0-9]+" "$work/out" | tail -n1)

# "Выход" in the tray menu ends the program.
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 3
wait_for "tray-menu-shown" 2
read -r _ _ item_x item_y < <(grep -Ex "menu-item N3 .*" "$work/out" | tail -n1)
xdotool mousemove "$item_x" "$item_y"
wait_for "menu-hovered N3"
xdotool click 1
wait_for "N3Click"
for _ in $(seq 50); do
    kill -0 "$demo_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$demo_pid" 2>/dev/null; then
    fail "the demo still runs after Выход"
fi
wait "$demo_pid" || fail "the demo ended with an error"

# Its hot key went with it: another program can take the combination now.
"$demo" "$work/third" 0xC04D </dev/null >"$work/third.out" 2>&1 &
third_pid=$!
pids+=($third_pid)
for _ in $(seq 100); do
    grep -q "^ready" "$work/third.out" && break
    sleep 0.1
done
grep -qx "ready hotkey-available=1 registered=1" "$work/third.out" ||
    fail "the hot key was not released at exit: $(cat "$work/third.out")"

mkdir -p "$shots"
cp "$work/tray-menu.png" "$work/message-window.png" "$shots/"
echo "tray, menus, hot key and message window work; pictures in $shots"
