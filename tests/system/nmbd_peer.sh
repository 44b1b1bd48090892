# SPDX-License-Identifier: GPL-3.0-or-later
# Samba's nmbd as a peer of a system test. Source test_hosts.sh first, then this file:
#   skip_without_samba PROGRAM...   SKIPPED (exit 77) when one of Samba's programs is missing
#   start_nmbd HOST NAME ADDRESS [LINE...]   nmbd on test HOST as NAME of OFFICE, bound to
#                                   ADDRESS/24 only, with its files under $work/nmbd and the
#                                   further smb.conf LINEs; its output goes to $work/nmbd.out

skip_without_samba() {
    for program in "$@"; do
        if ! command -v "$program" >/dev/null; then
            echo "SKIPPED: Samba's $program is not installed (scripts/install_test_peers.sh installs it, for tests only)"
            exit 77
        fi
    done
}

start_nmbd() {
    local host=$1 name=$2 address=$3
    shift 3
    mkdir -p "$work/nmbd"
    {
        printf '%s\n' "[global]" "workgroup = OFFICE" "netbios name = $name" \
            "interfaces = $address/24" "bind interfaces only = yes"
        for directory in lock state cache pid; do echo "$directory directory = $work/nmbd"; done
        printf '%s\n' "private dir = $work/nmbd" "log file = $work/nmbd/log.%m" "$@"
    } >"$work/nmbd.conf"
    on_host_background "$host" "$work/nmbd.out" nmbd --foreground --no-process-group \
        --debug-stdout -d 1 -s "$work/nmbd.conf"
}
