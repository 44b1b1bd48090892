#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The messenger as a person uses it, at random: on an X display of its own with openbox, a tray
# host (trayer) and a notification server (dunst) on a session bus of its own, the messenger as
# PC1 on test host 1 and ANNA on test host 2, which sends it messages and takes its answers.
# exerciser.py draws the steps from the seed and checks after each; a failure prints the seed
# and the steps, and the same seed replays them.
#   exerciser.sh [--seed N] [--minutes M | --seconds S] [--steps N] [--leave-out ACTION,...]
#                [LYRMESSENGER LYRNET]
# It stops after the time or the steps, whichever come first; --leave-out draws no steps of the
# named actions (exerciser.py's), for runs beside a fault already known. Without programs it
# runs those of build/ in the source tree.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arguments=("$@")
seed=$((RANDOM * 32768 + RANDOM))
seconds=60
options=()
programs=()
while [ $# -gt 0 ]; do
    case $1 in
        --seed) seed=$2; shift 2 ;;
        --minutes) seconds=$(($2 * 60)); shift 2 ;;
        --seconds) seconds=$2; shift 2 ;;
        --steps | --leave-out) options+=("$1" "$2"); shift 2 ;;
        *) programs+=("$1"); shift ;;
    esac
done
messenger=${programs[0]:-$here/../../build/src/main/lyrmessenger}
lyrnet=${programs[1]:-$here/../../build/src/main/lyrnet}
messenger=$(realpath "$messenger")
lyrnet=$(realpath "$lyrnet")
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
for tool in trayer dunst dbus-daemon; do
    command -v $tool >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
desktop_begin "${arguments[@]}"
replay="$0 --seed $seed --seconds $seconds ${options[*]}"
echo "seed $seed, at most $seconds s ${options[*]} (replay: $replay)"

session_bus_begin
dunst >"$work/dunst.log" 2>&1 &
BACKGROUND_PIDS+=($!)
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
    --transparent false --tint 0x202030 >"$work/trayer.log" 2>&1 &
BACKGROUND_PIDS+=($!)

hosts_create 2
export LYR_NETBIOS_WORKGROUP=OFFICE
start_pc1() {
    on_host_background 1 "$work/messenger.log" env LYR_NETBIOS_COMPUTER_NAME=PC1 "$messenger"
    messenger_pid=${BACKGROUND_PIDS[-1]}
    eventually 20 "$lyrnet" status >/dev/null 2>&1
}
# A profile with the hot key Ctrl+Alt+M and the tray icon; messages shown in the main window or,
# as the seed has it, in a message window of their own.
check "the messenger starts on PC1" start_pc1
kill -TERM "$messenger_pid"
check "  ... and ends on SIGTERM, writing its settings" messenger_wait_end 10
check "ShortCutKey Ctrl+Alt+M" set_option ShortCutKey dword:0000c04d
check "UseSysIcon on" set_option UseSysIcon dword:00000001
check "WindowType $((seed % 2 + 1))" set_option WindowType dword:0000000$((seed % 2 + 1))

# ANNA takes PC1's messages and answers, and sends hers with a command of the test's own.
anna=(env LYR_NETBIOS_COMPUTER_NAME=ANNA XDG_RUNTIME_DIR="$work/anna" XDG_DATA_HOME="$work/anna"
    XDG_CONFIG_HOME="$work/anna" "$lyrnet")
mkdir -m 700 "$work/anna"
on_host_background 2 "$work/anna.log" "${anna[@]}" listen
printf 'exec nsenter --net=/proc/%s/ns/net -- %s send PC1 "$1" --from ANNA\n' \
    "${HOST_PIDS[2]}" "${anna[*]@Q}" >"$work/send"

check "the messenger starts again" start_pc1
LYRNET=$lyrnet MESSENGER_PID=$messenger_pid SETTINGS_FILE=$settings_file DATA_DIR=$data_dir \
    SEND="bash $work/send" /usr/bin/python3 "$here/exerciser.py" --seed "$seed" \
    --seconds "$seconds" "${options[@]}"
check "the exerciser found no fault (seed $seed)" test $? = 0
desktop_end
