#!/usr/bin/env bash
# Starts the program on an X server of its own (Xvfb), as a desktop session does, and checks what its windows
# tell the window manager: the captions alone, the icon, and the window class that the desktop entry names
# (StartupWMClass), so that the shell ties the window to the entry. Then the same for the box of a failed
# start.
#   x11-check.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
entry="$2/app/desktop/example.quolt.Nummerix.desktop.in"
fail() { echo "x11-check: $*" >&2; exit 1; }

command -v Xvfb >/dev/null || fail "Xvfb is missing (scripts/install-deps.sh installs it)"

work=$(mktemp -d)
pid=
server=
window=
cleanup() {
    for p in $pid $server; do
        kill "$p" 2>/dev/null || true
        wait "$p" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display itself and names it only once it takes connections; guessing a free
# number beforehand races with other servers on the machine. Without -noreset it resets whenever its last
# client leaves (between the two starts below), and a start that falls into the reset cannot connect.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
read -r -t 30 number <"$work/display" || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
export DISPLAY=":$number"

# Starts the program in folder $1 and waits until its first top-level window is shown; its id goes to
# $window.
start() {
    (cd "$1" && exec env XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb "$build/app/nummerix") \
        >/dev/null 2>"$work/stderr" &
    pid=$!
    for _ in $(seq 150); do
        window=$(xwininfo -root -tree 2>/dev/null | awk '/\("nummerix" / { print $1; exit }')
        if [ -n "$window" ] && [[ "$(xwininfo -id "$window")" == *"Map State: IsViewable"* ]]; then
            return 0
        fi
        sleep 0.1
    done
    cat "$work/stderr" >&2
    fail "no window of the program appeared"
}

stop() {
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
}

# The value of a text property, without its quotes.
property() {
    xprop -id "$1" "$2" | sed -n 's/^[^=]*= "\(.*\)"$/\1/p'
}

check_window() {
    local window=$1 caption=$2
    [ "$(property "$window" _NET_WM_NAME)" = "$caption" ] ||
        fail "caption is '$(property "$window" _NET_WM_NAME)', not '$caption'"
    [ "$(property "$window" WM_NAME)" = "$caption" ] || fail "WM_NAME is not '$caption'"
    [[ "$(xprop -id "$window" _NET_WM_ICON)" == *"Icon ("* ]] || fail "'$caption' has no icon"
    local class
    class=$(xprop -id "$window" WM_CLASS | sed -n 's/^.*", "\(.*\)"$/\1/p')
    [ "$class" = "$(sed -n 's/^StartupWMClass=//p' "$entry")" ] ||
        fail "window class '$class' is not the desktop entry's StartupWMClass"
}

mkdir "$work/tables"
cp -r "$build/db" "$work/tables/db"
start "$work/tables"
check_window "$window" "Stadt/Vorwahl - Zuordnung Deutschland"
stop

mkdir "$work/empty"
start "$work/empty"
check_window "$window" "Anwendungsfehler"
stop
echo "x11-check: captions, icon and window class as they should be"
