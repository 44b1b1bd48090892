#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The suite must never reach the machine's real network: every test needs a network namespace
# of its own with nothing but loopback in it (scripts/test.sh makes one with unshare --net).
others=$(ip -o link show up 2>/dev/null | awk -F': ' '{print $2}' | sed 's/@.*//' | grep -v '^lo$')
if [ -n "$others" ]; then
    echo "network interfaces other than loopback are up here: $others" >&2
    echo "run the tests through scripts/test.sh, or inside 'unshare --net' with only lo up" >&2
    exit 1
fi
exit 0
