#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file of ours names its licence in its first lines:
#   licence_headers.sh [--add] [TOP]
# lists the files that do not (exit 1 when there are any); with --add it gives them the line,
# after a "#!" line where there is one.
set -euo pipefail
add=
if [ "${1:-}" = --add ]; then
    add=1
    shift
fi
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}
tag='SPDX-License-Identifier: GPL-3.0-or-later'
missing=0
while IFS= read -r -d '' file; do
    head -3 "$file" | grep -q "$tag" && continue
    if [ -z "$add" ]; then
        echo "no licence line: ${file#"$top"/}"
        missing=$((missing + 1))
        continue
    fi
    case $file in
        *.cpp | *.h) line="// $tag" ;;
        *) line="# $tag" ;;
    esac
    if head -1 "$file" | grep -q '^#!'; then
        sed -i "1a $line" "$file"
    else
        sed -i "1i $line" "$file"
    fi
done < <(find "$top/src" "$top/tests" "$top/bench" "$top/scripts" "$top/resources" "$top/cmake" \
    "$top/CMakeLists.txt" "$top/.ci" -type f \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.py' -o -name 'CMakeLists.txt' \
    -o -name '*.cmake' -o -name run \) -print0)
[ -n "$add" ] || { [ "$missing" -eq 0 ] && echo "every source file names its licence"; }
[ -n "$add" ] || [ "$missing" -eq 0 ]
