# The desktop program on an X display of the test's own: Xvfb with a window manager, the
# user's folders in $work, all inside a network namespace of the test's own. Source
# test_hosts.sh, then this file, then:
#   desktop_begin "$@"        first: skips (77) without Xvfb, xdotool, xprop, openbox or
#                             namespaces; runs the script again in a namespace with loopback
#                             up, makes $work and starts the display
#   messenger_start           starts $messenger (output to $work/messenger.log) and waits until
#                             it answers `lyrnet status`; its process is $messenger_pid
#   messenger_wait_end SECS   true once it has ended; its exit code is then $messenger_code
#   visible_windows           ids of the visible windows titled "Lyr Messenger"
#   wait_for_window SECS      true once such a window is visible
#   settings_value NAME       a value of the settings file as written there (dword:0000007b)
#   desktop_end               last: the summary, and the logs when a check failed
# $messenger and $lyrnet name the programs.

desktop_begin() {
    local tool
    for tool in Xvfb xdotool xprop openbox; do
        if ! command -v "$tool" >/dev/null; then
            echo "SKIP: $tool is not installed"
            exit 77
        fi
    done
    if [ "${LYR_IN_NAMESPACE:-}" != 1 ]; then
        unshare --net true 2>/dev/null || { echo "SKIP: no network namespaces here"; exit 77; }
        exec unshare --net env LYR_IN_NAMESPACE=1 bash "$0" "$@"
    fi
    ip link set lo up
    system_test_begin
    export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
    export QT_QPA_PLATFORM=xcb LYR_MESSAGE_BOXES=stderr
    unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY SESSION_MANAGER
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    settings_file=$XDG_CONFIG_HOME/Zendry/Messenger/1.0.reg
    data_dir="$XDG_DATA_HOME/Zendry/Lyr Messenger/Data"

    # Xvfb picks a free display number and writes it to fd 3.
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    BACKGROUND_PIDS+=($!)
    wait_for_line "$work/display" "[0-9]" 10 || { echo "FAIL: Xvfb did not start"; exit 1; }
    export DISPLAY=":$(head -n1 "$work/display")"
    # Showing a window in front and asking which one is there needs a window manager.
    openbox >"$work/wm.log" 2>&1 &
    BACKGROUND_PIDS+=($!)
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
}

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
