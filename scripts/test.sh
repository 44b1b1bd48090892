#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds every configuration and runs the whole test suite through CTest: the normal build,
# AddressSanitizer + UndefinedBehaviorSanitizer (core tests and short fuzz runs, with clang),
# and ThreadSanitizer (core tests). Everything runs inside a network namespace of its own, so
# no test can reach the machine's real network.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${LYR_IN_TEST_NAMESPACE:-}" ]; then
    export LYR_IN_TEST_NAMESPACE=1
    if [ "$(id -u)" -eq 0 ]; then
        exec unshare --net -- "$0" "$@"
    fi
    exec unshare --net --map-root-user -- "$0" "$@"
fi
ip link set lo up

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
status=0

run_suite() {
    local name=$1 dir=$2
    shift 2
    echo "== $name"
    "$top/scripts/build.sh" "$dir" "$@"
    (cd "$dir" && ctest -j "$jobs" --timeout 600) || status=1
}

# Warnings fail every build, gcc's and clang's.
run_suite "normal build" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLYR_WERROR=ON
run_suite "AddressSanitizer + UndefinedBehaviorSanitizer" "$top/build-asan" \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DLYR_SANITIZE=ON -DLYR_FUZZ=ON -DLYR_BUILD_UI=OFF -DLYR_BENCH=OFF -DLYR_WERROR=ON
run_suite "ThreadSanitizer" "$top/build-tsan" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLYR_TSAN=ON -DLYR_BUILD_UI=OFF -DLYR_BENCH=OFF \
    -DLYR_WERROR=ON

exit $status
