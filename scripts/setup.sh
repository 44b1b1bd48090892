#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian 12 package that building, running and testing Lyr Messenger needs.
# Run as root; safe to run again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-translations-l10n
    libminizip-dev zlib1g-dev libxcb-keysyms1-dev libx11-xcb-dev
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev locales
    clang libclang-rt-14-dev clang-format
    iproute2 util-linux tshark
    xvfb xauth xdotool x11-utils trayer openbox libsm-dev libice-dev
    python3 libcap2-bin
    libcanberra-dev
    qt6-wayland
)

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
        exec sudo "$0" "$@"
    fi
    echo "setup.sh: run me as root (apt-get install needs it)" >&2
    exit 1
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup.sh: every package is installed"
else
    export DEBIAN_FRONTEND=noninteractive
    # tshark asks whether ordinary users may capture; the answer does not matter for the tests.
    echo "wireshark-common wireshark-common/install-setuid boolean false" | debconf-set-selections
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# The tests sort and show Russian names and dates in the Russian locale.
if ! locale -a | grep -qix 'ru_RU\.utf-\?8'; then
    localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
