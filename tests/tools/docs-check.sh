#!/usr/bin/env bash
# Checks that kartei's manual page and bash completion know every command and option the tool's own help
# lists, and that the completion offers what it should: commands, options, tables, CSV files, and the index
# names of the table given.
#   docs-check.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
kartei="$build/tools/kartei"
manual="$source_dir/dist/man/kartei.1"
fail() { echo "docs-check: $*" >&2; exit 1; }

# shellcheck source=/dev/null
source "$source_dir/dist/bash-completion/kartei"
PATH="$build/tools:$PATH"

# What the completion offers for a command line whose last word is being completed, sorted, one line.
offers() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _kartei
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}
expect() {
    [ "$1" = "$2" ] || fail "offered '$1', expected '$2' (${FUNCNAME[1]:-main}: line ${BASH_LINENO[0]})"
}

# Every command and option of the tool's help, in the manual page (its roff minus signs read as hyphens)
# and the completion.
page=$(sed 's/\\-/-/g' "$manual")
commands=$("$kartei" --help | awk '/^Commands:/ { inside = 1; next } inside && /^  [a-z]/ { print $1 }')
[ -n "$commands" ] || fail "kartei --help lists no commands"
for command in $commands; do
    section=$(awk -v command="$command" '/^\.S[SH] / { inside = index($0, ".SS \"" command) == 1 } inside' \
        <<<"$page")
    [ -n "$section" ] || fail "kartei.1 has no section for '$command'"
    [[ " $(offers kartei "") " == *" $command "* ]] || fail "the completion does not offer '$command'"
    offered=" $(offers kartei "$command" --) "
    for option in $("$kartei" "$command" --help | awk '/^Options:/ { inside = 1; next }
                                                     inside && /^  --/ { print $1 }'); do
        grep -qF -- "$option" <<<"$section" || fail "kartei.1 does not describe $command $option"
        [[ $offered == *" $option "* ]] || fail "the completion does not offer $command $option"
    done
done

# Commands, options and index names.
expect "$(offers kartei d)" "delete dump"
expect "$(offers kartei export --)" "--force --help --quiet --sqlite"
expect "$(offers kartei dump "$build/db/AreaCode.DAT" --index "")" "areacode city_id"
expect "$(offers kartei update "$build/db/City" --set x=1 --index P)" "PrimaryKey"
expect "$(offers kartei delete "$build/db/City" --range 3 --index "")" "City PrimaryKey id"
expect "$(offers kartei dump --index "")" ""

# Files: tables, CSV files and folders, each where the command wants it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir sub
touch a.DAT a.IDX b.csv c.txt
expect "$(offers kartei info "")" "a.DAT sub/"
expect "$(offers kartei export a.DAT --sqlite "")" "a.DAT a.IDX b.csv c.txt sub/"
expect "$(offers kartei import "")" "b.csv sub/"
expect "$(offers kartei insert a.DAT "")" "b.csv sub/"
expect "$(offers kartei shipped b.csv "")" "sub/"
echo "docs-check: the manual page and the completion know every command and option"
