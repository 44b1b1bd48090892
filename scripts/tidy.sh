#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs clang-tidy with the checks .clang-tidy names over every C++ file of src/, using the
# compile commands of a configured and built tree: scripts/tidy.sh [BUILD_DIR [JOBS]].
# Fails when clang-tidy finds anything; the findings are printed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
jobs=${2:-1}
if [ ! -f "$build/compile_commands.json" ]; then
    echo "tidy.sh: no compile_commands.json in $build: build it first (scripts/build.sh)" >&2
    exit 2
fi
cd "$top"
git ls-files -z 'src/*.cpp' |
    xargs -0 -n 8 -P "$jobs" clang-tidy -p "$build" --quiet --warnings-as-errors='*'
echo "tidy.sh: clang-tidy finds nothing in src/"
