#!/usr/bin/env bash
# `kartei import` against `sqlite3 .import` of the same CSV into an equally indexed table: time, peak
# resident memory and the size of the files made, at the shipped size and at generated sizes.
#
#   bench/import-compare.sh [KARTEI] [SIZES...]    default: build-bench/tools/kartei shipped 200000 1000000
#
# Rows: id (the primary key), areacode (unique), city (a second, non-unique index), byte order on both
# sides. `shipped`: data/vorwahlen.csv with ids added; a number N: N generated rows. Prints a Markdown table.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
kartei="${1:-$here/build-bench/tools/kartei}"
shift || true
sizes=("$@")
[ "${#sizes[@]}" -gt 0 ] || sizes=(shipped 200000 1000000)
for tool in "$kartei" sqlite3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/install-deps.sh)" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/import-compare-XXXXXX")"
trap 'rm -rf "$work"' EXIT

# Writes the CSV of one size to $work/rows.csv; prints its row count.
make_csv() {
    if [ "$1" = shipped ]; then
        awk -F, 'NR == 1 { print "id," $0; next } { print NR - 1 "," $0 }' "$here/data/vorwahlen.csv"
    else
        # City-like names, many repeated; area codes unique.
        awk -v rows="$1" 'BEGIN {
            srand(16); split("Bad ,Groß ,Klein ,Neu ,Alt ,Ober ,Unter ,,,,", pre, ",")
            split("berg,burg,dorf,feld,hausen,heim,ingen,stadt,tal,walde", suf, ",")
            split("a,e,i,o,u,ä,ö,ü,au,ei", vow, ",")
            split("B,D,F,G,H,K,L,M,N,R,S,T,W,Z", con, ",")
            print "id,areacode,city"
            for (i = 1; i <= rows; i++) {
                name = pre[int(rand() * 11) + 1] con[int(rand() * 14) + 1] vow[int(rand() * 10) + 1] \
                       con[int(rand() * 14) + 1] suf[int(rand() * 10) + 1]
                if (rand() < 0.5) name = name " " int(rand() * 50)
                printf "%d,0%d,%s\n", i, 2000000 + i * 7, name
            }
        }'
    fi > "$work/rows.csv"
    echo $(($(wc -l < "$work/rows.csv") - 1))
}

# Runs a command under /usr/bin/time; prints "seconds KiB".
measure() {
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" > /dev/null
    cat "$work/time"
}

mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }
size_mib() { awk -v b="$1" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }

echo "| Rows | kartei import | sqlite3 .import | ratio (sqlite / ours) | kartei peak | sqlite3 peak | kartei files | sqlite3 file |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|"
for size in "${sizes[@]}"; do
    rows="$(make_csv "$size")"
    rm -f "$work"/T.* "$work/t.db"
    read -r ours ours_kib < <(measure "$kartei" import "$work/rows.csv" "$work/T" --quiet \
        --field id:integer --field areacode:string:12 --field city:string:40 \
        --primary id --index code=areacode:unique --index city=city)
    ours_bytes=$(cat "$work"/T.* | wc -c)
    read -r theirs theirs_kib < <(measure sqlite3 "$work/t.db" \
        "CREATE TABLE t(id INTEGER PRIMARY KEY, areacode TEXT, city TEXT);" \
        "CREATE UNIQUE INDEX code ON t(areacode);" "CREATE INDEX city ON t(city);" \
        ".import --csv --skip 1 $work/rows.csv t")
    theirs_bytes=$(wc -c < "$work/t.db")
    ratio=$(awk -v a="$theirs" -v b="$ours" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    echo "| $rows | ${ours} s | ${theirs} s | $ratio | $(mib "$ours_kib") | $(mib "$theirs_kib") |" \
         "$(size_mib "$ours_bytes") | $(size_mib "$theirs_bytes") |"
done
