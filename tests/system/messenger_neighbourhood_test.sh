#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# lyrnet names and lyrnet scan beside a running messenger, which holds the NetBIOS ports: they
# ask the messenger over its instance socket and print what it holds and hears; once it has
# ended they use the ports themselves again.
#   messenger_neighbourhood_test.sh LYRMESSENGER LYRNET LYR_NETBIOS_HOST
set -uo pipefail
messenger=$1
lyrnet=$2
host_program=$3
. "$(dirname "$0")/test_hosts.sh"
system_test_begin
hosts_create 3
. "$(dirname "$0")/messenger_on_host.sh"

# BOB of the same workgroup answers announcement requests within a second.
on_host_background 3 "$work/bob" env LYR_NETBIOS_COMPUTER_NAME=BOB \
    "$host_program" browse --seconds 120 --announce-every 600 --answer-within 1
check "BOB runs in OFFICE" wait_for_line "$work/bob" ready 10
# A computer kept from an earlier run, which no longer answers: the messenger's list has it.
mkdir -p "$work/.host1-cache/Zendry/Messenger"
printf 'lyr browse list 1\nwritten\t%s\ncomputer\tOFFICE\t%s\t00001003\t10.213.1.9\t600000\t0\t\n' \
    "$(date +%s)" KEPT-FIFTEEN-PC >"$work/.host1-cache/Zendry/Messenger/browse-list"
check "the messenger runs as PC1 and holds the ports" start_messenger
on_host 1 "$lyrnet" names >"$work/names" 2>&1
code=$?
check "lyrnet names beside it succeeds (exit $code)" test $code = 0
check "  ... and lists the messenger's names as registered" \
    grep -Eq '^PC1<03> +unique +registered$' "$work/names"
check "  ... its workgroup too" grep -Eq '^OFFICE<00> +group +registered$' "$work/names"
on_host 1 "$lyrnet" scan --wait 3 >"$work/scan" 2>&1
code=$?
check "lyrnet scan beside it succeeds (exit $code)" test $code = 0
check "  ... and lists what the messenger hears: OFFICE with BOB and PC1" \
    bash -c "grep -xq OFFICE '$work/scan' && grep -xq '    BOB' '$work/scan' && grep -xq '    PC1' '$work/scan'"
check "  ... and the kept computer" grep -xq "    KEPT-FIFTEEN-PC" "$work/scan"
on_host 1 "$lyrnet" scan --wait 1 --json >"$work/scan.json" 2>&1
check "  ... as JSON too" grep -q '{"kind":"computer","name":"BOB","group":"OFFICE"}' "$work/scan.json"
stop_messenger
on_host 1 env LYR_NETBIOS_COMPUTER_NAME=PC1 "$lyrnet" names >"$work/names-alone" 2>&1
check "with the messenger gone, lyrnet names holds the ports itself" \
    grep -Eq '^PC1<03> +unique +registered$' "$work/names-alone"
[ "$failed" = 0 ] || { cat "$work/names" "$work/scan" "$work/scan.json" "$work/names-alone" "$work/messenger.log"; }
echo "passed $passed, failed $failed"
[ "$failed" = 0 ]
