#!/usr/bin/env bash
# Makes the Debian package from a build folder, installs it into a scratch root with dpkg, and checks what
# it holds: the programs, the read-only tables, the desktop files, manual pages, completion, copyright and
# changelog, each with sane modes; the dependencies; that the installed tool reads the installed tables;
# and that lintian finds no error in the package.
#   package-check.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
fail() { echo "package-check: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

deb=$("$source_dir/scripts/package.sh" "$build" --output "$work/out" 2>"$work/package.log") ||
    { cat "$work/package.log" >&2; fail "scripts/package.sh failed"; }
[ -f "$deb" ] || fail "no package made"
[ "$(dpkg-deb -f "$deb" Package)" = nummerix ] || fail "the package is not called nummerix"

# An installation into a root of its own, by dpkg itself (the dependencies are the host's business).
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$deb" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg cannot install the package"; }

# mode path: every packaged file, with the mode it must have.
expected=(
    "755 usr/bin/nummerix"
    "755 usr/bin/kartei"
    "444 usr/share/nummerix/db/City.DAT"
    "444 usr/share/nummerix/db/City.IDX"
    "444 usr/share/nummerix/db/AreaCode.DAT"
    "444 usr/share/nummerix/db/AreaCode.IDX"
    "644 usr/share/applications/example.quolt.Nummerix.desktop"
    "644 usr/share/icons/hicolor/scalable/apps/example.quolt.Nummerix.svg"
    "644 usr/share/metainfo/example.quolt.Nummerix.metainfo.xml"
    "644 usr/share/man/man1/nummerix.1.gz"
    "644 usr/share/man/man1/kartei.1.gz"
    "644 usr/share/bash-completion/completions/kartei"
    "644 usr/share/doc/nummerix/copyright"
    "644 usr/share/doc/nummerix/changelog.Debian.gz"
    "644 usr/share/lintian/overrides/nummerix"
)
for entry in "${expected[@]}"; do
    mode=${entry%% *}
    path=${entry#* }
    [ -f "$root/$path" ] || fail "the package has no $path"
    [ "$(stat -c %a "$root/$path")" = "$mode" ] || fail "$path has mode $(stat -c %a "$root/$path"), not $mode"
done
packaged=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | cut -d' ' -f2 | sort)
[ "$packaged" = "$wanted" ] || fail "the package holds other files: $(comm -3 <(echo "$packaged") <(echo "$wanted"))"
if dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' | grep -q .; then
    fail "a folder of the package is not 0755"
fi

for program in nummerix kartei; do
    [[ "$(file -b "$root/usr/bin/$program")" == *", stripped"* ]] || fail "usr/bin/$program is not stripped"
done
[ "$(sed -n 's/^Path=//p' "$root/usr/share/applications/example.quolt.Nummerix.desktop")" = \
    /usr/share/nummerix ] || fail "the desktop entry does not start the program where the tables are"
desktop-file-validate "$root/usr/share/applications/example.quolt.Nummerix.desktop" ||
    fail "the desktop entry does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/example.quolt.Nummerix.metainfo.xml" >/dev/null ||
    fail "the metadata does not validate"
for page in nummerix kartei; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page(1) has warnings: $warnings"
done
copyright="$root/usr/share/doc/nummerix/copyright"
grep -q "^License: Apache-2.0" "$copyright" && grep -q "The Libphonenumber Authors" "$copyright" &&
    grep -q "^Files: usr/share/nummerix/db/\*" "$copyright" || fail "the copyright file lacks the data's attribution"

# The dependencies: the libraries the programs link, and what they load at run time.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for package in libqt6widgets6 libqt6gui6 libqt6core6 libicu72 libjpeg62-turbo libsqlite3-0 libstdc++6 \
    qt6-qpa-plugins libqt6svg6 fonts-dejavu-core; do
    grep -qx "$package" <<<"$depends" || fail "the package does not depend on $package"
done

# The installed tool reads the installed tables, and writes what SQLite reads.
"$root/usr/bin/kartei" verify "$root/usr/share/nummerix/db/City.DAT" >/dev/null ||
    fail "the installed City table does not verify"
"$root/usr/bin/kartei" export "$root/usr/share/nummerix/db/AreaCode.DAT" --sqlite "$work/codes.sqlite" \
    >/dev/null 2>&1 || fail "the installed kartei cannot export"

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log" >&2; fail "lintian found errors"; }
grep -v "running with root privileges" "$work/lintian.log" >&2 || true
echo "package-check: $(basename "$deb") holds what it should"
