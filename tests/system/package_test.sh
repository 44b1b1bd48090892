#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, judged by Debian's own tools: cpack makes it from this build; its files,
# the dependencies computed from the libraries, lintian, the AppStream data, the desktop entry
# and its icon, the manual pages. Then dpkg installs it into a scratch root, where the
# maintainer script grants both programs the capability to bind the NetBIOS ports, and purges
# it, leaving nothing there.
# Usage: package_test.sh BUILD_DIR VERSION
set -u
build=$(readlink -f "$1")
version=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"  # check

for tool in cpack dpkg dpkg-deb; do
    if ! command -v $tool >/dev/null; then
        echo "SKIPPED: $tool is not installed; the package is not tested"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

deb=$work/lyr-messenger_${version}_$(dpkg --print-architecture).deb
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.out" 2>&1 ||
    cat "$work/cpack.out"
if ! check "cpack makes $(basename "$deb")" test -f "$deb"; then
    ls "$work"
    exit 1
fi

dpkg-deb --contents "$deb" | awk '{print $NF}' >"$work/contents"
missing=()
for file in bin/lyrmessenger bin/lyrnet share/applications/lyrmessenger.desktop \
    share/icons/hicolor/scalable/apps/lyrmessenger.svg \
    share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/lyrmessenger.png \
    share/metainfo/org.zendry.lyrmessenger.metainfo.xml share/man/man1/lyrnet.1.gz \
    share/man/man1/lyrmessenger.1.gz share/doc/lyr-messenger/copyright \
    lib/firewalld/services/lyr-messenger.xml; do
    grep -qx "./usr/$file" "$work/contents" || missing+=("$file")
done
grep -qx "./etc/ufw/applications.d/lyr-messenger" "$work/contents" ||
    missing+=(/etc/ufw/applications.d/lyr-messenger)
check "the package holds the programs, desktop entry, icons, AppStream data, manual pages, firewall profiles (missing: ${missing[*]})" \
    test ${#missing[@]} -eq 0
check "the ufw profile is a conffile" bash -c \
    'dpkg-deb --ctrl-tarfile "$1" | tar -xO ./conffiles | grep -qx /etc/ufw/applications.d/lyr-messenger' - "$deb"
check "the firewalld service opens UDP 137, 138 and TCP 139" bash -c \
    'dpkg-deb --fsys-tarfile "$1" | tar -xO ./usr/lib/firewalld/services/lyr-messenger.xml |
     python3 -c "import sys, xml.etree.ElementTree as tree
ports = sorted((p.get(\"protocol\"), p.get(\"port\")) for p in tree.parse(sys.stdin).iter(\"port\"))
sys.exit(ports != [(\"tcp\", \"139\"), (\"udp\", \"137\"), (\"udp\", \"138\")])"' - "$deb"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
check "its dependencies are computed from the libraries (Qt among them) and include setcap's package" \
    bash -c '[[ "$1" == *libqt6widgets6* && "$1" == *libc6* && "$1" == *libcap2-bin* ]]' - "$depends"
check "the programs in the package are stripped" \
    bash -c 'dpkg-deb --fsys-tarfile "$1" | tar -xO ./usr/bin/lyrnet >"$2" && ! readelf -S "$2" | grep -q "\.symtab"' \
    - "$deb" "$work/lyrnet"

if command -v lintian >/dev/null; then
    lintian --no-cfg --pedantic "$deb" >"$work/lintian.out" 2>&1
    cat "$work/lintian.out"
    check "lintian --pedantic reports nothing" bash -c '! grep -q "^[EWPXO]: " "$1"' - "$work/lintian.out"
    check "  ... and the hardening that distributions build with is there" bash -c \
        '! lintian --no-cfg --display-info --tags hardening-no-bindnow,hardening-no-relro,hardening-no-fortify-functions "$1" 2>&1 | grep -q "^[EWI]: "' - "$deb"
else
    echo "SKIPPED: lintian is not installed (for tests only); the package is not linted"
fi

root=$work/extracted
dpkg-deb --extract "$deb" "$root"
if command -v appstreamcli >/dev/null; then
    metainfo=$root/usr/share/metainfo/org.zendry.lyrmessenger.metainfo.xml
    appstreamcli validate --pedantic --no-net "$metainfo" >"$work/appstream.out" 2>&1
    cat "$work/appstream.out"
    check "appstreamcli validate --pedantic reports nothing" \
        bash -c 'grep -q "Validation was successful\.$" "$1" && ! grep -q "^[EWIP]: " "$1"' - "$work/appstream.out"
    check "the AppStream data names the licence and this release" bash -c \
        'grep -q "<project_license>GPL-3.0-or-later</project_license>" "$1" &&
         grep -q "<release version=\"$2\" date=\"[0-9-]*\"" "$1"' - "$metainfo" "$version"
else
    echo "SKIPPED: appstreamcli is not installed (package appstream); the AppStream data is not validated"
fi
entry=$root/usr/share/applications/lyrmessenger.desktop
if command -v desktop-file-validate >/dev/null; then
    check "desktop-file-validate accepts the desktop entry" desktop-file-validate "$entry"
else
    echo "SKIPPED: desktop-file-validate is not installed (package desktop-file-utils)"
fi
copyright=$root/usr/share/doc/lyr-messenger/copyright
check "the copyright file is machine-readable and names GPL-3.0-or-later for the program" bash -c \
    'head -1 "$1" | grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" &&
     grep -q "^License: GPL-3.0-or-later$" "$1" && grep -q "/usr/share/common-licenses/GPL-3" "$1"' - "$copyright"
check "the desktop entry finds the program by its names" \
    bash -c 'grep -q "^Keywords=.*lyrmessenger;lyrnet;" "$1"' - "$root/usr/share/applications/lyrmessenger.desktop"
icon=$(sed -n 's/^Icon=//p' "$entry")
# A PNG's width and height follow its signature and the header's length and type.
check "the desktop entry's icon \"$icon\" is the package's own, a 48 x 48 PNG among others" \
    test "$(od -An -tx1 -j12 -N12 "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" 2>/dev/null | tr -d ' ')" \
    = 494844520000003000000030
if command -v man >/dev/null; then
    for page in lyrnet lyrmessenger; do
        file=$root/usr/share/man/man1/$page.1.gz
        check "man reads $page(1) without a warning, its name first" bash -c \
            'out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$1" 2>&1 >/dev/null) && [ -z "$out" ] &&
             LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$1" 2>/dev/null | grep -q "^ *$2  *- "' - "$file" "$page"
    done
else
    echo "SKIPPED: man is not installed (package man-db); the manual pages are not read"
fi

# Installing and purging, into a root of its own: dpkg runs the maintainer script outside a
# chroot with DPKG_ROOT set. Granting a capability needs root, and a file system that keeps it.
touch "$work/probe"
if [ "$(id -u)" -eq 0 ] && setcap cap_net_bind_service=+ep "$work/probe" 2>/dev/null; then
    scratch=$work/root
    mkdir -p "$scratch/var/lib/dpkg/updates" "$scratch/var/lib/dpkg/info" "$scratch/var/log"
    touch "$scratch/var/lib/dpkg/status"
    in_scratch=(dpkg --root="$scratch" --force-script-chrootless --force-depends --log=/dev/null)
    "${in_scratch[@]}" --install "$deb" >"$work/install.out" 2>&1
    check "dpkg installs the package" grep -q "^Setting up lyr-messenger" "$work/install.out"
    for program in lyrmessenger lyrnet; do
        check "postinst grants $program cap_net_bind_service" \
            bash -c 'getcap "$1" | grep -q "cap_net_bind_service=ep"' - "$scratch/usr/bin/$program"
    done
    "${in_scratch[@]}" --purge lyr-messenger >"$work/purge.out" 2>&1
    left=$(find "$scratch" -mindepth 1 -not -path "$scratch/var*" | head)
    check "purging leaves nothing behind (left: $left)" test -z "$left"
    cat "$work/install.out" "$work/purge.out"
else
    echo "SKIPPED: cannot grant capabilities here (not root?); installing the package into a scratch root is not tested"
fi

dpkg-deb --ctrl-tarfile "$deb" | tar -x -C "$work" ./postinst
PATH=/nonexistent DPKG_ROOT=$work/nothing /bin/sh "$work/postinst" configure >/dev/null 2>"$work/postinst.err"
status=$?
cat "$work/postinst.err"
check "without setcap postinst still succeeds, and names the package to install" \
    bash -c '[ "$1" -eq 0 ] && grep -q libcap2-bin "$2"' - "$status" "$work/postinst.err"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
