# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop program on an X display of the test's own: Xvfb with a window manager, the
# user's folders in $work, all inside a network namespace of the test's own. Source
# test_hosts.sh, then this file, then:
#   desktop_begin "$@"        first: skips (77) without Xvfb, xdotool, xprop, openbox or
#                             namespaces; runs the script again in a namespace with loopback
#                             up, makes $work and starts the display (Xvfb's process is
#                             $xvfb_pid)
#   wayland_begin "$@"        instead of desktop_begin: a Wayland compositor (weston, headless)
#                             in place of the X display; skips without weston or Qt's Wayland
#                             platform
#   session_bus_begin         a session bus of the test's own that starts no services: a
#                             notification server on it is only what the test runs
#   status_notifier_begin     a session bus of the test's own with a StatusNotifierWatcher
#                             that has a host (status_notifier.py); skips without dbus-daemon
#                             or python3-dbus; `status_notifier COMMAND...` runs the helper
#   messenger_start           starts $messenger (output to $work/messenger.log) and waits until
#                             it answers `lyrnet status`; its process is $messenger_pid
#   messenger_wait_end SECS   true once it has ended; its exit code is then $messenger_code
#   visible_windows           ids of the visible windows titled "Lyr Messenger"
#   wait_for_window SECS      true once such a window is visible
#   settings_value NAME       a value of the settings file as written there (dword:0000007b)
#   set_option NAME VALUE     changes a dword value there (the program must not run)
#   desktop_end               last: the summary, and the logs when a check failed
# $messenger and $lyrnet name the programs.

# _session_begin TOOL... -- ARGS: skips without the tools; then the namespace, $work and the
# user's folders.
_session_begin() {
    while [ "$1" != -- ]; do
        if ! command -v "$1" >/dev/null; then
            echo "SKIP: $1 is not installed"
            exit 77
        fi
        shift
    done
    shift
    if [ "${LYR_IN_NAMESPACE:-}" != 1 ]; then
        unshare --net true 2>/dev/null || { echo "SKIP: no network namespaces here"; exit 77; }
        exec unshare --net env LYR_IN_NAMESPACE=1 bash "$0" "$@"
    fi
    ip link set lo up
    system_test_begin
    export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
    export LYR_MESSAGE_BOXES=stderr
    unset WAYLAND_DISPLAY DISPLAY SESSION_MANAGER
    # No session bus unless the test starts its own: an address where none listens, so that the
    # D-Bus library does not launch one of the machine's with its notification server.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    settings_file=$XDG_CONFIG_HOME/Zendry/Messenger/1.0.reg
    data_dir="$XDG_DATA_HOME/Zendry/Lyr Messenger/Data"
}

desktop_begin() {
    _session_begin Xvfb xdotool xprop openbox -- "$@"
    export QT_QPA_PLATFORM=xcb

    # Xvfb picks a free display number and writes it to fd 3.
    # -noreset: by default the server starts over when its last client leaves, and a client
    # connecting meanwhile (the window manager after the probe below) is refused.
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$work/display" \
        2>"$work/xvfb.log" &
    xvfb_pid=$!
    BACKGROUND_PIDS+=($xvfb_pid)
    wait_for_line "$work/display" "[0-9]" 10 || { echo "FAIL: Xvfb did not start"; exit 1; }
    export DISPLAY=":$(head -n1 "$work/display")"
    # The window manager starts once the display answers.
    for _ in $(seq 100); do
        xprop -root >/dev/null 2>&1 && break
        sleep 0.1
    done
    xprop -root >/dev/null 2>&1 || { echo "FAIL: the display $DISPLAY does not answer"; cat "$work/xvfb.log"; exit 1; }
    # Showing a window in front and asking which one is there needs a window manager.
    openbox >"$work/wm.log" 2>&1 &
    BACKGROUND_PIDS+=($!)
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
}

wayland_begin() {
    local plugins
    plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
    if ! ls "$plugins"/platforms/libqwayland-*.so >/dev/null 2>&1; then
        echo "SKIP: Qt's Wayland platform (qt6-wayland) is not installed"
        exit 77
    fi
    _session_begin weston weston-screenshooter -- "$@"
    # No panel and a plain background: a picture of the desktop shows the program's windows
    # and nothing that changes by itself.
    printf '[core]\nidle-time=0\n[shell]\npanel-position=none\nbackground-color=0xff203040\n' \
        >"$work/weston.ini"
    # The screenshooter's protocol is there only with --debug.
    weston --backend=headless-backend.so --use-pixman --width=800 --height=600 --debug \
        --config="$work/weston.ini" --socket=lyr-test-wayland >"$work/weston.log" 2>&1 &
    BACKGROUND_PIDS+=($!)
    export WAYLAND_DISPLAY=lyr-test-wayland QT_QPA_PLATFORM=wayland
    for _ in $(seq 100); do
        [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && return 0
        sleep 0.1
    done
    echo "FAIL: weston did not start"
    cat "$work/weston.log"
    exit 1
}

session_bus_begin() {
    if ! command -v dbus-daemon >/dev/null; then
        echo "SKIPPED: dbus-daemon is not installed"
        exit 77
    fi
    cat >"$work/bus.conf" <<EOF
<busconfig>
  <type>session</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=3 3>"$work/bus-address" \
        2>"$work/dbus.log" &
    BACKGROUND_PIDS+=($!)
    wait_for_line "$work/bus-address" "unix:" 10 || { echo "FAIL: dbus-daemon did not start"; exit 1; }
    export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus-address")
}

status_notifier() { /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/status_notifier.py" "$@"; }

status_notifier_begin() {
    if ! command -v dbus-daemon >/dev/null || ! /usr/bin/python3 -c "import dbus, gi" 2>/dev/null; then
        echo "SKIPPED: dbus-daemon or python3-dbus/python3-gi is not installed"
        exit 77
    fi
    dbus-daemon --session --nofork --address="unix:path=$work/bus" >"$work/dbus.log" 2>&1 &
    BACKGROUND_PIDS+=($!)
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
    status_notifier watcher >>"$work/watcher.log" 2>&1 &
    BACKGROUND_PIDS+=($!)
    wait_for_line "$work/watcher.log" "^watcher" 10 || { echo "FAIL: the watcher did not start"; exit 1; }
}

# The messenger's tray item, after status_notifier_begin: tray_item_check waits for it to
# register (a check), then hint prints its tooltip, hint_is TEXT compares the whole of it,
# first_line_is TEXT its first line and hint_names TEXT looks for TEXT in the lines below.
tray_item_check() {
    check "its icon registers with the StatusNotifierWatcher" \
        wait_for_line "$work/watcher.log" "^item " 10
    item=$(sed -n 's/^item //p' "$work/watcher.log" | head -n1)
}
hint() { status_notifier tooltip "$item" 2>>"$work/host.log"; }
hint_is() { [ "$(hint)" = "$1" ]; }
first_line_is() { [ "$(hint | head -n1)" = "$1" ]; }
hint_names() { hint | tail -n +2 | grep -F -- "$1" >/dev/null; }

messenger_start() {
    "$messenger" >"$work/messenger.log" 2>&1 &
    messenger_pid=$!
    BACKGROUND_PIDS+=($messenger_pid)
    for _ in $(seq 100); do
        "$lyrnet" status >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "FAIL: the messenger does not answer; its output:"
    cat "$work/messenger.log"
    exit 1
}

messenger_wait_end() {
    local tries=$(($1 * 10))
    for _ in $(seq "$tries"); do
        kill -0 "$messenger_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$messenger_pid" 2>/dev/null && return 1
    wait "$messenger_pid"
    messenger_code=$?
    # Its number is free now: the cleanup at exit must not stop whoever gets it next.
    local others=() pid
    for pid in "${BACKGROUND_PIDS[@]}"; do
        [ "$pid" != "$messenger_pid" ] && others+=("$pid")
    done
    BACKGROUND_PIDS=("${others[@]}")
}

visible_windows() {
    xdotool search --onlyvisible --name '^Lyr Messenger$' 2>/dev/null
}
# Every window of the program on the screen, and one by its title.
program_windows() { xdotool search --onlyvisible --pid "$messenger_pid" 2>/dev/null; }
window_titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
active_is() { [ -n "$1" ] && [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
settings_title="Настройка Zendry Messenger"
about_title="О программе..."

wait_for_window() {
    local tries=$(($1 * 10))
    for _ in $(seq "$tries"); do
        [ -n "$(visible_windows)" ] && return 0
        sleep 0.1
    done
    return 1
}

settings_value() {
    sed -n "s/^\"$1\"=//p" "$settings_file" | tr -d '\r'
}

set_option() {
    sed -i "s/^\"$1\"=dword:[0-9a-f]*/\"$1\"=$2/" "$settings_file"
    [ "$(settings_value "$1")" = "$2" ]
}

# desktop_end: the result of the checks; on a failure the logs of the test's programs.
desktop_end() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ] && exit 0
    local log
    for log in "$work"/*.log; do
        echo "--- $(basename "$log"):"
        cat "$log"
    done
    exit 1
}
