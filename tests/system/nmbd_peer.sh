# SPDX-License-Identifier: GPL-3.0-or-later
# Samba's nmbd as a peer of a system test. Source test_hosts.sh first, then this file:
#   skip_without_samba PROGRAM...   SKIPPED (exit 77) when one of Samba's programs is missing
#   start_nmbd HOST NAME ADDRESS [LINE...]   nmbd on test HOST as NAME of OFFICE, bound to
#                                   ADDRESS/24 only, with its files under $work/nmbd and the
#                                   further smb.conf LINEs (a later line wins, so
#                                   "workgroup = SALES" moves it); its configuration is
#                                   $work/nmbd.conf, its output goes to $work/nmbd.out
#   start_nmbd_as STEM HOST NAME ADDRESS [LINE...]   the same with $work/STEM, STEM.conf and
#                                   STEM.out, for a second Samba of the test
#   start_smbd STEM HOST            smbd on HOST with STEM's configuration, output STEM-smbd.out

skip_without_samba() {
    for program in "$@"; do
        if ! command -v "$program" >/dev/null; then
            echo "SKIPPED: Samba's $program is not installed (scripts/install_test_peers.sh installs it, for tests only)"
            exit 77
        fi
    done
}

start_nmbd() { start_nmbd_as nmbd "$@"; }

start_nmbd_as() {
    local stem=$1 host=$2 name=$3 address=$4
    shift 4
    mkdir -p "$work/$stem"
    # Every file of the daemons under $work: none of the machine's own Samba is touched.
    {
        printf '%s\n' "[global]" "workgroup = OFFICE" "netbios name = $name" \
            "interfaces = $address/24" "bind interfaces only = yes"
        for directory in lock state cache pid; do echo "$directory directory = $work/$stem"; done
        printf '%s\n' "private dir = $work/$stem" "ncalrpc dir = $work/$stem/ncalrpc" \
            "log file = $work/$stem/log.%m" "$@"
    } >"$work/$stem.conf"
    on_host_background "$host" "$work/$stem.out" nmbd --foreground --no-process-group \
        --debug-stdout -d 1 -s "$work/$stem.conf"
}

# An anonymous session is served as the guest account, which reads the browse list nmbd wrote:
# it must reach $work. smbd leads a process group of its own, which it stops as a whole at its
# end (in ours it would stop the test).
start_smbd() {
    chmod a+x "$work"
    on_host_background "$2" "$work/$1-smbd.out" smbd --foreground --debug-stdout -d 1 \
        -s "$work/$1.conf"
}
