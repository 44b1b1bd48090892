#!/usr/bin/env bash
# Installs the independent peers some system tests run against (Samba's smbclient and smbd),
# for tests only: their services are kept from starting, now and at the next boot. Not part of
# the user's set-up; a test whose peer is missing is skipped.
set -euo pipefail
command -v smbclient >/dev/null && command -v smbd >/dev/null && exit 0
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
policy=/usr/sbin/policy-rc.d
made_policy=
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
    $sudo chmod +x "$policy"
    made_policy=1
fi
for service in smbd nmbd samba-ad-dc; do
    $sudo ln -sf /dev/null "/etc/systemd/system/$service.service"
done
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends smbclient samba ||
    echo "install_test_peers: Samba could not be installed; its tests will be skipped" >&2
[ -z "$made_policy" ] || $sudo rm -f "$policy"
