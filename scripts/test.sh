#!/usr/bin/env bash
# Installs what is needed, builds and runs every test.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   scripts/test.sh --no-install skip the package installation
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=OFF
build_dir=build
install=1
for arg in "$@"; do
    case "$arg" in
        --sanitize) sanitize=ON; build_dir=build-asan ;;
        --no-install) install=0 ;;
        -h|--help) sed -n '2,6p' "$0"; exit 0 ;;
        *) echo "unknown option: $arg" >&2; exit 2 ;;
    esac
done

if [ "$install" -eq 1 ]; then
    scripts/install-deps.sh
fi

cmake -S . -B "$build_dir" -G Ninja -DNUMMERIX_SANITIZE="$sanitize" -DNUMMERIX_WERROR=ON
cmake --build "$build_dir" --parallel "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
skip=()
if [ "$sanitize" = ON ]; then
    # The multi-process stress test runs in the normal build: its time-bounded mix of processes is not
    # what the sanitizers look at.
    skip=(-E '^StressProcesses\.')
fi
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" "${skip[@]}"
