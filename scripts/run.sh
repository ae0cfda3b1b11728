#!/usr/bin/env bash
# Installs what is needed, builds the program and its tables in build/ and starts it there, where db/ is.
# Extra arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --target nummerix shipped_tables
cd build
exec ./app/nummerix "$@"
