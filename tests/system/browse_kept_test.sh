#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The browse list outlives a run: what lyrnet listen heard is listed by the next scan at once,
# aged by the time between, so that a computer whose three announcement periods have passed
# meanwhile is not.
# Usage: browse_kept_test.sh PATH-TO-lyr_netbios_host PATH-TO-lyrnet
set -u
host_program=$1
lyrnet=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"

system_test_begin

export LYR_NETBIOS_NS_PORT=${LYR_TEST_NS_PORT:-137} LYR_NETBIOS_DGM_PORT=${LYR_TEST_DGM_PORT:-138}
export LYR_NETBIOS_COMPUTER_NAME=PC1 LYR_NETBIOS_WORKGROUP=OFFICE LC_ALL=C.UTF-8

# $1 host, $2 name, $3 workgroup, $4 seconds between announcements. Sets browser_pid.
browser() {
    on_host_background "$1" "$work/$2" env LYR_NETBIOS_COMPUTER_NAME="$2" \
        LYR_NETBIOS_WORKGROUP="$3" "$host_program" browse --seconds 120 --announce-every "$4"
    browser_pid=${BACKGROUND_PIDS[-1]}
    wait_for_line "$work/$2" ready 10
}

hosts_create 3
kept="$work/.host1-cache/Zendry/Messenger/browse-list"

on_host_background 1 "$work/listen" "$lyrnet" listen
listen_pid=${BACKGROUND_PIDS[-1]}
check "lyrnet listen runs on PC1" wait_for_line "$work/listen" "receiving on" 10

# PC2 lives for half an hour after an announcement, PC3 for three seconds.
check "PC2 runs in OFFICE, announcing every 10 minutes" browser 2 PC2 OFFICE 600
pc2_pid=$browser_pid
check "PC3 runs in SALES, announcing every second" browser 3 PC3 SALES 1
pc3_pid=$browser_pid
sleep 2
kill -TERM "$listen_pid"
wait "$listen_pid" 2>/dev/null
check "lyrnet listen kept what it heard" \
    bash -c "grep -q '^computer	OFFICE	PC2	' '$kept' && grep -q '^computer	SALES	PC3	' '$kept'"
cat "$kept"

# Both vanish without a word; PC3's three seconds pass.
kill -KILL "$pc2_pid" "$pc3_pid"
sleep 4
started=$(date +%s.%N)
on_host 1 "$lyrnet" scan --wait 0 >"$work/scan" 2>&1
took=$(seconds_since "$started")
cat "$work/scan"
check "the next scan lists PC2, heard in the run before, and not PC3, expired since" \
    diff <(printf 'OFFICE\n    PC1\n    PC2\n') "$work/scan"
check "  ... at once (took $took s)" awk -v took="$took" 'BEGIN { exit !(took < 2) }'

printf 'lyr browse list 1\nwritten\t1\ncomputer\tOFFICE\tPC2\t00001003\t10.213.1.2\t60000\t0\t\n' \
    >"$kept"
on_host 1 "$lyrnet" scan --wait 0 >"$work/scan.old" 2>&1
check "a list kept long ago lists nobody" diff <(printf 'OFFICE\n    PC1\n') "$work/scan.old"

# A kept list is text anyone may edit, so its names may be of any length; the network has none
# longer than 15 characters, and neither has the scan.
long_name=$(printf 'C%.0s' {1..300})
printf 'lyr browse list 1\nwritten\t%s\ncomputer\t%s\t%s\t00001003\t10.213.1.2\t600000\t0\t\n' \
    "$(date +%s)" SALES "$long_name" >"$kept"
printf 'computer\tOFFICE\t%s\t00001003\t10.213.1.2\t600000\t0\t\n' FIFTEEN-LETTERS \
    SIXTEEN-LETTERS1 >>"$kept"
on_host 1 "$lyrnet" scan --wait 0 >"$work/scan.long" 2>&1
check "names longer than NetBIOS names are not listed, names of 15 characters are" \
    diff <(printf 'OFFICE\n    FIFTEEN-LETTERS\n    PC1\n') "$work/scan.long"

hosts_destroy
check "no sanitizer report from the test hosts" bash -c "! grep -l -i sanitizer '$work'/*"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
