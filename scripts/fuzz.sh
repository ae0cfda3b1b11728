#!/usr/bin/env bash
# Fuzzes the table engine with libFuzzer in a clang build of its own (build-fuzz/).
#   scripts/fuzz.sh                 2000 runs (the CI setting)
#   scripts/fuzz.sh --runs N        N runs
#   scripts/fuzz.sh --time SECONDS  for that long, going on past failures (each is kept)
#   scripts/fuzz.sh --build-dir DIR another build folder
# The corpus starts from tables the engine writes (table_fuzz_seeds) and grows in DIR/corpus; inputs that
# fail land in DIR/findings. Keep every one as tests/tools/fuzz/regressions/<name> and fix the engine.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=2000
seconds=0
build_dir=build-fuzz
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs="$2"; shift 2 ;;
        --time) seconds="$2"; runs=-1; shift 2 ;;
        --build-dir) build_dir="$2"; shift 2 ;;
        -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

# clang and its sanitizer and libFuzzer runtimes (only recommended by clang, so named here).
missing=()
for p in clang libclang-rt-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Warnings are the g++ build's business (NUMMERIX_WERROR there): clang warns of other things.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DNUMMERIX_FUZZ=ON -DBUILD_TESTING=OFF
cmake --build "$build_dir" --target table_fuzzer table_fuzz_seeds --parallel "$(nproc)"

corpus="$build_dir/corpus"
findings="$build_dir/findings"
mkdir -p "$corpus" "$findings"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
"$build_dir/fuzz/table_fuzz_seeds" "$corpus"

options=(-max_len=32768 -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1
         "-artifact_prefix=$findings/")
if [ "$seconds" -gt 0 ]; then
    options+=("-max_total_time=$seconds" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
else
    options+=("-runs=$runs")
fi
"$build_dir/fuzz/table_fuzzer" "${options[@]}" "$corpus" tests/tools/fuzz/regressions
