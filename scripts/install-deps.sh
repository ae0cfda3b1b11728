#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev googletest
    libicu-dev
    qt6-base-dev qt6-base-private-dev libgl-dev libjpeg62-turbo-dev fonts-dejavu-core libqt6svg6
    desktop-file-utils appstream
    xvfb x11-utils
    dpkg-dev file lintian
    ccache
    libbenchmark-dev libsqlite3-dev sqlite3 time
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# Always refresh the package lists first: a fresh machine has none.
"${sudo_cmd[@]}" apt-get update -q
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
