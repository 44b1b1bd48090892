#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Received messages raise notifications of a real notification server: dunst on Xvfb, on a
# session bus of the test's own. The sender is the summary, the first lines with their markup
# escaped are the body, the icon is the program's; "Ответить" (dunst's context menu) brings
# the main window with the reply to that message in the entry pane, the default action
# ("Открыть") brings the window. With DesktopNotify off there is no notification; without a
# server the message is taken as ever, without a wait. The sounds are heard by a sound server
# of the test's own (PulseAudio with a silent sink): the sound theme's events of a received
# and of a sent message, and of one received after the server started later than the program.
#   messenger_notification_test.sh LYRMESSENGER LYRNET SCREEN_SHOT SHOT_DIR
set -uo pipefail
messenger=$1
lyrnet=$2
screen_shot=$3
shots=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
for tool in dunst dunstctl dbus-daemon dbus-monitor xclip; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (scripts/install_test_peers.sh installs it)"
        exit 77
    fi
done
desktop_begin "$@"
export LYR_NETBIOS_COMPUTER_NAME=DESK

set_option() { sed -i "s/^\"$1\"=dword:[0-9a-f]*/\"$1\"=$2/" "$settings_file"; }
displayed() { [ "$(dunstctl count displayed 2>/dev/null)" = "$1" ]; }
main_visible() { [ -n "$(visible_windows)" ]; }
main_hidden() { [ -z "$(visible_windows)" ]; }
in_inbox() { "$lyrnet" history --data-dir "$data_dir" --json | grep -F "$1" >/dev/null; }
# What the entry pane holds, through the clipboard (Ctrl+A, Ctrl+C in the focused pane).
entry_pane_is() {
    xdotool key ctrl+a ctrl+c
    sleep 0.3
    [ "$(xclip -o -selection clipboard 2>/dev/null | tr -d '\r')" = "$1" ]
}
# The icon and the actions offered in the notifications so far.
icon_and_actions() {
    grep -c -e 'string "lyrmessenger"' -e 'string "Открыть"' -e 'string "Ответить"' \
        "$work/notify-calls.log"
}
history_has() { dunstctl history | grep -F -- "$1" >/dev/null; }

# A bus with no services to start: the notification server is only what the test runs.
session_bus_begin
dbus-monitor "interface=org.freedesktop.Notifications,member=Notify" >"$work/notify-calls.log" 2>&1 &
BACKGROUND_PIDS+=($!)

# dunst's context menu asks its dmenu for the line to take: the reply to ANNA's message.
cat >"$work/pick" <<EOF
#!/bin/sh
tee "$work/menu.txt" | grep -m1 'Ответить (ANNA)'
EOF
chmod +x "$work/pick"
cat >"$work/dunstrc" <<EOF
[global]
    markup = full
    dmenu = $work/pick
[urgency_normal]
    timeout = 0
EOF
start_dunst() {
    dunst -config "$work/dunstrc" >>"$work/dunst.log" 2>&1 &
    dunst_pid=$!
    BACKGROUND_PIDS+=($dunst_pid)
    eventually 10 displayed 0
}
check "dunst serves the notifications of the test's bus" start_dunst

# The sound server, when there is one: the event of every sound played goes to sounds.log.
if command -v pulseaudio >/dev/null && command -v pactl >/dev/null &&
    [ -n "$(find /usr/lib -path '*libcanberra-*/libcanberra-pulse.so' 2>/dev/null)" ] &&
    [ -e /usr/share/sounds/freedesktop/stereo/message-new-instant.oga ]; then
    export PULSE_SERVER=unix:$work/pulse
    start_pulseaudio() {
        HOME=$work pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
            -L module-null-sink -L "module-native-protocol-unix socket=$work/pulse auth-anonymous=1" \
            >>"$work/pulseaudio.log" 2>&1 &
        pulseaudio_pid=$!
        BACKGROUND_PIDS+=($pulseaudio_pid)
        eventually 10 timeout -s KILL 2 pactl info >/dev/null 2>&1
    }
    start_pulseaudio
    # A sound plays on the silent sink as long as on a real one: each is seen while it plays.
    # A pactl whose server goes away mid-call can spin on a CPU for ever, past this test's own
    # end when the test is killed: each call gets two seconds.
    while :; do
        timeout -s KILL 2 pactl list sink-inputs 2>/dev/null | sed -n 's/^[[:space:]]*event.id = "\(.*\)"$/\1/p'
        sleep 0.05
    done >>"$work/sounds.log" &
    BACKGROUND_PIDS+=($!)
    sounds=1
else
    echo "SKIPPED: the sounds: pulseaudio, pulseaudio-utils, libcanberra-pulse or sound-theme-freedesktop is missing"
    sounds=
fi
heard() { grep -qx "$1" "$work/sounds.log"; }

# A start in the tray without a tray icon: nothing on the screen but what the notification
# brings; WindowType 3 shows a message in no window.
# A first start hides in the tray (MinOnStart) and says so once.
messenger_start
check "a first start in the tray says where the program is" eventually 10 displayed 1
check "  ... in the notification area" grep -qF "области уведомлений" \
    "$work/notify-calls.log"
kill -TERM "$messenger_pid"
check "a first start ends on SIGTERM" messenger_wait_end 10
dunstctl close-all
set_option MinOnStart dword:00000001
set_option UseSysIcon dword:00000000
set_option WindowType dword:00000003
check "DesktopNotify is on by default" test "$(settings_value DesktopNotify)" = dword:00000001
messenger_start
sleep 1
check "the program starts with no window on show" main_hidden
check "  ... and, started before, says nothing of where it is" displayed 0

before=$(icon_and_actions)
"$lyrnet" send . $'Первое <b>письмо</b> & ещё\r\nвторая строка\r\nтретья\r\nчетвёртая' --from ANNA
"$lyrnet" send . "Второе письмо" --from BORIS
check "each message raises a notification" eventually 10 displayed 2
check "the program's icon and the actions \"Открыть\" and \"Ответить\"" \
    test "$(icon_and_actions)" = $((before + 8))
check "no window shows the messages" main_hidden
[ -z "$sounds" ] || check "a received message sounds the theme's message-new-instant" \
    eventually 5 heard message-new-instant

dunstctl context
check "\"Ответить\" on ANNA's notification brings the main window" eventually 5 main_visible
check "  ... with the reply to ANNA's message in the entry pane" eventually 3 entry_pane_is \
    $'>Первое <b>письмо</b> & ещё\n>вторая строка\n>третья\n>четвёртая'
check "picture: the main window after \"Ответить\"" bash -c "mkdir -p '$shots' && '$screen_shot' '$shots/notification-reply.png'"
"$lyrnet" hide
check "hidden again" eventually 5 main_hidden
dunstctl action 0
check "the default action (\"Открыть\") brings the main window" eventually 5 main_visible
"$lyrnet" hide

dunstctl close-all
check "the summary is the sender" history_has '"data" : "ANNA"'
check "the body is the first three lines, markup escaped" \
    history_has '"data" : "Первое &lt;b&gt;письмо&lt;/b&gt; &amp; ещё\nвторая строка\nтретья…"'
check "  ... and BORIS's message is the other notification" history_has '"data" : "Второе письмо"'

kill -TERM "$messenger_pid"
check "SIGTERM ends it" messenger_wait_end 10
set_option DesktopNotify dword:00000000
messenger_start
"$lyrnet" send . "Без уведомления" --from ANNA
check "DesktopNotify off: the message is stored" eventually 5 in_inbox "Без уведомления"
sleep 1
check "  ... and raises no notification" displayed 0
kill -TERM "$messenger_pid"
messenger_wait_end 10
set_option DesktopNotify dword:00000001

# An automatic answer with SendBeep on, to a message of this computer's own: the sent
# message's sound.
set_option SendBeep dword:00000001
set_option AutoReply dword:00000001
messenger_start
"$lyrnet" send . "Ответь себе" --from DESK
check "the automatic answer reaches DESK, this computer" eventually 5 in_inbox '>Ответь себе'
[ -z "$sounds" ] || check "  ... sounding the theme's message-sent-instant" \
    eventually 5 heard message-sent-instant
kill -TERM "$messenger_pid"
check "SIGTERM ends it" messenger_wait_end 10
set_option AutoReply dword:00000000
dunstctl close-all

kill "$dunst_pid"
eventually 5 bash -c "! kill -0 $dunst_pid 2>/dev/null"
messenger_start
started=$(date +%s%N)
"$lyrnet" send . "Никто не слушает" --from ANNA
check "no notification server: the message is stored" eventually 5 in_inbox "Никто не слушает"
check "  ... and the program answers at once" timeout 1 "$lyrnet" status
check "  ... within a second of the send" test $((($(date +%s%N) - started) / 1000000)) -lt 1500
kill -TERM "$messenger_pid"
check "SIGTERM ends it" messenger_wait_end 10

# No sound server at the first sound: the program does not look for one at every sound (each
# look loads the sound drivers anew), but a server that starts later is heard within a minute.
if [ -n "$sounds" ]; then
    kill "$pulseaudio_pid"
    eventually 5 bash -c "! kill -0 $pulseaudio_pid 2>/dev/null"
    messenger_start
    "$lyrnet" send . "Без звука" --from ANNA
    check "no sound server: the message is stored" eventually 5 in_inbox "Без звука"
    start_pulseaudio
    : >"$work/sounds.log"
    # The program looks again 30 s after its last look, which ended when the first sound did:
    # on a loaded machine that may be some seconds after the message was stored.
    heard_within_a_minute() {
        local deadline=$((SECONDS + 60))
        while [ "$SECONDS" -lt "$deadline" ]; do
            "$lyrnet" send . "Со звуком" --from ANNA
            eventually 5 heard message-new-instant && return 0
        done
        return 1
    }
    check "  ... a sound server started after it is heard from a later message" \
        heard_within_a_minute
    kill -TERM "$messenger_pid"
    check "SIGTERM ends it" messenger_wait_end 10
fi
desktop_end
