#!/usr/bin/env bash
# Installs the build into a scratch folder and checks what lands where: the program, the read-only tables
# in the folder the desktop entry starts it in, and a desktop entry, icon and metadata that validate.
#   install-check.sh BUILD_DIR
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'chmod -R u+w "$stage"; rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build" >/dev/null
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
root="$stage$prefix"
fail() { echo "install-check: $*" >&2; exit 1; }

[ -x "$root/bin/nummerix" ] || fail "no program in bin/"
desktop="$root/share/applications/example.quolt.Nummerix.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
path=$(sed -n 's/^Path=//p' "$desktop")
for table in City.DAT City.IDX AreaCode.DAT AreaCode.IDX; do
    file="$stage$path/db/$table"
    [ -f "$file" ] || fail "Path= does not hold db/$table"
    [ "$(stat -c %a "$file")" = 444 ] || fail "db/$table is not read-only"
done
[ -f "$root/share/icons/hicolor/scalable/apps/example.quolt.Nummerix.svg" ] || fail "no icon"
appstreamcli validate --no-net "$root/share/metainfo/example.quolt.Nummerix.metainfo.xml" >/dev/null ||
    fail "metadata does not validate"
echo "install-check: all in place"
