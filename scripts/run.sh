#!/usr/bin/env bash
# Builds the programs and starts the messenger.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -x "$top/build/src/main/lyrmessenger" ]; then
    exec "$top/build/src/main/lyrmessenger" "$@"
fi
exec "$top/build/src/main/lyrnet" "${@:---help}"
