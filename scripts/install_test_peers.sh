#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the independent peers some system tests run against (Samba's programs and others),
# for tests only: services they bring are kept from starting, now and at the next boot. Not part
# of the user's set-up; a test whose peer is missing is skipped.
set -euo pipefail
peers=(smbclient samba nbtscan python3-impacket lintian appstream desktop-file-utils weston dbus-daemon
    python3-dbus python3-gi
    dunst xclip pulseaudio-utils libcanberra-pulse sound-theme-freedesktop nftables)
# A sound server of the tests' own, but never in place of the desktop's PipeWire.
dpkg-query -W -f='${Status}' pipewire-pulse 2>/dev/null | grep -q "install ok installed" || peers+=(pulseaudio)
# Services that installing a peer would start on the machine's real network.
services=(smbd nmbd samba-ad-dc)

missing=()
for package in "${peers[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -gt 0 ] || exit 0

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
policy=/usr/sbin/policy-rc.d
made_policy=
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
    $sudo chmod +x "$policy"
    made_policy=1
fi
for service in "${services[@]}"; do
    $sudo ln -sf /dev/null "/etc/systemd/system/$service.service"
done
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" ||
    echo "install_test_peers: ${missing[*]} could not be installed; their tests will be skipped" >&2
[ -z "$made_policy" ] || $sudo rm -f "$policy"
