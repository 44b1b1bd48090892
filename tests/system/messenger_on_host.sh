# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop messenger as PC1 on test host 1, offscreen, with folders of its own under $work,
# fed by ANNA on test host 2. Source test_hosts.sh first, make $work and the hosts, set
# $messenger, $lyrnet and $host_program, then this file:
#   start_messenger / stop_messenger   (its process is $messenger_pid)
#   set_option NAME dword:XXXXXXXX     in the settings file, while it does not run
#   flood NAME COUNT                   ANNA sends NAME#0 .. NAME#COUNT-1 to PC1
#   stored NAME                        how many NAME#… messages the inbox holds
#   texts_in_order NAME COUNT          the inbox holds NAME#0 .. NAME#COUNT-1 in this order
#   status                             a state request answered
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export QT_QPA_PLATFORM=offscreen LYR_NETBIOS_WORKGROUP=OFFICE LYR_MESSAGE_BOXES=stderr
mkdir -p -m 700 "$work/run"
data="$XDG_DATA_HOME/Zendry/Lyr Messenger/Data"
settings="$XDG_CONFIG_HOME/Zendry/Messenger/1.0.reg"

status() { on_host 1 "$lyrnet" status >/dev/null 2>&1; }
start_messenger() {
    on_host_background 1 "$work/messenger.log" env LYR_NETBIOS_COMPUTER_NAME=PC1 "$messenger"
    messenger_pid=${BACKGROUND_PIDS[-1]}
    eventually 20 status
}
stop_messenger() {
    kill -TERM "$messenger_pid"
    eventually 20 bash -c "! kill -0 $messenger_pid 2>/dev/null"
}
set_option() {
    if grep -q "^\"$1\"=" "$settings"; then
        sed -i "s/^\"$1\"=dword:[0-9a-f]*/\"$1\"=$2/" "$settings"
    else
        printf '"%s"=%s\r\n' "$1" "$2" >>"$settings"
    fi
}
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
stored() { "$lyrnet" history --data-dir "$data" --json 2>/dev/null | grep -c "\"$1#" || true; }
texts_in_order() {
    diff <(seq 0 $(($2 - 1)) | sed "s/.*/$1#&/") \
        <("$lyrnet" history --data-dir "$data" --json | grep -o "\"$1#[0-9]*\"" | tr -d '"') >/dev/null
}
flood() {
    on_host 2 env LYR_NETBIOS_COMPUTER_NAME=ANNA "$host_program" send PC1 messngr \
        "$(hex ANNA)00$(hex PC1)00$(hex "$1")" --repeat "$2" >/dev/null
}
