#!/usr/bin/env bash
# Makes the Debian package (.deb) with CPack and prints its path.
#   scripts/package.sh                  a release build of its own in build-package/ (installs the packages
#                                       the build needs first)
#   scripts/package.sh BUILD_DIR        from that build folder, which must be built
#   ... --output DIR                    the folder for the package (default: the build folder's packages/)
# The package holds the program, kartei, the shipped tables (read-only), the desktop entry, icon and
# AppStream metadata, the manual pages, bash completion, and the copyright and changelog files.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=
output=
while [ $# -gt 0 ]; do
    case "$1" in
        --output) output="$2"; shift 2 ;;
        -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
        -*) echo "package.sh: unknown option: $1" >&2; exit 2 ;;
        *) build_dir="$1"; shift ;;
    esac
done

if [ -z "$build_dir" ]; then
    scripts/install-deps.sh >&2
    build_dir=build-package
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >&2
    cmake --build "$build_dir" --parallel "$(nproc)" >&2
fi
if [ ! -f "$build_dir/CPackConfig.cmake" ]; then
    echo "package.sh: '$build_dir' is not a configured build folder" >&2
    exit 2
fi
output=$(realpath -m "${output:-$build_dir/packages}")
mkdir -p "$output"

# CPack stages the installation in the output folder; only the package stays.
cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$output" >&2
rm -rf "$output/_CPack_Packages"
ls -t "$output"/*.deb | head -n 1
