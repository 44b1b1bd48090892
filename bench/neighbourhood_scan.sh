#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# lyrnet scan of a neighbourhood at the browse list's bound: 4,096 computers announced (by the
# test forger) to lyrnet listen, which keeps the list; then the time from asking "lyrnet scan"
# to its last line, beside the same scan of an empty neighbourhood in the same run (the cost of
# starting the program and its NetBIOS service). It is to list them within 1 s. Needs root
# (network namespaces); touches no real network.
# Usage: bench/neighbourhood_scan.sh BUILD-DIR
set -eu
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tests/system/test_hosts.sh"
hosts_available || { echo "needs network namespaces (run as root)"; exit 1; }
lyrnet=$build/src/main/lyrnet
work=$(mktemp -d)
trap 'hosts_destroy; rm -rf "$work"' EXIT
export LYR_NETBIOS_NS_PORT=137 LYR_NETBIOS_DGM_PORT=138
export LYR_NETBIOS_COMPUTER_NAME=PC1 LYR_NETBIOS_WORKGROUP=OFFICE LC_ALL=C.UTF-8
count=4096

# The seconds one scan of host 1 takes; its lines go to $1.
timed_scan() {
    local started
    started=$(date +%s.%N)
    on_host 1 "$lyrnet" scan --wait 0 >"$1" 2>&1
    awk -v from="$started" -v to="$(date +%s.%N)" 'BEGIN { printf "%.3f", to - from }'
}

hosts_create 2
empty=$(timed_scan "$work/empty")

on_host_background 1 "$work/listen" "$lyrnet" listen
listen_pid=${BACKGROUND_PIDS[-1]}
wait_for_line "$work/listen" "receiving on" 10
on_host 2 python3 "$top/tests/system/host_announcement_forger.py" 10.213.1.2 10.213.1.255 \
    "$count" OFFICE >/dev/null
sleep 1
kill -TERM "$listen_pid"
wait "$listen_pid" 2>/dev/null || true

full=$(timed_scan "$work/full")
listed=$(grep -c '^    ' "$work/full" || true)
echo "scan of an empty neighbourhood:   $empty s"
echo "scan of $listed computers:       $full s$(awk -v s="$full" 'BEGIN { print (s <= 1 ? " (within 1 s)" : " (MORE than 1 s)") }')"
awk -v a="$full" -v b="$empty" 'BEGIN { printf "ratio full / empty: %.2f\n", (b > 0 ? a / b : 0) }'
