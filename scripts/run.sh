#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the programs and starts the messenger, first granting the freshly built programs the
# capability to bind the NetBIOS ports (below 1024) when they lack it: a link drops it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
bin=$top/build/src/main

grant=()
for program in "$bin/lyrmessenger" "$bin/lyrnet"; do
    [ -x "$program" ] || continue
    if ! command -v getcap >/dev/null || ! getcap "$program" | grep -q cap_net_bind_service; then
        grant+=(cap_net_bind_service=+ep "$program")
    fi
done
if [ ${#grant[@]} -gt 0 ]; then
    command="sudo setcap$(printf ' %q' "${grant[@]}")"
    if ! command -v setcap >/dev/null; then
        echo "run.sh: setcap is missing (package libcap2-bin; sudo ./scripts/setup.sh installs it);" \
            "without it the messenger cannot receive from the network" >&2
    elif [ "$(id -u)" -eq 0 ]; then
        setcap "${grant[@]}" ||
            echo "run.sh: the capability could not be granted; the messenger cannot receive from the network" >&2
    elif command -v sudo >/dev/null && [ -t 0 ]; then
        echo "run.sh: the messenger needs UDP ports 137 and 138 and TCP port 139 to receive from the" \
            "network; sudo grants the freshly built programs the capability to bind them" >&2
        sudo setcap "${grant[@]}" ||
            echo "run.sh: not granted; run: $command" >&2
    else
        echo "run.sh: to receive from the network, run once: $command" >&2
    fi
fi

if [ -x "$bin/lyrmessenger" ]; then
    exec "$bin/lyrmessenger" "$@"
fi
exec "$bin/lyrnet" "${@:---help}"
