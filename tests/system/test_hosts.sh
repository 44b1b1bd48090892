# SPDX-License-Identifier: GPL-3.0-or-later
# Test hosts for system tests: network namespaces joined by a bridge, all made here and gone
# at the end. Nothing is created in the namespace the suite runs in: the bridge lives in a
# namespace of its own as well. Source this file, then:
#   hosts_create N        hosts 1..N at 10.213.1.1 .. 10.213.1.N/24 (broadcast 10.213.1.255)
#   routed_hosts_create N hosts 1..N each on a subnet of its own, 10.213.(10+I).2/24, joined by
#                         a router at 10.213.(10+I).1 that forwards between them (broadcasts
#                         stay on their subnet)
#   routed_host_add I S   after routed_hosts_create: host I joins subnet S at 10.213.(10+S).(100+I)
#   on_host I CMD...      runs CMD on host I, with a cache folder of that host's own
#   on_host_background I OUTPUT CMD...   the same in the background, output to a file; the
#                         process is stopped by hosts_destroy
#   wait_for_line FILE TEXT SECONDS
#   wait_for_exact_line FILE LINE [SECONDS]   a whole line; shows the file when it is not there
#   eventually SECONDS CMD...                 CMD succeeds within SECONDS (tried every 0.1 s)
#   fails CMD...                              CMD fails
#   seconds_since START       the seconds from START (date +%s.%N) until now, to a tenth
#   at_most LIMIT SECONDS     SECONDS is no more than LIMIT
#   for_other_users PROGRAM   a copy of PROGRAM under $work that another local user may run
#                         (the build may lie in a folder of root's alone); prints its path
#   hosts_destroy         (put it in the EXIT trap of the script)
# A suite that cannot make namespaces (no privilege) should skip: hosts_available tells.

HOST_PIDS=()
SWITCH_PID=
BACKGROUND_PIDS=()

hosts_available() {
    unshare --net true 2>/dev/null && command -v nsenter >/dev/null && command -v ip >/dev/null
}

_namespace_process() {
    unshare --net sleep infinity </dev/null >/dev/null 2>&1 &
    local pid=$!
    local own
    own=$(readlink /proc/self/ns/net)
    for _ in $(seq 100); do
        [ "$(readlink /proc/$pid/ns/net 2>/dev/null)" != "$own" ] && break
        sleep 0.02
    done
    echo $pid
}

_in() {
    local pid=$1
    shift
    nsenter --net=/proc/$pid/ns/net -- "$@"
}

hosts_create() {
    local count=$1
    SWITCH_PID=$(_namespace_process)
    _in $SWITCH_PID ip link set lo up
    _in $SWITCH_PID ip link add lyrbr0 type bridge
    _in $SWITCH_PID ip link set lyrbr0 up
    for i in $(seq "$count"); do
        HOST_PIDS[$i]=$(_namespace_process)
        _in $SWITCH_PID ip link add lyrh$i type veth peer name eth0 netns "${HOST_PIDS[$i]}"
        _in $SWITCH_PID ip link set lyrh$i master lyrbr0 up
        on_host "$i" ip link set lo up
        on_host "$i" ip addr add "10.213.1.$i/24" broadcast 10.213.1.255 dev eth0
        on_host "$i" ip link set eth0 up
    done
}

# Each subnet is a bridge in the router's namespace, holding the router's address there.
routed_hosts_create() {
    local count=$1
    SWITCH_PID=$(_namespace_process)
    _in $SWITCH_PID ip link set lo up
    _in $SWITCH_PID sysctl -qw net.ipv4.ip_forward=1
    for i in $(seq "$count"); do
        local net=10.213.$((10 + i))
        _in $SWITCH_PID ip link add lyrs$i type bridge
        _in $SWITCH_PID ip addr add "$net.1/24" broadcast "$net.255" dev lyrs$i
        _in $SWITCH_PID ip link set lyrs$i up
        _routed_host "$i" "$i" 2
    done
}

routed_host_add() { _routed_host "$1" "$2" $((100 + $1)); }

_routed_host() {
    local i=$1 net=10.213.$((10 + $2)) last=$3
    HOST_PIDS[$i]=$(_namespace_process)
    _in $SWITCH_PID ip link add lyrr$i type veth peer name eth0 netns "${HOST_PIDS[$i]}"
    _in $SWITCH_PID ip link set lyrr$i master lyrs$2 up
    on_host "$i" ip link set lo up
    on_host "$i" ip addr add "$net.$last/24" broadcast "$net.255" dev eth0
    on_host "$i" ip link set eth0 up
    on_host "$i" ip route add default via "$net.1"
}

# What a host keeps between runs (the browse list) stays on that host, not in the user's home.
_host_cache() { echo "${work:-${TMPDIR:-/tmp}}/.host$1-cache"; }

on_host() {
    local host=$1
    shift
    _in "${HOST_PIDS[$host]}" env XDG_CACHE_HOME="$(_host_cache "$host")" "$@"
}

on_host_background() {
    local host=$1 output=$2
    shift 2
    # nsenter becomes the command, so its pid is the one to stop.
    nsenter --net=/proc/${HOST_PIDS[$host]}/ns/net -- env XDG_CACHE_HOME="$(_host_cache "$host")" \
        "$@" </dev/null >"$output" 2>&1 &
    BACKGROUND_PIDS+=($!)
}

wait_for_line() {
    local file=$1 text=$2 seconds=$3
    local tries=$((seconds * 20))
    for _ in $(seq "$tries"); do
        grep -q -- "$text" "$file" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

wait_for_exact_line() {
    local file=$1 line=$2 seconds=${3:-5}
    for _ in $(seq $((seconds * 20))); do
        grep -qxF -- "$line" "$file" 2>/dev/null && return 0
        sleep 0.05
    done
    echo "  no line '$line' in $file:"
    sed 's/^/    /' "$file"
    return 1
}

# Runs the command again each time; an argument such as "$(…)" is expanded once, before the
# first try, so a condition that must be looked at anew belongs in a function.
eventually() {
    local tries=$(($1 * 10))
    shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
    return 1
}

fails() { ! "$@"; }

seconds_since() { awk -v from="$1" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }'; }

at_most() { awk -v limit="$1" -v took="$2" 'BEGIN { exit !(took <= limit) }'; }

for_other_users() {
    mkdir -p "$work/bin"
    chmod a+x "$work" "$work/bin"
    cp "$1" "$work/bin/" && chmod a+rx "$work/bin/$(basename "$1")"
    echo "$work/bin/$(basename "$1")"
}

hosts_destroy() {
    for pid in "${BACKGROUND_PIDS[@]}" "${HOST_PIDS[@]}" $SWITCH_PID; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    BACKGROUND_PIDS=()
    HOST_PIDS=()
    SWITCH_PID=
}

# The common start of a system test: skip (exit 77) where no namespaces can be made; $work, a
# directory removed with the hosts at exit; and the counters of check.
system_test_begin() {
    if ! hosts_available; then
        echo "SKIP: cannot create network namespaces here (needs root or a user namespace)"
        exit 77
    fi
    work=$(mktemp -d)
    trap 'hosts_destroy; rm -rf "$work"' EXIT
    passed=0
    failed=0
}

# check WHAT COMMAND...: runs the command, counts and prints its result.
check() {
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
    fi
}
